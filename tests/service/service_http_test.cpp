// The service's HTTP side: encodings, and the executable as an operator starts it.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <httplib.h>

#include <signal.h>

#include <algorithm>
#include <chrono>
#include <regex>
#include <set>
#include <thread>

#include "platform/http.h"
#include "protocol/transport.h"
#include "raw_connection.h"
#include "running_service.h"
#include "service_process.h"

namespace lintrove::test {
namespace {

using std::chrono::milliseconds;
using testing::HasSubstr;

const std::string kNoop = ServiceTransport::CommandXml("noop");

TEST(ServiceHttpTest, AnswersAreGzipEncodedOnlyForClientsThatAcceptIt) {
  RunningService service;
  const struct {
    const char* accept;
    const char* encoding;
  } cases[] = {{"gzip, deflate", "gzip"}, {"", ""}, {"identity", ""}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.accept);
    httplib::Client client("127.0.0.1", service.Port());
    client.set_decompress(false);
    httplib::Headers headers;
    if (*c.accept) headers.emplace("Accept-Encoding", c.accept);
    const auto result = client.Post(std::string(service::ServiceServer::kEndpoint), headers, kNoop,
                                    "text/xml; charset=UTF-8");
    ASSERT_TRUE(result);
    EXPECT_EQ(result->status, 200);
    EXPECT_EQ(result->get_header_value("Content-Encoding"), c.encoding);
    EXPECT_EQ(result->get_header_value("Content-Type"), "text/xml; charset=UTF-8");
  }
}

TEST(ServiceHttpTest, TheExecutableNamesItsAddressFirstServesAndStopsOnSigterm) {
  TempDir dir;
  ServiceProcess process({"--port", "0", "--database", (dir / "catalog.db").string(),
                          "--client-version", "2.0.0.0", "--log-level", "quiet"});

  const std::string address = process.ReadLine();
  ASSERT_TRUE(std::regex_match(address, std::regex(R"(127\.0\.0\.1:\d+)"))) << address;
  ServiceTransport transport;
  transport.url = ServiceAddress(false, address + std::string(service::ServiceServer::kEndpoint));
  EXPECT_EQ(AskForNewerClient(transport, {}).currentversion, "2.0.0.0");
  EXPECT_EQ(process.Terminate(), 0);
  EXPECT_TRUE(std::filesystem::exists(dir / "catalog.db"));
}

// A refusal reaches a client that accepts gzip intact: one Content-Encoding, the real reason,
// one line in the log.
TEST(ServiceHttpTest, ARefusalToAGzipClientCarriesItsReason) {
  RunningService service;
  const std::string unknown = ServiceTransport::CommandXml("drop");

  const std::unique_ptr<platform::Http> http = platform::CreateHttp();
  const platform::HttpHeader headers[] = {{"Content-Type", "text/xml; charset=UTF-8"},
                                          {"Accept-Encoding", "gzip, deflate"}};
  const platform::HttpAnswer answer =
      http->Post(ServiceAddress(false, service.ServiceUrl()), headers, unknown);
  EXPECT_EQ(answer.status, 400);
  EXPECT_THAT(answer.body, HasSubstr("<error status=\"400\">unknown command</error>"));

  httplib::Client raw("127.0.0.1", service.Port());
  raw.set_decompress(false);
  const auto result = raw.Post(std::string(service::ServiceServer::kEndpoint),
                               {{"Accept-Encoding", "gzip"}}, unknown, "text/xml");
  ASSERT_TRUE(result);
  EXPECT_EQ(result->get_header_value_count("Content-Encoding"), 1u);

  const std::string log = service.Log();
  EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 2) << log;
  EXPECT_THAT(log, HasSubstr("warning - programs=0 status=400 "));
  EXPECT_THAT(log, HasSubstr(" refused: unknown command\n"));
}

TEST(ServiceHttpTest, OneOriginIsHeldToTheRateLimitAndToldWhenToComeBack) {
  service::ServerSettings settings;
  settings.rate_limit = 3;
  settings.rate_window = std::chrono::seconds(60);
  RunningService service(3, {}, settings);
  httplib::Client client("127.0.0.1", service.Port());
  const std::string endpoint(service::ServiceServer::kEndpoint);
  for (int i = 0; i < 3; ++i) {
    const auto result = client.Post(endpoint, kNoop, "text/xml");
    ASSERT_TRUE(result);
    EXPECT_EQ(result->status, 200) << i;
  }
  const auto limited = client.Post(endpoint, kNoop, "text/xml");
  ASSERT_TRUE(limited);
  EXPECT_EQ(limited->status, 429);
  EXPECT_EQ(limited->get_header_value("Retry-After"), "20");
  EXPECT_THAT(limited->body, HasSubstr("too many requests"));
  // The operators' questions are no clients' requests.
  EXPECT_EQ(client.Get(std::string(service::ServiceServer::kHealthPath))->status, 200);
  EXPECT_THAT(service.Log(), HasSubstr("status=429 "));
}

