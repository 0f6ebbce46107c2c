// What a hostile or broken sender gets: a clear error document, and a service that goes on.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <httplib.h>

#include "base/error.h"
#include "protocol/transport.h"
#include "running_service.h"
#include "support/compression.h"

namespace lintrove::test {
namespace {

using testing::HasSubstr;
using testing::StartsWith;

const std::string kHead = R"(<?xml version="1.0" encoding="UTF-8"?>)"
                          "\r\n";

std::string Request(std::string_view command, std::string_view rest = "") {
  return kHead + "<dorvupdater><Command><str_command><![CDATA[" + std::string(command) +
         "]]></str_command></Command>" + std::string(rest) + "</dorvupdater>";
}

std::string Step1(std::string_view programs) {
  return Request("step1",
                 "<Client Version=\"1.4.0.0\" Guid=\"{0F8FAD5B-D9CB-469F-A165-70867728950E}\" "
                 "LCID=\"00000407\" WindowsVersion=\"10.0\" upgrades=\"1\" win64=\"1\" "
                 "betas=\"0\"/><Programme>" +
                     std::string(programs) + "</Programme>");
}

std::string ManyPrograms(int count) {
  std::string programs;
  for (int i = 0; i < count; ++i) {
    programs += "<Programm ID=\"" + std::to_string(i) +
                "\" ClassType=\"tRegistryProgramm\"><DisplayName>P" + std::to_string(i) +
                "</DisplayName></Programm>";
  }
  return programs;
}

struct HostileCase {
  const char* what;
  std::string method;
  std::string path;
  std::string body;
  httplib::Headers headers;
  int status;
  const char* reason;  // in the error document
};

std::vector<HostileCase> Cases() {
  const std::string endpoint(service::ServiceServer::kEndpoint);
  const std::string billion_laughs =
      kHead +
      "<!DOCTYPE dorvupdater [<!ENTITY lol \"lol\"><!ENTITY lol2 \"&lol;&lol;&lol;&lol;&lol;\">"
      "<!ENTITY lol3 \"&lol2;&lol2;&lol2;&lol2;&lol2;\">]>"
      "<dorvupdater><Command><str_command>&lol3;</str_command></Command></dorvupdater>";
  const std::string external_entity =
      kHead +
      "<!DOCTYPE dorvupdater [<!ENTITY secret SYSTEM \"file:///etc/passwd\">]>"
      "<dorvupdater><Command><str_command>noop</str_command></Command>&secret;</dorvupdater>";
  std::string deep = kHead;
  for (int i = 0; i < 100'000; ++i) deep += "<a>";
  for (int i = 0; i < 100'000; ++i) deep += "</a>";
  const std::string oversized = Step1("<!--" + std::string(5 * 1024 * 1024, 'x') + "-->");
  const std::string inflating = Gzip(Step1("<!--" + std::string(64 * 1024 * 1024, 'x') + "-->"));

  return {
      {"an oversized body", "POST", endpoint, oversized, {}, 413, "larger than"},
      {"a small body that inflates beyond the limit",
       "POST",
       endpoint,
       inflating,
       {{"Content-Encoding", "gzip"}},
       413,
       "larger than"},
      {"no XML", "POST", endpoint, "<html><body>hello", {}, 400, "not an XML document"},
      {"an empty body", "POST", endpoint, "", {}, 400, "no root element"},
      {"text after the root", "POST", endpoint, Request("noop") + "tail", {}, 400, "outside"},
      {"entity expansion", "POST", endpoint, billion_laughs, {}, 400, "document type"},
      {"an external entity", "POST", endpoint, external_entity, {}, 400, "document type"},
      {"deep nesting", "POST", endpoint, deep, {}, 400, "nested too deep"},
      {"another root", "POST", endpoint, kHead + "<html><Command/></html>", {}, 400, "root"},
      {"no command", "POST", endpoint, kHead + "<dorvupdater/>", {}, 400, "Command"},
      {"an unknown command", "POST", endpoint, Request("drop"), {}, 400, "unknown command"},
      {"too many programs", "POST", endpoint, Step1(ManyPrograms(3001)), {}, 413, "programs"},
      {"a program ID that is no number",
       "POST",
       endpoint,
       Step1("<Programm ID=\"x\" ClassType=\"tRegistryProgramm\"/>"),
       {},
       400,
       "program ID"},
      {"a negative program ID",
       "POST",
       endpoint,
       Step1("<Programm ID=\"-1\" ClassType=\"tRegistryProgramm\"/>"),
       {},
       400,
       "program ID"},
      {"GET on the endpoint", "GET", endpoint, "", {}, 405, "POST only"},
      {"PUT on the endpoint", "PUT", endpoint, Request("noop"), {}, 405, "POST only"},
      {"another path", "POST", "/updateservice1300.php", Request("noop"), {}, 404, "no such"},
  };
}

httplib::Result Send(httplib::Client& client, const HostileCase& c) {
  if (c.method == "GET") return client.Get(c.path, c.headers);
  if (c.method == "PUT") return client.Put(c.path, c.headers, c.body, "text/xml");
  return client.Post(c.path, c.headers, c.body, "text/xml");
}

TEST(ServiceHostileInputTest, EachIsRefusedWithAnErrorDocumentAndTheServiceGoesOn) {
  RunningService service;
  ServiceTransport transport;
  transport.url = ServiceAddress(false, service.ServiceUrl());
  for (const HostileCase& c : Cases()) {
    SCOPED_TRACE(c.what);
    httplib::Client client("127.0.0.1", service.Port());
    client.set_decompress(true);
    const httplib::Result result = Send(client, c);

    ASSERT_TRUE(result) << httplib::to_string(result.error());
    EXPECT_EQ(result->status, c.status);
    EXPECT_THAT(result->body, StartsWith(kHead.substr(0, kHead.size() - 2) + "<error status=\"" +
                                         std::to_string(c.status) + "\">"));
    if (c.reason) {
      EXPECT_THAT(result->body, HasSubstr(c.reason));
    }
    EXPECT_THAT(result->body, testing::Not(HasSubstr("root:")));
    EXPECT_NO_THROW(EnsureServiceReachable(transport));
  }
  EXPECT_THAT(service.Log(), HasSubstr("refused: unknown command"));
}

// The error document is no answer that judges nothing: the client's check fails.
TEST(ServiceHostileInputTest, ARefusedStep1FailsTheClientsCheck) {
  RunningService service(3, {}, WithMaxBody(1024));
  std::vector<std::unique_ptr<Program>> programs;
  for (int i = 0; i < 40; ++i) {
    programs.push_back(RegistryEntry("Program " + std::to_string(i), "1.0"));
  }

  EXPECT_THROW(Check(service, {ClientGuid(1)}, std::move(programs)), Error);
  EXPECT_THAT(service.Log(), HasSubstr("status=413 "));
}

TEST(ServiceHostileInputTest, MarkupAndSqlInNamesAreKeptAsText) {
  RunningService service(1);
  const std::string name = "<script>alert(1)</script>'); DROP TABLE programs; -- ]]> &amp;";
  const std::string publisher = "Robert'); DELETE FROM versions; --";

  std::vector<std::unique_ptr<Program>> programs;
  programs.push_back(RegistryEntry(name, "1.0", publisher, "Key \"quoted\" <b>"));
  const VerdictList records = Check(service, {ClientGuid(1)}, std::move(programs));

  EXPECT_EQ(records.Items(0).status, ProgramStatus::Current);
  EXPECT_EQ(records.Items(0).vendor, publisher);
  const std::vector<service::CatalogEntry> catalog = service.Store().Export();
  ASSERT_EQ(catalog.size(), 1u);
  EXPECT_EQ(catalog[0].program.name, name);
  EXPECT_EQ(catalog[0].program.publisher, publisher);
  EXPECT_EQ(catalog[0].program.identity,
            "registry:key \"quoted\" <b>|robert'); delete from versions; --");
  ASSERT_EQ(catalog[0].versions.size(), 1u);
  EXPECT_EQ(service.Store().Counts(1).versions, 1);
}

}  // namespace
}  // namespace lintrove::test
