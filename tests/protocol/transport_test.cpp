#include "protocol/transport.h"

#include <gtest/gtest.h>
#include <chrono>
#include <regex>
#include <string>
#include <vector>

#include "base/error.h"
#include "base/format.h"
#include "base/resource_strings.h"
#include "inventory/registry_program.h"
#include "platform/posix/posix_registry.h"
#include "protocol/answer_document.h"
#include "protocol/nested_xml.h"
#include "protocol/test_http_server.h"
#include "protocol/update_response.h"
#include "protocol/verdict_reader.h"
#include "settings/client_settings.h"
#include "settings/system_settings.h"
#include "support/compression.h"
#include "support/error_of.h"
#include "support/temp_dir.h"

namespace lintrove {
namespace {

using test::ErrorOf;

using test::RawHttpServer;
using test::TestHttpServer;

constexpr std::string_view kOkAnswer = "<dorvupdater><status>ok</status></dorvupdater>";

ServiceTransport TransportTo(const std::string& service_url, platform::HttpLimits limits = {}) {
  ServiceTransport transport(platform::CreateHttp(limits));
  transport.url = ServiceAddress(false, service_url);
  return transport;
}

// Answers with a fixed body; the content type keeps the server from compressing it again.
TestHttpServer::Handler Answer(std::string body, std::string encoding = {}) {
  return [body = std::move(body), encoding = std::move(encoding)](const httplib::Request&,
                                                                  httplib::Response& response) {
    if (!encoding.empty()) response.set_header("Content-Encoding", encoding);
    response.set_content(body, "application/octet-stream");
  };
}

TEST(TransportTest, AddressIsTheSchemeBySslThenTheServiceSetting) {
  EXPECT_EQ(ServiceAddress(false, "updates.example.org/updateservice1400.php"),
            "http://updates.example.org/updateservice1400.php");
  EXPECT_EQ(ServiceAddress(true, "updates.example.org/updateservice1400.php"),
            "https://updates.example.org/updateservice1400.php");
  EXPECT_EQ(ServiceAddress(true, ""), "https://");
}

TEST(TransportTest, CreateTransportReadsTheAddressFromTheSettings) {
  test::TempDir dir;
  platform::PosixRegistry registry(dir.Path());
  ClientSettings client(registry);
  SystemSettings system(registry);
  system.StrServiceUrl = "updates.example.org/updateservice1400.php";
  client.bol_ssl = false;
  EXPECT_EQ(CreateTransport(client, system)->url,
            "http://updates.example.org/updateservice1400.php");
  client.bol_ssl = true;
  const auto transport = CreateTransport(client, system);
  // Read once, when the transport is made.
  system.StrServiceUrl = "elsewhere.example.org";
  EXPECT_EQ(transport->url, "https://updates.example.org/updateservice1400.php");
}

TEST(TransportTest, RequestGoesOutAsThePostOfTheRequestTextWithTheThreeHeadersInOrder) {
  const std::string answer =
      "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(kOkAnswer.size()) +
      "\r\nConnection: close\r\n\r\n" + std::string(kOkAnswer);
  RawHttpServer server(answer);
  {
    ServiceTransport transport = TransportTo(server.ServiceUrl());
    EXPECT_EQ(transport.Ping(), "ok");
  }
  const std::string request = server.ReceivedRequest();
  const std::string body = ServiceTransport::CommandXml("noop");
  EXPECT_EQ(body,
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<dorvupdater><Command><str_command>"
            "<![CDATA[noop]]></str_command></Command></dorvupdater>\r\n");

  const std::size_t header_end = request.find("\r\n\r\n");
  ASSERT_NE(header_end, std::string::npos) << request;
  EXPECT_TRUE(request.starts_with("POST /updateservice1400.php HTTP/1.1\r\n")) << request;
  EXPECT_EQ(request.substr(header_end + 4), body);
  const std::size_t type = request.find("\r\nContent-Type: text/xml; charset=UTF-8\r\n");
  const std::size_t agent = request.find("\r\nUser-Agent: DK-UpdateClient\r\n");
  const std::size_t encoding = request.find("\r\nAccept-Encoding: gzip, deflate\r\n");
  ASSERT_NE(type, std::string::npos) << request;
  ASSERT_NE(agent, std::string::npos) << request;
  ASSERT_NE(encoding, std::string::npos) << request;
  EXPECT_LT(type, agent);
  EXPECT_LT(agent, encoding);
  // No headers of the library's own beyond what HTTP needs.
  EXPECT_EQ(request.find("\r\nAccept:"), std::string::npos) << request;
  EXPECT_EQ(request.find("\r\nExpect:"), std::string::npos) << request;
}

TEST(TransportTest, UnicodeRequestTextIsSentAsUtf8) {
  std::string received;
  TestHttpServer server([&](const httplib::Request& request, httplib::Response& response) {
    received = request.body;
    response.set_content(std::string(kOkAnswer), "text/xml");
  });
  ServiceTransport transport = TransportTo(server.ServiceUrl());
  transport.Send("<x>Größe 日本</x>");
  EXPECT_EQ(received, "<x>Größe 日本</x>");
}

TEST(TransportTest, CompressedAnswersAreDecoded) {
  const std::string xml =
      "<dorvupdater><status>ok</status><pad>" + std::string(5000, 'x') + "</pad></dorvupdater>";
  const struct {
    const char* encoding;
    std::string body;
  } cases[] = {{"gzip", test::Compress(xml, 31)}, {"deflate", test::Compress(xml, 15)}, {"", xml}};
  for (const auto& c : cases) {
    TestHttpServer server(Answer(c.body, c.encoding));
    ServiceTransport transport = TransportTo(server.ServiceUrl());
    EXPECT_EQ(transport.Ping(), "ok") << c.encoding;
  }
}

TEST(TransportTest, PingGivesTheOneStatusTextOrXmlFehler) {
  const struct {
    std::string answer;
    std::string ping;
  } cases[] = {
      {"<dorvupdater><status>ok</status></dorvupdater>", "ok"},
      {"<dorvupdater><status>OK</status></dorvupdater>", "OK"},
      {"<any><deep><status>down</status></deep></any>", "down"},
      {"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<!-- Dienst -->\n<!DOCTYPE dorvupdater>"
       "<dorvupdater><status>ok</status></dorvupdater>\r\n",
       "ok"},
      {"<dorvupdater>" + test::Nested("<status>" + test::Nested("ok") + "</status>") +
           "</dorvupdater>",
       "ok"},
      {"<dorvupdater><status>ok</status><status>ok</status></dorvupdater>", "xml fehler"},
      {"<dorvupdater></dorvupdater>", "xml fehler"},
      {"<!DOCTYPE html>\n<html><head><title>500 Internal Server Error</title></head><body>"
       "<h1>Internal Server Error</h1><p>The server encountered an error.<br></p><hr>"
       "</body></html>",
       "xml fehler"},
      {"<status>ok</status>trailing", "xml fehler"},
      {"<status>ok</status><status>ok</status>", "xml fehler"},
      {"ok", "xml fehler"},
      {"", "xml fehler"},
  };
  for (const auto& c : cases) {
    TestHttpServer server(Answer(c.answer));
    ServiceTransport transport = TransportTo(server.ServiceUrl());
    EXPECT_EQ(transport.Ping(), c.ping) << c.answer;
  }
}

TEST(TransportTest, AnswerCountsOnlyAsADocumentWhateverTheHttpStatus) {
  TestHttpServer server([](const httplib::Request&, httplib::Response& response) {
    response.status = 500;
    response.set_content(std::string(kOkAnswer), "application/octet-stream");
  });
  ServiceTransport transport = TransportTo(server.ServiceUrl());
  EXPECT_EQ(transport.Ping(), "ok");
}

TEST(TransportTest, ReachabilityAcceptsOkInAnyCaseAndWrapsEveryFailure) {
  const std::string wrapped_prefix =
      "Es ist beim Verbinden zum Server ein Fehler aufgetreten.\r\nDie Fehlermeldung ist: \r\n";
  const struct {
    std::string answer;
    std::string error;
  } cases[] = {
      {"<dorvupdater><status>OK</status></dorvupdater>", "no error"},
      {"<dorvupdater><status>Ok</status></dorvupdater>", "no error"},
      {"<dorvupdater><status>nein</status></dorvupdater>",
       wrapped_prefix + "Der Dienst konnte nicht erreicht werden.\r\n"},
      {"<html><body>Fehler<br></body></html>",
       wrapped_prefix + "Der Dienst konnte nicht erreicht werden.\r\n"},
  };
  for (const auto& c : cases) {
    TestHttpServer server(Answer(c.answer));
    ServiceTransport transport = TransportTo(server.ServiceUrl());
    EXPECT_EQ(ErrorOf([&] { EnsureServiceReachable(transport); }), c.error) << c.answer;
  }
}

TEST(TransportTest, ConnectionFailuresRaiseTheLibrarysMessage) {
  std::string refused_url;
  {
    TestHttpServer server(Answer(std::string(kOkAnswer)));
    refused_url = server.ServiceUrl();
  }
  const std::string port = refused_url.substr(10, refused_url.find('/') - 10);
  const struct {
    std::string service_url;
    std::string message_part;
  } cases[] = {
      {refused_url, "Failed to connect to 127.0.0.1 port " + port},
      {"nonexistent.invalid/updateservice1400.php", "Could not resolve host: nonexistent.invalid"},
      {"", "URL"},
  };
  for (const auto& c : cases) {
    ServiceTransport transport = TransportTo(c.service_url);
    const std::string direct = ErrorOf([&] { transport.Send("<x/>"); });
    EXPECT_NE(direct.find(c.message_part), std::string::npos) << direct;
    const std::string wrapped = ErrorOf([&] { EnsureServiceReachable(transport); });
    // The library says how long it tried, which differs between the two tries.
    const auto untimed = [](const std::string& message) {
      return std::regex_replace(message, std::regex("after [0-9]+ ms"), "after some ms");
    };
    EXPECT_EQ(untimed(wrapped),
              untimed(Format(LoadResString(ResString::ConnectionFailed), direct)));
  }
}

// What kind of failure an exchange ended in, and its message.
struct Failure {
  std::string kind;
  std::string message;
};

Failure FailureOfSend(ServiceTransport& transport) {
  try {
    transport.Send("<x/>");
  } catch (const AnswerNotXml& error) {
    return {"not xml", error.what()};
  } catch (const Error& error) {
    return {"connection", error.what()};
  }
  return {"none", ""};
}

TEST(TransportTest, AnAnswerThatIsNoXmlDocumentFailsTheExchangeWithTheReasonAndStatus) {
  const std::string not_xml = "Die Antwort des Servers ist kein XML-Dokument: ";
  const struct {
    int status;
    std::string body;
    std::string message_start;
    std::string message_end;
  } cases[] = {
      {500,
       "<!DOCTYPE html>\n<html><head><title>500 Internal Server Error</title></head><body>"
       "<h1>Internal Server Error</h1><br></body></html>",
       not_xml, "(bei Byte 117)."},
      {200, "<dorvupdater><ProgrammVersionliste><Programm ID=\"0\" Status=\"supp", not_xml,
       "(bei Byte 60)."},
      {200, "<dorvupdater/>\n<b>Warning</b>: trailing output", not_xml + "Sie hat nicht", "."},
      {502, "Bad Gateway", not_xml + "Sie hat nicht", "."},
      {200, "", "Die Antwort des Servers ist leer.", ""},
      {500, "\r\n", "Die Antwort des Servers ist leer.", ""},
  };
  for (const auto& c : cases) {
    TestHttpServer server([&](const httplib::Request&, httplib::Response& response) {
      response.status = c.status;
      response.set_content(c.body, "text/html");
    });
    ServiceTransport transport = TransportTo(server.ServiceUrl());
    const Failure failure = FailureOfSend(transport);
    EXPECT_EQ(failure.kind, "not xml") << c.body;
    EXPECT_TRUE(failure.message.starts_with(c.message_start)) << failure.message;
    EXPECT_TRUE(failure.message.ends_with(
        c.message_end + "\r\nHTTP-Status der Antwort: " + std::to_string(c.status)))
        << failure.message;
    // The reachability test reads such an answer as a service that is not there.
    EXPECT_EQ(transport.Ping(), "xml fehler") << c.body;
  }
}

TEST(TransportTest, AConnectionClosedEarlyIsAConnectionErrorAndACutAnswerIsNoXml) {
  const struct {
    std::string name;
    std::string answer;
    Failure expected;
  } cases[] = {
      {"closed before the headers", "", {"connection", "Empty reply from server"}},
      {"closed inside the headers",
       "HTTP/1.1 200 OK\r\nContent-Type: text/xml\r\nContent-Len",
       {"connection",
        "Der Server hat die Verbindung beendet, bevor der Kopf seiner Antwort vollständig war."}},
      {"closed before the announced length",
       "HTTP/1.1 200 OK\r\nContent-Length: 500\r\n\r\n<dorvupdater><Programm",
       {"connection", "transfer closed with 478 bytes remaining to read"}},
      {"closed where the body ends by the connection",
       "HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n<dorvupdater><ProgrammVersionliste>",
       {"not xml", "Die Antwort des Servers ist kein XML-Dokument: "}},
  };
  for (const auto& c : cases) {
    RawHttpServer server(c.answer);
    ServiceTransport transport = TransportTo(server.ServiceUrl());
    const Failure failure = FailureOfSend(transport);
    EXPECT_EQ(failure.kind, c.expected.kind) << c.name << ": " << failure.message;
    EXPECT_NE(failure.message.find(c.expected.message), std::string::npos)
        << c.name << ": " << failure.message;
  }
}

TEST(TransportTest, AWellFormedAnswerThatNamesNothingIsACompletedExchange) {
  for (const std::string body :
       {"<dorvupdater/>",
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<dorvupdater>"
        "<ProgrammVersionliste></ProgrammVersionliste></dorvupdater>\r\n"}) {
    TestHttpServer server(Answer(body));
    ServiceTransport transport = TransportTo(server.ServiceUrl());
    RegistryProgram program;
    ProgramRefList sent;
    sent.Add(&program);
    VerdictList records;
    records.Add(std::make_unique<ProgramVerdict>());
    const std::unique_ptr<pugi::xml_document> answer = transport.Send("<x/>");
    EXPECT_NO_THROW(VerdictReader::ReadVerdicts(sent, *answer, records)) << body;
    EXPECT_EQ(records.Items(0).status, ProgramStatus::Unknown);
    UpdateResponse response;
    EXPECT_EQ(ErrorOf([&] { UpdateResponseReader::Parse(*answer, response); }), "XML Fehler");
    EXPECT_EQ(transport.Ping(), "xml fehler");
  }
}

TEST(TransportTest, CertificatesAreChecked) {
  TestHttpServer server(Answer(std::string(kOkAnswer)),
                        LINTROVE_PROTOCOL_TEST_DIR "/self_signed_cert.pem",
                        LINTROVE_PROTOCOL_TEST_DIR "/self_signed_key.pem");
  ServiceTransport transport(platform::CreateHttp());
  transport.url = ServiceAddress(true, server.ServiceUrl());
  const std::string error = ErrorOf([&] { transport.Send("<x/>"); });
  EXPECT_NE(error.find("SSL certificate problem: self-signed certificate"), std::string::npos)
      << error;
}

TEST(TransportTest, StalledServerFailsAfterTheStallLimit) {
  RawHttpServer silent;
  ServiceTransport transport =
      TransportTo(silent.ServiceUrl(), {.stall_timeout = std::chrono::milliseconds(300)});
  const auto started = std::chrono::steady_clock::now();
  EXPECT_EQ(ErrorOf([&] { transport.Send("<x/>"); }),
            "Der Server hat 1 Sekunden lang keine Daten gesendet; die Anfrage wurde abgebrochen.");
  EXPECT_GE(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(300));
  // The request had gone out in full before the wait began.
  EXPECT_TRUE(silent.ReceivedRequest().ends_with("\r\n\r\n<x/>"));
}

TEST(TransportTest, OversizedAnswersAreRefusedAlsoWhenCompressed) {
  const std::string large =
      "<dorvupdater><pad>" + std::string(100000, 'x') + "</pad></dorvupdater>";
  const struct {
    const char* encoding;
    std::string body;
  } cases[] = {
      {"", large}, {"gzip", test::Compress(large, 31)}, {"deflate", test::Compress(large, 15)}};
  for (const auto& c : cases) {
    ASSERT_LT(c.body.size(), c.encoding[0] ? 4096u : 200000u);
    TestHttpServer server(Answer(c.body, c.encoding));
    ServiceTransport transport = TransportTo(server.ServiceUrl(), {.max_answer_bytes = 64 * 1024});
    EXPECT_EQ(ErrorOf([&] { transport.Send("<x/>"); }),
              "Die Antwort des Servers ist größer als 64 kByte und wurde nicht gelesen.")
        << c.encoding;
  }
  // Just below the limit is read.
  TestHttpServer server(Answer(large));
  ServiceTransport transport = TransportTo(server.ServiceUrl(), {.max_answer_bytes = large.size()});
  EXPECT_EQ(transport.Send("<x/>")->document_element().name(), std::string("dorvupdater"));
}

TEST(TransportTest, OneTransportCarriesSeveralRequests) {
  std::vector<int> client_ports;
  TestHttpServer server([&](const httplib::Request& request, httplib::Response& response) {
    client_ports.push_back(request.remote_port);
    response.set_content("<r><n>" + request.body + "</n></r>", "text/xml");
  });
  ServiceTransport transport = TransportTo(server.ServiceUrl());
  for (const char* body : {"eins", "zwei", "drei"}) {
    EXPECT_EQ(TextContent(transport.Send(body)->document_element()), body);
  }
  // All over one connection.
  ASSERT_EQ(client_ports.size(), 3u);
  EXPECT_EQ(client_ports[0], client_ports[1]);
  EXPECT_EQ(client_ports[1], client_ports[2]);
}

}  // namespace
}  // namespace lintrove
