// The service's HTTP side: encodings, and the executable as an operator starts it.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <httplib.h>

#include <regex>

#include "protocol/transport.h"
#include "running_service.h"
#include "service_process.h"

namespace lintrove::test {
namespace {

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

}  // namespace
}  // namespace lintrove::test