TEST(ServiceHttpTest, BehindATrustedProxyEachForwardedClientHasItsOwnLimit) {
  const struct {
    const char* what;
    std::set<std::string> trusted_proxies;
    int second_client_status;
  } cases[] = {
      {"a trusted proxy names the clients", {"127.0.0.1"}, 200},
      {"an untrusted peer's X-Forwarded-For is ignored", {"192.0.2.99"}, 429},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    service::ServerSettings settings;
    settings.rate_limit = 1;
    settings.trusted_proxies = c.trusted_proxies;
    RunningService service(3, {}, settings);
    httplib::Client proxy("127.0.0.1", service.Port());
    const std::string endpoint(service::ServiceServer::kEndpoint);
    const auto first =
        proxy.Post(endpoint, {{"X-Forwarded-For", "203.0.113.1"}}, kNoop, "text/xml");
    const auto second =
        proxy.Post(endpoint, {{"X-Forwarded-For", "203.0.113.2"}}, kNoop, "text/xml");
    ASSERT_TRUE(first && second);
    EXPECT_EQ(first->status, 200);
    EXPECT_EQ(second->status, c.second_client_status);
  }
}

TEST(ServiceHttpTest, MetricsCountRequestsByCommandAndStatus) {
  RunningService service(1);
  Check(service, {ClientGuid(1)}, [] {
    std::vector<std::unique_ptr<Program>> programs;
    programs.push_back(RegistryEntry("Tool", "1.0"));
    return programs;
  }());
  httplib::Client client("127.0.0.1", service.Port());
  client.Post(std::string(service::ServiceServer::kEndpoint), "<broken", "text/xml");

  const auto result = client.Get(std::string(service::ServiceServer::kMetricsPath));
  ASSERT_TRUE(result);
  EXPECT_EQ(result->status, 200);
  const std::string& metrics = result->body;
  EXPECT_THAT(metrics, HasSubstr("lintrove_requests_total{command=\"noop\",status=\"200\"} 1\n"));
  EXPECT_THAT(metrics, HasSubstr("lintrove_requests_total{command=\"step1\",status=\"200\"} 1\n"));
  EXPECT_THAT(metrics, HasSubstr("lintrove_requests_total{command=\"-\",status=\"400\"} 1\n"));
  EXPECT_THAT(metrics, HasSubstr("lintrove_request_duration_seconds_count 4\n"));
  EXPECT_THAT(metrics, HasSubstr("lintrove_request_duration_seconds_bucket{le=\"+Inf\"} 4\n"));
  EXPECT_THAT(metrics, HasSubstr("lintrove_database_errors_total 0\n"));
  EXPECT_THAT(metrics, HasSubstr("lintrove_catalog_programs 1\n"));
  EXPECT_THAT(metrics, HasSubstr("lintrove_catalog_versions 1\n"));
}

int PortOf(const std::string& address) { return std::stoi(address.substr(address.rfind(':') + 1)); }

TEST(ServiceHttpTest, OnSigtermARequestUnderWayIsStillAnswered) {
  TempDir dir;
  ServiceProcess process({"--port", "0", "--database", (dir / "catalog.db").string(), "--log-level",
                          "quiet", "--stop-timeout", "5"});
  const int port = PortOf(process.ReadLine());
  RawConnection client(port);
  const std::string request = EndpointPost(kNoop);
  const std::size_t head_end = request.find("\r\n\r\n") + 4;
  ASSERT_TRUE(client.Send(request.substr(0, head_end)));
  std::this_thread::sleep_for(milliseconds(200));

  process.Signal(SIGTERM);
  std::this_thread::sleep_for(milliseconds(300));
  ASSERT_TRUE(client.Send(request.substr(head_end)));
  const std::string answer = client.ReadUntil("</dorvupdater>", milliseconds(3000));
  EXPECT_THAT(answer, HasSubstr("<status>ok</status>"));
  EXPECT_THAT(answer, HasSubstr("Connection: close"));
  EXPECT_EQ(process.Wait(), 0);
}

TEST(ServiceHttpTest, OnSigtermSlowAndIdleClientsDoNotKeepTheProcess) {
  TempDir dir;
  ServiceProcess process({"--port", "0", "--database", (dir / "catalog.db").string(), "--log-level",
                          "quiet", "--stop-timeout", "1"});
  const int port = PortOf(process.ReadLine());
  RawConnection slow(port);
  ASSERT_TRUE(slow.Send("POST /updateservice1400.php HTTP/1.1\r\nHost: 127.0.0.1\r\n"));
  httplib::Client idle("127.0.0.1", port);
  idle.set_keep_alive(true);
  ASSERT_TRUE(idle.Post(std::string(service::ServiceServer::kEndpoint), kNoop, "text/xml"));

  const auto start = std::chrono::steady_clock::now();
  process.Signal(SIGTERM);
  EXPECT_EQ(process.Wait(), 0);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(4));
}

TEST(ServiceHttpTest, ASecondSigtermEndsTheProcessAtOnce) {
  TempDir dir;
  ServiceProcess process({"--port", "0", "--database", (dir / "catalog.db").string(), "--log-level",
                          "quiet", "--stop-timeout", "10"});
  const int port = PortOf(process.ReadLine());
  RawConnection slow(port);
  ASSERT_TRUE(slow.Send("POST /updateservice1400.php HTTP/1.1\r\nHost: 127.0.0.1\r\n"));
  std::this_thread::sleep_for(milliseconds(200));

  const auto start = std::chrono::steady_clock::now();
  process.Signal(SIGTERM);
  std::this_thread::sleep_for(milliseconds(300));
  process.Signal(SIGTERM);
  EXPECT_EQ(process.Wait(), 1);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

}  // namespace
}  // namespace lintrove::test
