// The WinHTTP transport against the Linux build's scenario server (http_scenario_server), whose
// ports come in LINTROVE_HOST_HTTP: the answers the libcurl transport's tests cover on Linux
// must end the same way here.
#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>
#include <string>

#include "platform/http.h"
#include "protocol/transport.h"
#include "support/error_of.h"

namespace lintrove {
namespace {

using test::ErrorOf;

struct Ports {
  int http = 0;
  int https = 0;
};

Ports HostPorts() {
  const char* text = std::getenv("LINTROVE_HOST_HTTP");
  Ports ports;
  if (text != nullptr) std::istringstream(text) >> ports.http >> ports.https;
  return ports;
}

std::string Url(const std::string& path, bool https = false) {
  const Ports ports = HostPorts();
  return (https ? "https://127.0.0.1:" + std::to_string(ports.https)
                : "http://127.0.0.1:" + std::to_string(ports.http)) +
         path;
}

class WinHttpTest : public testing::Test {
 protected:
  void SetUp() override { ASSERT_NE(HostPorts().http, 0) << "LINTROVE_HOST_HTTP is not set"; }
};

TEST_F(WinHttpTest, AnswersEndAsWithTheLinuxTransport) {
  const std::string too_large =
      "Die Antwort des Servers ist größer als 64 kByte und wurde nicht gelesen.";
  const struct {
    std::string path;
    platform::HttpLimits limits;
    std::string ping;  // or the error
  } cases[] = {
      {"/plain", {}, "ok"},
      {"/gzip", {}, "ok"},
      {"/deflate", {}, "ok"},
      {"/notxml", {}, "xml fehler"},
      {"/large", {.max_answer_bytes = 64 * 1024}, too_large},
      {"/large-gzip", {.max_answer_bytes = 64 * 1024}, too_large},
      {"/large-deflate", {.max_answer_bytes = 64 * 1024}, too_large},
      {"/stall",
       {.stall_timeout = std::chrono::milliseconds(300)},
       "Der Server hat 1 Sekunden lang keine Daten gesendet; die Anfrage wurde abgebrochen."},
  };
  for (const auto& c : cases) {
    ServiceTransport transport(platform::CreateHttp(c.limits));
    transport.url = Url(c.path);
    std::string result;
    try {
      result = transport.Ping();
    } catch (const Error& error) {
      result = error.what();
    }
    EXPECT_EQ(result, c.ping) << c.path;
  }
}

TEST_F(WinHttpTest, ASelfSignedCertificateIsRefused) {
  const auto http = platform::CreateHttp();
  const std::string error = ErrorOf([&] { http->Post(Url("/", true), {}, "<x/>"); });
  // Windows reports an untrusted certificate (ERROR_WINHTTP_SECURE_FAILURE), Wine a failed
  // secure channel (ERROR_WINHTTP_SECURE_CHANNEL_ERROR); either in words, with its number.
  const bool refused = error.ends_with(" (12175)") || error.ends_with(" (12157)");
  EXPECT_TRUE(refused) << error;
  EXPECT_EQ(error.find("WinHTTP error"), std::string::npos) << error;
}

TEST_F(WinHttpTest, ProgressCallbackCancelsAWaitingExchange) {
  // The service stays silent far beyond the stall limit, so only the cancel can end the wait.
  const auto http = platform::CreateHttp();
  int calls = 0;
  const platform::HttpProgress cancel_at_third_report = [&](std::uint64_t, std::uint64_t) {
    return ++calls < 3;
  };
  try {
    http->Post(Url("/silent"), {}, "body", cancel_at_third_report);
    FAIL() << "not cancelled";
  } catch (const platform::HttpCancelled& cancelled) {
    EXPECT_STREQ(cancelled.what(), "Die Übertragung wurde abgebrochen.");
  }
  EXPECT_EQ(calls, 3);
}

TEST_F(WinHttpTest, DownloadReportsProgressAndCanBeCancelled) {
  const auto http = platform::CreateHttp();
  std::string file;
  std::uint64_t last_total = 0;
  http->Download(
      Url("/download"), [&](std::string_view bytes) { file.append(bytes); },
      [&](std::uint64_t, std::uint64_t total) {
        last_total = total;
        return true;
      });
  EXPECT_EQ(file, std::string(300000, 'd'));
  EXPECT_EQ(last_total, 300000u);

  std::string partial;
  int reports = 0;
  EXPECT_THROW(http->Download(
                   Url("/download"), [&](std::string_view bytes) { partial.append(bytes); },
                   [&](std::uint64_t, std::uint64_t) { return ++reports < 2; }),
               platform::HttpCancelled);
  EXPECT_LT(partial.size(), 300000u);

  bool sink_called = false;
  const std::string error = ErrorOf(
      [&] { http->Download(Url("/missing"), [&](std::string_view) { sink_called = true; }); });
  EXPECT_NE(error.find("404"), std::string::npos) << error;
  EXPECT_FALSE(sink_called);
}

}  // namespace
}  // namespace lintrove
