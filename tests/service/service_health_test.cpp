// The health check a load balancer or monitor asks, and the executable started with a settings
// file as a system service starts it.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <csignal>

#include <httplib.h>
#include <libpq-fe.h>

#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

#include "catalog_engine.h"
#include "http/health_probe.h"
#include "postgres_cluster.h"
#include "running_service.h"
#include "service_process.h"
#include "storage/open_catalog_store.h"
#include "support/temp_dir.h"

namespace lintrove::test {
namespace {

using testing::HasSubstr;

const std::string kHealth(service::ServiceServer::kHealthPath);

TEST(ServiceHealthTest, AWorkingServiceAnswers200UncachedAndQuietly) {
  RunningService server;
  httplib::Client client("127.0.0.1", server.Port());
  for (int poll = 0; poll < 3; ++poll) {
    const auto result = client.Get(kHealth);
    ASSERT_TRUE(result);
    EXPECT_EQ(result->status, 200);
    EXPECT_EQ(result->body, "ok\n");
    EXPECT_EQ(result->get_header_value("Cache-Control"), "no-store");
  }
  const auto head = client.Head(kHealth);
  ASSERT_TRUE(head);
  EXPECT_EQ(head->status, 200);
  EXPECT_TRUE(head->body.empty());
  // Polled every few seconds, it would bury the requests that matter.
  EXPECT_EQ(server.Log(), "");
}

TEST(ServiceHealthTest, EachCheckIsLoggedAtDebugLevel) {
  RunningService server(3, {}, {}, CatalogEngine::Sqlite, service::LogLevel::Debug);
  httplib::Client client("127.0.0.1", server.Port());
  ASSERT_TRUE(client.Get(kHealth));
  EXPECT_THAT(server.Log(), HasSubstr("debug GET health programs=0 status=200 "));
}

TEST(ServiceHealthTest, ADatabaseThatStoppedAnsweringIs503UntilItIsBack) {
  RunningService server(CatalogEngine::Postgres);
  httplib::Client client("127.0.0.1", server.Port());
  ASSERT_EQ(client.Get(kHealth)->status, 200);

  SharedPostgresCluster().Stop();
  const auto down = client.Get(kHealth);
  SharedPostgresCluster().Start();
  ASSERT_TRUE(down);
  EXPECT_EQ(down->status, 503);
  // The reason, not the database's words: those go to the log.
  EXPECT_EQ(down->body, "database not answering\n");
  EXPECT_EQ(down->get_header_value("Cache-Control"), "no-store");

  const auto back = client.Get(kHealth);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->status, 200);
  // The change is news for the operator, both ways; the polls in between are not.
  EXPECT_THAT(server.Log(), HasSubstr("warning health: database not answering: "));
}

TEST(ServiceHealthTest, OtherMethodsAreNotTheHealthCheck) {
  RunningService server;
  httplib::Client client("127.0.0.1", server.Port());
  const auto result = client.Post(kHealth, "", "text/plain");
  ASSERT_TRUE(result);
  EXPECT_EQ(result->status, 404);
}

// Every process of the tests' PostgreSQL server stopped where it stands, as a database host
// whose network froze: connections stay open and nothing answers.
class FrozenPostgres {
 public:
  FrozenPostgres() {
    const std::string uri = SharedPostgresCluster().Uri("postgres");
    const std::size_t host = uri.find("host=") + 5;
    const std::filesystem::path dir = uri.substr(host, uri.find('&', host) - host);
    std::ifstream pid_file(dir / "data" / "postmaster.pid");
    pid_t server = 0;
    pid_file >> server;
    pids_.push_back(server);
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
      std::ifstream stat(entry.path() / "stat");
      std::string line;
      if (!std::getline(stat, line) || line.rfind(')') == std::string::npos) continue;
      std::istringstream fields(line.substr(line.rfind(')') + 2));
      char state = 0;
      pid_t parent = 0;
      fields >> state >> parent;
      if (parent == server) pids_.push_back(std::stoi(entry.path().filename().string()));
    }
    for (pid_t pid : pids_) kill(pid, SIGSTOP);
  }
  ~FrozenPostgres() {
    for (pid_t pid : pids_) kill(pid, SIGCONT);
  }

