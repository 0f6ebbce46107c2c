// The service's connections: slow and idle clients cost no worker, every request has a deadline,
// and what the HTTP library would never see (a head that does not end, a body without a
// length) is refused by the service itself.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <thread>
#include <vector>

#include <httplib.h>

#include "protocol/transport.h"
#include "raw_connection.h"
#include "running_service.h"

namespace lintrove::test {
namespace {

using std::chrono::milliseconds;
using testing::HasSubstr;
using testing::StartsWith;

const std::string kNoop = ServiceTransport::CommandXml("noop");

milliseconds TimeOfANoop(const RunningService& service) {
  ServiceTransport transport;
  transport.url = ServiceAddress(false, service.ServiceUrl());
  const auto start = std::chrono::steady_clock::now();
  EnsureServiceReachable(transport);
  return std::chrono::duration_cast<milliseconds>(std::chrono::steady_clock::now() - start);
}

TEST(ServiceConnectionsTest, SlowAndIdleClientsLeaveANewClientAnsweredAtOnce) {
  RunningService service;
  // Twenty clients that send their head a byte at a time, never finishing in this test.
  std::vector<std::unique_ptr<RawConnection>> slow;
  const std::string head = "POST /updateservice1400.php HTTP/1.1\r\nHost: 127.0.0.1\r\n";
  for (int i = 0; i < 20; ++i) slow.push_back(std::make_unique<RawConnection>(service.Port()));
  // Eight clients that asked once and keep their connection open, idle.
  std::vector<std::unique_ptr<httplib::Client>> idle;
  for (int i = 0; i < 8; ++i) {
    idle.push_back(std::make_unique<httplib::Client>("127.0.0.1", service.Port()));
    idle.back()->set_keep_alive(true);
    ASSERT_TRUE(
        idle.back()->Post(std::string(service::ServiceServer::kEndpoint), kNoop, "text/xml"));
  }
  for (std::size_t byte = 0; byte < 6; ++byte) {
    for (auto& connection : slow) ASSERT_TRUE(connection->Send(head.substr(byte, 1)));
    std::this_thread::sleep_for(milliseconds(100));
  }

  EXPECT_LT(TimeOfANoop(service), milliseconds(1000));
}

TEST(ServiceConnectionsTest, ARequestMustArriveWholeWithinItsDeadline) {
  service::ServerSettings settings;
  settings.connections.request_timeout = std::chrono::seconds(1);
  RunningService service(3, {}, settings);
  RawConnection trickle(service.Port());
  const std::string request = EndpointPost(kNoop);
  const auto start = std::chrono::steady_clock::now();
  // A byte every 100 ms: each read would have its answer in time, the whole request not.
  std::string answer;
  for (std::size_t i = 0; i < request.size() && answer.empty(); ++i) {
    if (!trickle.Send(request.substr(i, 1))) break;
    answer = trickle.ReadUntil("\r\n\r\n", milliseconds(100));
  }
  const auto waited = std::chrono::steady_clock::now() - start;

  EXPECT_THAT(answer, StartsWith("HTTP/1.1 408 "));
  EXPECT_LT(waited, std::chrono::seconds(3));
  EXPECT_TRUE(trickle.ClosedWithin(milliseconds(3000)));
  EXPECT_THAT(service.Log(), HasSubstr("status=408 "));
}

TEST(ServiceConnectionsTest, AnIdleConnectionIsClosedAfterTheKeepAliveTimeout) {
  service::ServerSettings settings;
  settings.connections.keep_alive_timeout = std::chrono::seconds(1);
  RunningService service(3, {}, settings);
  RawConnection client(service.Port());
  ASSERT_TRUE(client.Send(EndpointPost(kNoop)));
  EXPECT_THAT(client.ReadUntil("</dorvupdater>", milliseconds(2000)), HasSubstr("<status>ok"));

  const auto start = std::chrono::steady_clock::now();
  EXPECT_TRUE(client.ClosedWithin(milliseconds(3000)));
  EXPECT_GE(std::chrono::steady_clock::now() - start, milliseconds(900));
}

TEST(ServiceConnectionsTest, AConnectionCarriesAtMostTheKeepAliveRequests) {
  service::ServerSettings settings;
  settings.connections.keep_alive_requests = 2;
  RunningService service(3, {}, settings);
  RawConnection client(service.Port());
  // Both at once: the second waits in the gate until the first is answered.
  ASSERT_TRUE(client.Send(EndpointPost(kNoop) + EndpointPost(kNoop)));
  const std::string answers = client.ReadUntil("Connection: close", milliseconds(3000));

  const std::size_t second = answers.find("HTTP/1.1 200 OK", 1);
  ASSERT_NE(second, std::string::npos) << answers;
  EXPECT_THAT(answers.substr(0, second), HasSubstr("Keep-Alive: timeout=5, max=2"));
  EXPECT_THAT(answers.substr(second), HasSubstr("Connection: close"));
  EXPECT_TRUE(client.ClosedWithin(milliseconds(3000)));
}

TEST(ServiceConnectionsTest, OneAddressMayOpenOnlySoManyConnections) {
  service::ServerSettings settings;
  settings.connections.connections_per_peer = 2;
  RunningService service(3, {}, settings);
  RawConnection first(service.Port());
  RawConnection second(service.Port());
  RawConnection third(service.Port());

  const std::string refused = third.ReadUntil("</error>", milliseconds(2000));
  EXPECT_THAT(refused, StartsWith("HTTP/1.1 503 "));
  EXPECT_THAT(refused, HasSubstr("too many connections"));
  // The first two are served.
  ASSERT_TRUE(second.Send(EndpointPost(kNoop)));
  EXPECT_THAT(second.ReadUntil("</dorvupdater>", milliseconds(2000)), HasSubstr("<status>ok"));
}

// Heads no client of ours sends, answered by the service itself with an error document.
TEST(ServiceConnectionsTest, HeadsWithoutAUsableLengthAreRefused) {
  RunningService service;
  const struct {
    const char* what;
    std::string request;
    const char* status_line;
  } cases[] = {
      {"a chunked body",
       "POST /updateservice1400.php HTTP/1.1\r\nHost: x\r\nTransfer-Encoding: chunked\r\n\r\n"
       "5\r\nhello\r\n0\r\n\r\n",
       "HTTP/1.1 411 "},
      {"a length that is no number",
       "POST /updateservice1400.php HTTP/1.1\r\nHost: x\r\nContent-Length: 12x\r\n\r\n",
       "HTTP/1.1 400 "},
      {"a declared length over the limit",
       "POST /updateservice1400.php HTTP/1.1\r\nHost: x\r\nContent-Length: 999999999\r\n\r\n",
       "HTTP/1.1 413 "},
      {"a head that does not end", "GET / HTTP/1.1\r\nX-Filler: " + std::string(40 * 1024, 'a'),
       "HTTP/1.1 431 "},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    RawConnection client(service.Port());
    client.Send(c.request);
    const std::string answer = client.ReadUntil("</error>", milliseconds(3000));
    EXPECT_THAT(answer, StartsWith(c.status_line));
    EXPECT_THAT(answer, HasSubstr("Connection: close"));
  }
  EXPECT_LT(TimeOfANoop(service), milliseconds(1000));
}

TEST(ServiceConnectionsTest, AClientThatWaitsForContinueGetsItAndItsAnswer) {
  RunningService service;
  RawConnection client(service.Port());
  const std::string request = EndpointPost(kNoop, "Expect: 100-continue\r\n");
  const std::size_t head_end = request.find("\r\n\r\n") + 4;
  ASSERT_TRUE(client.Send(request.substr(0, head_end)));
  EXPECT_EQ(client.ReadUntil("\r\n\r\n", milliseconds(2000)), "HTTP/1.1 100 Continue\r\n\r\n");

  ASSERT_TRUE(client.Send(request.substr(head_end)));
  const std::string answer = client.ReadUntil("</dorvupdater>", milliseconds(2000));
  EXPECT_THAT(answer, StartsWith("HTTP/1.1 200 OK"));
  EXPECT_THAT(answer, testing::Not(HasSubstr("100 Continue")));
}

}  // namespace
}  // namespace lintrove::test
