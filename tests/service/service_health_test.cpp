// The health check a load balancer or monitor asks, and the executable started with a settings
// file as a system service starts it.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <httplib.h>

#include <fstream>
#include <sstream>
#include <thread>

#include "catalog.h"
#include "catalog_engine.h"
#include "feedback_page.h"
#include "open_catalog_store.h"
#include "postgres_cluster.h"
#include "service_log.h"
#include "service_process.h"
#include "service_server.h"
#include "support/temp_dir.h"
#include "update_service.h"

namespace lintrove::test {
namespace {

const std::string kHealth(service::ServiceServer::kHealthPath);

// A server that checks the health of its catalog.
class HealthServer {
 public:
  explicit HealthServer(service::LogLevel level = service::LogLevel::Info,
                        CatalogEngine engine = CatalogEngine::Sqlite)
      : log_(log_text_, level),
        store_(service::OpenCatalogStore(NewCatalogDatabase(engine, dir_))),
        catalog_(*store_, 3),
        service_(catalog_, {}),
        feedback_(*store_, 3),
        server_(service_, feedback_, log_) {
    server_.ServeHealth(*store_);
    port_ = server_.Bind("127.0.0.1", 0);
    thread_ = std::thread([this] { server_.Run(); });
  }
  ~HealthServer() {
    server_.Stop();
    thread_.join();
  }

  int Port() const { return port_; }
  std::string Log() const { return log_text_.str(); }
  const TempDir& Dir() const { return dir_; }

 private:
  TempDir dir_;
  std::ostringstream log_text_;
  service::ServiceLog log_;
  std::unique_ptr<service::CatalogStore> store_;
  service::Catalog catalog_;
  service::UpdateService service_;
  service::FeedbackPage feedback_;
  service::ServiceServer server_;
  int port_ = 0;
  std::thread thread_;
};

TEST(ServiceHealthTest, AWorkingServiceAnswers200UncachedAndQuietly) {
  HealthServer server;
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
  HealthServer server(service::LogLevel::Debug);
  httplib::Client client("127.0.0.1", server.Port());
  ASSERT_TRUE(client.Get(kHealth));
  EXPECT_NE(server.Log().find("debug GET health status=200"), std::string::npos) << server.Log();
}

TEST(ServiceHealthTest, ADatabaseThatStoppedAnsweringIs503UntilItIsBack) {
  HealthServer server(service::LogLevel::Info, CatalogEngine::Postgres);
  httplib::Client client("127.0.0.1", server.Port());
  ASSERT_EQ(client.Get(kHealth)->status, 200);

  SharedPostgresCluster().Stop();
  const auto down = client.Get(kHealth);
  SharedPostgresCluster().Start();
  ASSERT_TRUE(down);
  EXPECT_EQ(down->status, 503);
  EXPECT_EQ(down->body.rfind("database not answering: ", 0), 0u) << down->body;
  EXPECT_EQ(down->get_header_value("Cache-Control"), "no-store");

  const auto back = client.Get(kHealth);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->status, 200);
  // The change is news for the operator, both ways; the polls in between are not.
  EXPECT_NE(server.Log().find("warning"), std::string::npos) << server.Log();
}

TEST(ServiceHealthTest, OtherMethodsAreNotTheHealthCheck) {
  HealthServer server;
  httplib::Client client("127.0.0.1", server.Port());
  const auto result = client.Post(kHealth, "", "text/plain");
  ASSERT_TRUE(result);
  EXPECT_EQ(result->status, 404);
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