 private:
  std::vector<pid_t> pids_;
};

TEST(ServiceHealthTest, ADatabaseThatHangsIs503InTimeWhileEveryWorkerWaitsForIt) {
  service::ServerSettings settings;
  settings.connections.workers = 2;
  settings.health_timeout = std::chrono::milliseconds(500);
  RunningService server(3, {}, settings, CatalogEngine::Postgres);
  httplib::Client client("127.0.0.1", server.Port());
  ASSERT_EQ(client.Get(kHealth)->status, 200);

  std::vector<std::thread> checks;
  {
    FrozenPostgres frozen;
    for (int i = 1; i <= settings.connections.workers; ++i) {
      checks.emplace_back([&server, i] {
        std::vector<std::unique_ptr<Program>> programs;
        programs.push_back(RegistryEntry("Tool", "1.0"));
        try {
          Check(server, {ClientGuid(i)}, std::move(programs));
        } catch (const std::exception&) {
          // Whether the check fails or waits is the database's business; health is ours.
        }
      });
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(500));

    const auto start = std::chrono::steady_clock::now();
    const auto down = client.Get(kHealth);
    const auto waited = std::chrono::steady_clock::now() - start;
    ASSERT_TRUE(down);
    EXPECT_EQ(down->status, 503);
    EXPECT_EQ(down->body, "database not answering\n");
    EXPECT_LT(waited, std::chrono::seconds(2));
  }
  for (std::thread& check : checks) check.join();
  EXPECT_THAT(server.Log(), HasSubstr("did not answer within 500 ms"));
}

TEST(ServiceHealthTest, ACatalogThatCannotBeWrittenIs503AndTheClientIsNotToldWhy) {
  TempDir dir;
  ServiceProcess process(
      {"--port", "0", "--database", (dir / "catalog.db").string(), "--log-level", "quiet"});
  const std::string address = process.ReadLine();
  httplib::Client client("127.0.0.1", std::stoi(address.substr(address.rfind(':') + 1)));
  ASSERT_EQ(client.Get(kHealth)->status, 200);

  // As a full disk does: every write that would grow a file fails.
  const rlimit no_growth{1, 1};
  ASSERT_EQ(prlimit(process.Pid(), RLIMIT_FSIZE, &no_growth, nullptr), 0);
  const std::string step1 =
      R"(<?xml version="1.0" encoding="UTF-8"?><dorvupdater><Command><str_command>step1</str_command></Command>)"
      R"(<Client Version="1.4.0.0" Guid="{0F8FAD5B-D9CB-469F-A165-70867728950E}" LCID="00000407" )"
      R"(WindowsVersion="10.0" upgrades="1" win64="1" betas="0"/><Programme>)"
      R"(<Programm ID="0" ClassType="tRegistryProgramm"><DisplayName>Tool</DisplayName>)"
      R"(<DisplayVersion>1.0</DisplayVersion><RegistryKey>Tool</RegistryKey></Programm></Programme></dorvupdater>)";
  const auto refused =
      client.Post(std::string(service::ServiceServer::kEndpoint), step1, "text/xml");
  ASSERT_TRUE(refused);
  EXPECT_EQ(refused->status, 500);
  EXPECT_THAT(refused->body, HasSubstr("the catalog is not available"));
  EXPECT_THAT(refused->body, testing::Not(HasSubstr(dir.Path().string())));

  const auto health = client.Get(kHealth);
  ASSERT_TRUE(health);
  EXPECT_EQ(health->status, 503);
  EXPECT_EQ(health->body, "the catalog cannot be written\n");
}

