// Several service processes on one PostgreSQL database, as a larger site runs them: nothing a
// process keeps to itself may change what the catalog learns.
#include <gtest/gtest.h>

#include <httplib.h>

#include <filesystem>
#include <thread>
#include <tuple>
#include <vector>

#include "postgres_cluster.h"
#include "running_service.h"
#include "service_process.h"
#include "storage/postgres_catalog_store.h"

namespace lintrove::test {
namespace {

const std::filesystem::path kReports =
    std::filesystem::path(LINTROVE_SOURCE_DIR) / "data/demo/reports";

std::vector<std::string> DemoReports() {
  std::vector<std::string> reports;
  for (const auto& file : std::filesystem::directory_iterator(kReports)) {
    reports.push_back(ReadFileBytes(file.path()));
  }
  return reports;
}

int Port(const std::string& address) { return std::stoi(address.substr(address.rfind(':') + 1)); }

// Each report from the network of its machine, `address`.
void Send(int port, const std::string& report, const std::string& address) {
  httplib::Client client("127.0.0.1", port);
  client.set_interface(address);
  // As long as the client's own stall limit: a busy machine's PostgreSQL may take its time.
  client.set_read_timeout(60, 0);
  const auto answer = client.Post(std::string(service::ServiceServer::kEndpoint), report,
                                  "text/xml; charset=UTF-8");
  ASSERT_TRUE(answer) << httplib::to_string(answer.error());
  EXPECT_EQ(answer->status, 200);
}

// What the catalog knows, as comparable values: each program and version with its origins.
using Learnt = std::vector<std::tuple<std::string, std::int64_t, std::string, std::int64_t>>;

Learnt WhatWasLearnt(service::CatalogStore& store) {
  Learnt learnt;
  for (const service::CatalogEntry& entry : store.Export()) {
    learnt.emplace_back(entry.program.identity, entry.program.clients, "", 0);
    for (const service::CatalogVersion& version : entry.versions) {
      learnt.emplace_back(entry.program.identity, entry.program.clients, version.name,
                          version.clients);
    }
  }
  return learnt;
}

TEST(ServiceProcessesTest, TwoProcessesFedTheSameReportsAtOnceCountAsOneProcessDoes) {
  const std::vector<std::string> reports = DemoReports();
  ASSERT_EQ(reports.size(), 8u);

  RunningService alone(CatalogEngine::Sqlite);
  for (std::size_t i = 0; i < reports.size(); ++i) {
    Send(alone.Port(), reports[i], NetworkAddress(static_cast<int>(i) + 1));
  }

  const std::string database = SharedPostgresCluster().NewDatabase();
  ServiceProcess first({"--port", "0", "--database", database, "--log-level", "quiet"});
  ServiceProcess second({"--port", "0", "--database", database, "--log-level", "quiet"});
  const int ports[] = {Port(first.ReadLine()), Port(second.ReadLine())};
  // Every report four times, two to each process, from threads that start on different
  // reports: the same client's programs and versions arrive at both processes at once.
  constexpr int kSenders = 4;
  std::vector<std::thread> senders;
  for (int sender = 0; sender < kSenders; ++sender) {
    senders.emplace_back([&, sender] {
      for (std::size_t i = 0; i < reports.size(); ++i) {
        const std::size_t report = (i + static_cast<std::size_t>(sender / 2)) % reports.size();
        Send(ports[sender % 2], reports[report], NetworkAddress(static_cast<int>(report) + 1));
      }
    });
  }
  for (std::thread& sender : senders) sender.join();

  service::PostgresCatalogStore shared(database);
  EXPECT_EQ(WhatWasLearnt(shared), WhatWasLearnt(alone.Store()));
  const service::CatalogCounts expected = alone.Store().Counts(3);
  const service::CatalogCounts counts = shared.Counts(3);
  EXPECT_EQ(counts.clients, 8);
  EXPECT_EQ(counts.origins, 8);
  EXPECT_EQ(counts.clients, expected.clients);
  EXPECT_EQ(counts.origins, expected.origins);
  EXPECT_EQ(counts.programs, expected.programs);
  EXPECT_EQ(counts.known_programs, expected.known_programs);
  EXPECT_EQ(counts.versions, expected.versions);
  EXPECT_EQ(counts.offered_versions, expected.offered_versions);
  EXPECT_EQ(counts.reports, expected.reports);
}

}  // namespace
}  // namespace lintrove::test
