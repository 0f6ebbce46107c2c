#pragma once

#include <string>

#include "protocol/verdict_records.h"
#include "running_service.h"

namespace lintrove::test {

// The path and query of the feedback page of a verdict, built as the client builds it.
std::string FeedbackPath(const ProgramVerdict& verdict, const std::string& client_guid,
                         unsigned lcid = 1033);

// A GET of the service on 127.0.0.1; the status and body of the answer.
struct PageAnswer {
  int status = 0;
  std::string body;
};
PageAnswer GetPage(const RunningService& service, const std::string& path,
                   const std::string& accept_language = "");

}  // namespace lintrove::test
