#pragma once

#include <string>
#include <string_view>

namespace lintrove::service {

// What the catalog keeps and passes on to other clients or shows on its pages is well-formed
// UTF-8 that XML can carry: an ill-formed sequence or a control character other than tab, LF
// and CR becomes U+FFFD.
std::string CleanText(std::string_view text);

}  // namespace lintrove::service
