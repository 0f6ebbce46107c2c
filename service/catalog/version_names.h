#pragma once

#include <cstdint>
#include <string_view>

namespace lintrove::service {

// Whether a version's name marks it as a pre-release: a run of letters that is "alpha",
// "beta", "rc", "pre", "preview", "dev", "nightly", "snapshot", "canary", "insider" or "ea" (in
// any letter case), or a single "a" or "b" right before a digit ("3.12.0b1"). "1.1.1b" is a
// release: a letter at the end is a patch level.
bool IsPreRelease(std::string_view version_name);

// The first number of a version, as the version comparison counts it.
std::int32_t MajorNumber(std::string_view version_name);

}  // namespace lintrove::service
