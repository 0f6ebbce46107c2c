#pragma once

#include <cstdint>
#include <string>

namespace lintrove {

// The client's own version, "major.minor.release.build", set once and never changed; every
// request to the service carries it. Empty when the executable's version cannot be read.
const std::string& ClientVersion();

// A file version as the version resource keeps it, two double words of two 16-bit numbers
// each, the most significant first: 0x00010004, 0x0000000C is "1.4.0.12".
std::string FormatFileVersion(std::uint32_t mostSignificant, std::uint32_t leastSignificant);

}  // namespace lintrove
