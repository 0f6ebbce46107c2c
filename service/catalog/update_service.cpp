#include "catalog/update_service.h"

#include <exception>

#include "catalog/answer_documents.h"

namespace lintrove::service {
namespace {

constexpr int kBadRequest = 400;
constexpr int kServerError = 500;

ServiceAnswer Refusal(int status, std::string message) {
  ServiceAnswer answer;
  answer.http_status = status;
  answer.document = ErrorAnswer(status, message);
  answer.error = std::move(message);
  return answer;
}

}  // namespace

UpdateService::UpdateService(Catalog& catalog, Release release, RequestLimits limits)
    : catalog_(catalog), release_(std::move(release)), limits_(limits) {}

ServiceAnswer UpdateService::Answer(std::string_view body, std::string_view base_url,
                                    std::string_view origin) {
  ServiceRequest request;
  try {
    request = ReadRequest(body, limits_);
  } catch (const RequestError& error) {
    return Refusal(error.HttpStatus(), error.what());
  }
  ServiceAnswer answer;
  if (request.command == "noop") {
    answer.document = NoopAnswer();
  } else if (request.command == "updatecheck") {
    answer.document =
        UpdatecheckAnswer(AnnouncedRelease(release_, base_url, request.client.system));
  } else if (request.command == "step1") {
    answer.programs = request.programs.size();
    try {
      answer.document = Step1Answer(catalog_.Step1(request, origin));
    } catch (const std::exception& error) {
      // The client learns that it failed; the database's words, which may name files and
      // tables, are for the log.
      answer = Refusal(kServerError, "the catalog is not available");
      answer.error = std::string("the catalog failed: ") + error.what();
      answer.programs = request.programs.size();
    }
  } else {
    return Refusal(kBadRequest, "unknown command");
  }
  answer.command = request.command;
  return answer;
}

}  // namespace lintrove::service
