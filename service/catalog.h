#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "catalog_store.h"
#include "service_request.h"

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

// The community catalog: what clients report, it learns; what enough clients report, it
// offers.
class Catalog {
 public:
  // threshold: how many distinct clients make a program known and a version offered.
  Catalog(CatalogStore& store, std::int64_t threshold);

  std::int64_t Threshold() const { return threshold_; }

  // Records the step1 as the client's report, then judges every program sent, in request
  // order. A request without a well-formed client GUID is judged but not recorded: its reports
  // could not be told from another client's.
  std::vector<Verdict> Step1(const ServiceRequest& request);

 private:
  CatalogStore& store_;
  std::int64_t threshold_;
};

}  // namespace lintrove::service
