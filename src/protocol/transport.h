#pragma once

#include <memory>
#include <string>
#include <string_view>

#include <pugixml.hpp>

#include "base/progress.h"
#include "platform/http.h"

namespace lintrove {

class ClientSettings;
class SystemSettings;

// The endpoint address: "http" or "https" by the SSL switch, "://", then the service setting
// (host and path, without a scheme).
std::string ServiceAddress(bool ssl, std::string_view service_url);

// Carries the requests of one user action to the service and brings the answers back as
// documents. All requests of a transport go through one connection.
class ServiceTransport {
 public:
  explicit ServiceTransport(std::unique_ptr<platform::Http> http = platform::CreateHttp());

  std::string url;
  // Told how much of each answer has arrived (activity: the address); may cancel the exchange.
  ProgressObserver* progress = nullptr;

  // POSTs the request text and parses the answer. The HTTP status is not looked at: an answer
  // counts only as a document. One that is no XML document raises AnswerNotXml, whose message
  // names the HTTP status too; failures of the connection, one closed before the answer's header
  // was complete included, raise the HTTP library's message.
  std::unique_ptr<pugi::xml_document> Send(std::string_view body);

  // The text of a request holding only a "Command" element with `word`.
  static std::string CommandXml(std::string_view word);

  // Sends "noop": the text of the answer's one "status" element, or "xml fehler" when there is
  // none or more than one, or the answer is no XML document. Failures of the connection raise.
  std::string Ping();

 private:
  std::unique_ptr<platform::Http> http_;
};

// The transport for the service the settings name, read once, now.
std::unique_ptr<ServiceTransport> CreateTransport(
    const ClientSettings& client, const SystemSettings& system,
    std::unique_ptr<platform::Http> http = platform::CreateHttp());

// The reachability test every exchange with the service starts with: Ping must give "ok" in any
// letter case. Any failure, a wrong answer included, raises the connection message with the
// underlying message in it.
void EnsureServiceReachable(ServiceTransport& transport);

}  // namespace lintrove
