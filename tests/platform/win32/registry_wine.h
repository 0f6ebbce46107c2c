#pragma once

namespace lintrove::platform {

// Whether the Windows tests run under Wine, whose registry differs from Windows' in details
// the tests must allow for.
bool RunsUnderWine();

}  // namespace lintrove::platform
