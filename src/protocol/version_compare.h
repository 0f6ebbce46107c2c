#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace lintrove {

// Orders version texts of the form major.minor.release.build.
class VersionComparison {
 public:
  // -1 when a is older than b, 0 when equal, 1 when newer. Only the first four components
  // count; a missing one is 0, and one that is no number counts by its leading digits ("3b" is
  // 3, "beta" is 0). Blanks and control characters separate components as "." does.
  static int Compare(std::string_view a, std::string_view b);

  // The values of the first five components as Compare counts them. The fifth is never
  // compared, but the service sends it among the numeric parts of a version it offers.
  static constexpr std::size_t kNumbers = 5;
  static std::array<std::int32_t, kNumbers> Numbers(std::string_view text);
};

}  // namespace lintrove
