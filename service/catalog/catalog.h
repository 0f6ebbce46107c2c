#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "catalog/catalog_store.h"
#include "catalog/service_request.h"

namespace lintrove::service {

// The service's judgement of one program sent.
struct Verdict {
  enum class Kind { Unsupported, Current, NewVersion };

  std::int32_t id = 0;  // the program's ID in the request
  Kind kind = Kind::Unsupported;
  // When supported:
  std::string hash;
  std::int64_t program_id = 0;
  std::int64_t current_version_id = 0;
  std::string vendor;
  std::string homepage;
  std::vector<CatalogVersion> newer;  // oldest first
};

// The community catalog: what clients report, it learns; what enough networks report, it
// offers.
class Catalog {
 public:
  // How many programs and versions one origin may add to the catalog per day by default: far
  // more than the machines of one network bring, far less than fills a disk.
  static constexpr std::int64_t kDefaultDailyAdditions = 5000;

  // threshold: how many distinct origins (networks, see NetworkOf) make a program known and a
  // version offered. daily_additions: how many programs and versions one origin may add per day.
  Catalog(CatalogStore& store, std::int64_t threshold,
          std::int64_t daily_additions = kDefaultDailyAdditions);

  // Records the step1 as the report of its client from `origin`, the address the request came
  // from (or, for reports that came another way, a text standing for their source), then
  // judges every program sent, in request order. A request without a well-formed client GUID
  // is judged but not recorded: its reports could not be told from another client's. Shown
  // texts longer than TextLimits are cut; a program whose identity or version is longer is
  // judged but not recorded.
  std::vector<Verdict> Step1(const ServiceRequest& request, std::string_view origin);

  // The origin key the catalog keeps for an address, a prefix or another origin text.
  std::string OriginKeyOf(std::string_view origin) const;

 private:
  CatalogStore& store_;
  std::int64_t threshold_;
  std::int64_t daily_additions_;
  std::string origin_secret_;
};

}  // namespace lintrove::service
