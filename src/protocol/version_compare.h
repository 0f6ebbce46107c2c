#pragma once

#include <string_view>

namespace lintrove {

// Orders version texts of the form major.minor.release.build.
class VersionComparison {
 public:
  // -1 when a is older than b, 0 when equal, 1 when newer. Only the first four components
  // count; a missing one is 0, and one that is no number counts by its leading digits ("3b" is
  // 3, "beta" is 0). Blanks and control characters separate components as "." does.
  static int Compare(std::string_view a, std::string_view b);
};

}  // namespace lintrove
