#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "admin/service_options.h"
#include "catalog/catalog.h"
#include "catalog/release.h"
#include "catalog/update_service.h"
#include "catalog_engine.h"
#include "flows/update_check_flow.h"
#include "http/service_log.h"
#include "http/service_server.h"
#include "inventory/program.h"
#include "pages/feedback_page.h"
#include "protocol/verdict_records.h"
#include "support/temp_dir.h"

namespace lintrove::test {

// The update service on 127.0.0.1 in the test's own process, on a free port, with its catalog
// in a SQLite file of a temporary directory or a new database of the tests' PostgreSQL server.
// It serves from construction to destruction, with the health check and the metrics as the
// executable serves them.
class RunningService {
 public:
  explicit RunningService(std::int64_t threshold = 3, service::Release release = {},
                          service::ServerSettings settings = {},
                          CatalogEngine engine = CatalogEngine::Sqlite,
                          service::LogLevel log_level = service::LogLevel::Info);
  explicit RunningService(CatalogEngine engine, std::int64_t threshold = 3,
                          service::Release release = {})
      : RunningService(threshold, std::move(release), {}, engine) {}
  ~RunningService();
  RunningService(const RunningService&) = delete;
  RunningService& operator=(const RunningService&) = delete;

  int Port() const { return port_; }
  // Host, port and path without a scheme, as the client's service setting holds it.
  std::string ServiceUrl() const;
  service::CatalogStore& Store() { return *store_; }
  // The log lines so far; those of a request are written before its answer is sent.
  std::string Log() const { return log_text_.str(); }
  // Stops it as SIGTERM does: true when the requests under way ended within `grace`.
  bool Stop(std::chrono::milliseconds grace);

 private:
  TempDir dir_;
  std::ostringstream log_text_;
  service::ServiceLog log_;
  std::unique_ptr<service::CatalogStore> store_;
  service::Catalog catalog_;
  service::UpdateService service_;
  service::FeedbackPage feedback_;
  service::ServiceServer server_;
  int port_;
  std::thread thread_;
  bool stopped_ = false;
};

// The service's options as shipped, with this threshold: for administration commands.
service::ServiceOptions ThresholdOptions(std::int64_t threshold);

// The server's settings with a smaller body limit.
service::ServerSettings WithMaxBody(std::size_t bytes);

// A client machine as the service sees it: its identity, the options it sends and the address
// it sends them from.
struct ClientMachine {
  std::string guid;
  bool upgrades = true;
  bool betas = false;
  // A loopback address (127.x.y.z) its requests come from; empty: the client's own HTTP from
  // 127.0.0.1.
  std::string address = {};
};

// A client GUID made from a number, so that tests can make many distinct clients.
std::string ClientGuid(int number);

// A loopback address in a /24 network of its own for each number below 65536: 127.x.y.1.
std::string NetworkAddress(int number);

// The machine of client GUID `number`, alone in network `number`: what the catalog counts as
// one more reporter.
ClientMachine Machine(int number, bool upgrades = true, bool betas = false);

// Programs as the finders make them.
std::unique_ptr<Program> RegistryEntry(const std::string& name, const std::string& version,
                                       const std::string& publisher = "Vendor",
                                       const std::string& key = "");
std::unique_ptr<Program> InstallerProduct(const std::string& name, const std::string& version,
                                          const std::string& manufacturer,
                                          const std::string& upgrade_code = "");

// A whole update check of these programs by the client core, as `machine`: noop, updatecheck,
// step1. The records hold the programs in the order given and the verdicts read. `offered`
// receives the updatecheck answer's version when the service names a newer client than this.
VerdictList Check(const RunningService& service, const ClientMachine& machine,
                  std::vector<std::unique_ptr<Program>> programs, std::string* offered = nullptr);

// The same with one program of that name and version.
ProgramVerdict CheckOne(const RunningService& service, const ClientMachine& machine,
                        const std::string& name, const std::string& version);

// The names of the versions of a verdict, in answer order.
std::vector<std::string> VersionNames(const ProgramVerdict& verdict);

}  // namespace lintrove::test
