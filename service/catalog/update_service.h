#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "catalog/catalog.h"
#include "catalog/release.h"
#include "catalog/service_request.h"

namespace lintrove::service {

// The answer to one request, with what the request log may say of it.
struct ServiceAnswer {
  int http_status = 200;
  std::string document;
  std::string command;  // the command word when it is one of ours, else empty
  std::size_t programs = 0;
  std::string error;  // why the request was refused
};

// The commands of the endpoint, without HTTP: a request document in, an answer document out.
class UpdateService {
 public:
  UpdateService(Catalog& catalog, Release release, RequestLimits limits = {});

  // Never throws for anything in the request: a refused one gets an error document. A failure
  // of the catalog's storage gives status 500. `base_url` ("http://host:port") is where the
  // client reached the service: the release's own pages are announced there. `origin` is the
  // address the request came from, for the catalog's learning.
  ServiceAnswer Answer(std::string_view body, std::string_view base_url, std::string_view origin);

  const Release& CurrentRelease() const { return release_; }

 private:
  Catalog& catalog_;
  Release release_;
  RequestLimits limits_;
};

}  // namespace lintrove::service
