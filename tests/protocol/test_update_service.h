#pragma once

#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "protocol/test_http_server.h"

namespace lintrove::test {

// A small update service on 127.0.0.1: "noop" is answered ok, "updatecheck" with the client
// version it is given, and "step1" from a catalog of program names (DisplayName, ProductName or
// InstalledProductName): a program in it is supported, with the catalog's versions as newer
// versions offered (none: up to date); any other program is unsupported.
class TestUpdateService {
 public:
  using Catalog = std::map<std::string, std::vector<std::string>>;

  explicit TestUpdateService(Catalog catalog, std::string client_version = "1.0.0.0");

  std::string ServiceUrl() const { return server_.ServiceUrl(); }
  void Stop() { server_.Stop(); }

  // The command words in the order they came.
  std::vector<std::string> Commands() const;
  // The names of the programs of the last "step1", in request order.
  std::vector<std::string> ProgramsSent() const;
  // The attributes of the "Client" element of the last request of that command.
  std::map<std::string, std::string> ClientOf(const std::string& command) const;

 private:
  std::string Answer(const std::string& request);

  Catalog catalog_;
  std::string client_version_;
  mutable std::mutex mutex_;
  std::vector<std::string> commands_;
  std::vector<std::string> programs_sent_;
  std::map<std::string, std::map<std::string, std::string>> clients_;
  TestHttpServer server_;
};

}  // namespace lintrove::test
