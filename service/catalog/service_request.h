#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/error.h"

namespace lintrove::service {

// A request the service refuses: answered with an error document and this text, which says
// what is wrong without repeating what the client sent.
class RequestError : public Error {
 public:
  RequestError(int http_status, const std::string& message)
      : Error(message), http_status_(http_status) {}
  int HttpStatus() const { return http_status_; }

 private:
  int http_status_;
};

// The client facts of an updatecheck or step1.
struct RequestClient {
  std::string version;
  std::string guid;
  std::string lcid;
  std::string windows_version;
  std::string system;  // updatecheck only: what the client runs on, for the setup offered
  bool upgrades = false;
  bool win64 = false;
  bool betas = false;
};

// One program of a step1: its request ID, its class and its property elements as sent.
struct SentProgram {
  std::int32_t id = 0;
  std::string class_type;
  std::vector<std::pair<std::string, std::string>> properties;

  // The text of the property element of that name, trimmed; empty when not sent.
  std::string_view Property(std::string_view name) const;
};

struct ServiceRequest {
  std::string command;
  RequestClient client;
  std::vector<SentProgram> programs;
};

struct RequestLimits {
  std::size_t max_programs = 3000;
  // Elements nest four deep in a request (dorvupdater/Programme/Programm/DisplayName).
  std::size_t max_depth = 8;
};

// Reads a request document. Anything but one well-formed XML document with the root
// "dorvupdater" and a command, a document type declaration, elements nested deeper than the
// limit, more programs than the limit, or a program ID that is no small decimal number raises
// RequestError. The command word is not judged here.
ServiceRequest ReadRequest(std::string_view body, const RequestLimits& limits);

}  // namespace lintrove::service