TEST(ServiceHealthTest, ACatalogThatCannotBeWrittenIs503BeforeAnyReportIsLost) {
  TempDir dir;
  ServiceProcess process(
      {"--port", "0", "--database", (dir / "catalog.db").string(), "--log-level", "quiet"});
  const std::string address = process.ReadLine();
  httplib::Client client("127.0.0.1", std::stoi(address.substr(address.rfind(':') + 1)));
  ASSERT_EQ(client.Get(kHealth)->status, 200);

  // A full disk, with no client having met it yet: the load balancer learns it first.
  const rlimit no_growth{1, 1};
  ASSERT_EQ(prlimit(process.Pid(), RLIMIT_FSIZE, &no_growth, nullptr), 0);
  const auto health = client.Get(kHealth);
  ASSERT_TRUE(health);
  EXPECT_EQ(health->status, 503);
  EXPECT_EQ(health->body, "the catalog cannot be written\n");
}

// Runs SQL on the tests' PostgreSQL server as its superuser.
void RunAsSuperuser(const std::string& sql) {
  PGconn* connection = PQconnectdb(SharedPostgresCluster().Uri("postgres").c_str());
  PGresult* result = PQexec(connection, sql.c_str());
  const ExecStatusType status = PQresultStatus(result);
  const std::string message = PQerrorMessage(connection);
  PQclear(result);
  PQfinish(connection);
  ASSERT_TRUE(status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK) << message;
}

// The database turned read-only and every session ended, as a failover to a standby does.
void SetReadOnly(const std::string& database, bool read_only) {
  RunAsSuperuser("ALTER DATABASE " + database +
                 (read_only ? " SET default_transaction_read_only = on"
                            : " RESET default_transaction_read_only"));
  RunAsSuperuser("SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE datname = '" +
                 database + "'");
}

TEST(ServiceHealthTest, APostgresDatabaseThatRefusesWritesIs503UntilItTakesThemAgain) {
  TempDir dir;
  const std::string uri = NewCatalogDatabase(CatalogEngine::Postgres, dir);
  const std::size_t name = uri.find("@/") + 2;
  const std::string database = uri.substr(name, uri.find('?') - name);
  const auto store = service::OpenCatalogStore(uri);
  service::HealthProbe probe(*store, std::chrono::milliseconds(2000));
  ASSERT_TRUE(probe.Check().healthy);

  SetReadOnly(database, true);
  const service::HealthProbe::Finding read_only = probe.Check();
  EXPECT_FALSE(read_only.healthy);
  EXPECT_EQ(read_only.reason, "the catalog cannot be written");

  SetReadOnly(database, false);
  EXPECT_TRUE(probe.Check().healthy) << probe.Check().detail;
}

// A port free a moment ago, given back for the service to take. (httplib's server would keep
// its socket open after it is gone.)
int FreePort() {
  const int probe = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  EXPECT_EQ(bind(probe, reinterpret_cast<sockaddr*>(&address), length), 0);
  EXPECT_EQ(getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length), 0);
  close(probe);
  return ntohs(address.sin_port);
}

TEST(ServiceHealthTest, TheExecutableServesWhereItsSettingsFileSays) {
  TempDir dir;
  const int port = FreePort();
  std::ofstream(dir / "service.conf") << "# as under /etc/lintrove\n"
                                      << "listen = 127.0.0.1\n"
                                      << "port = " << port << "\n"
                                      << "database = " << (dir / "catalog.db").string() << "\n"
                                      << "log-level = quiet\n";
  ServiceProcess process({"--config", (dir / "service.conf").string()});
  ASSERT_EQ(process.ReadLine(), "127.0.0.1:" + std::to_string(port));

  httplib::Client client("127.0.0.1", port);
  const auto result = client.Get(kHealth);
  ASSERT_TRUE(result);
  EXPECT_EQ(result->status, 200);
  EXPECT_TRUE(std::filesystem::exists(dir / "catalog.db"));
}

}  // namespace
}  // namespace lintrove::test
