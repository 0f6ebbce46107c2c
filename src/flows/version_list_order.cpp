#include "flows/version_list_order.h"

#include <algorithm>
#include <tuple>

namespace lintrove {

std::vector<const OfferedVersion*> VersionsInListOrder(const VersionList& versions) {
  std::vector<const OfferedVersion*> ordered;
  ordered.reserve(static_cast<std::size_t>(versions.Count()));
  for (int i = 0; i < versions.Count(); ++i) ordered.push_back(&versions.Items(i));
  const auto parts = [](const OfferedVersion* version) {
    return std::tie(version->int_version_1, version->int_version_2, version->int_version_3,
                    version->int_version_4, version->int_version_5);
  };
  std::ranges::stable_sort(ordered, [&](const OfferedVersion* a, const OfferedVersion* b) {
    return parts(a) < parts(b);
  });
  return ordered;
}

}  // namespace lintrove
