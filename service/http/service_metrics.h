#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>

#include "catalog/catalog_store.h"

namespace lintrove::service {

// What an operator's Prometheus reads at /metrics: requests by command and status, their
// latency, the database's failures and the catalog's size.
class ServiceMetrics {
 public:
  // `command` is the endpoint's command word, a page's name or "-" for a request refused
  // before it named one.
  void CountRequest(std::string_view command, int status, double seconds);
  void CountDatabaseError();

  // The text exposition format; `catalog` is read at each scrape.
  std::string Render(const CatalogCounts& catalog) const;

 private:
  static constexpr std::array<double, 12> kBuckets = {0.001, 0.0025, 0.005, 0.01, 0.025, 0.05,
                                                      0.1,   0.25,   0.5,   1,    2.5,   10};

  mutable std::mutex mutex_;
  std::map<std::pair<std::string, int>, std::uint64_t> requests_;
  std::array<std::uint64_t, kBuckets.size()> bucket_counts_{};
  std::uint64_t count_ = 0;
  double sum_ = 0;
  std::uint64_t database_errors_ = 0;
};

}  // namespace lintrove::service
