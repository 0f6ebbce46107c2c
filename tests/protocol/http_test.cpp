#include "platform/http.h"

#include <gtest/gtest.h>

#include <string>

#include "protocol/test_http_server.h"

namespace lintrove::platform {
namespace {

TEST(HttpTest, ProgressCallbackCancelsAWaitingExchange) {
  test::RawHttpServer silent;
  const std::unique_ptr<Http> http = CreateHttp();
  int calls = 0;
  const HttpProgress cancel_at_third_report = [&](std::uint64_t, std::uint64_t) {
    return ++calls < 3;
  };
  try {
    http->Post("http://" + silent.ServiceUrl(), {}, "body", cancel_at_third_report);
    FAIL() << "not cancelled";
  } catch (const HttpCancelled& cancelled) {
    EXPECT_STREQ(cancelled.what(), "Die Übertragung wurde abgebrochen.");
  }
  EXPECT_EQ(calls, 3);
}

TEST(HttpTest, StatusAndBodyComeBackWhole) {
  const std::string body(300000, 'x');
  test::TestHttpServer server([&](const httplib::Request&, httplib::Response& response) {
    response.status = 201;
    response.set_content(body, "application/octet-stream");
  });
  // An empty body of no storage at all is still an empty body.
  const HttpAnswer answer =
      CreateHttp()->Post("http://" + server.ServiceUrl(), {}, std::string_view());
  EXPECT_EQ(answer.status, 201);
  EXPECT_EQ(answer.body, body);
}

}  // namespace
}  // namespace lintrove::platform
