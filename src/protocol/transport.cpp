#include "protocol/transport.h"

#include <array>
#include <new>

#include "base/format.h"
#include "base/resource_strings.h"
#include "protocol/answer_document.h"
#include "protocol/request_writer.h"
#include "settings/client_settings.h"
#include "settings/system_settings.h"

namespace lintrove {
namespace {

const std::array<platform::HttpHeader, 3> kRequestHeaders = {{
    {"Content-Type", "text/xml; charset=UTF-8"},
    {"User-Agent", "DK-UpdateClient"},
    {"Accept-Encoding", "gzip, deflate"},
}};

constexpr std::string_view kXmlError = "xml fehler";

}  // namespace

std::string ServiceAddress(bool ssl, std::string_view service_url) {
  std::string address = ssl ? "https://" : "http://";
  address += service_url;
  return address;
}

ServiceTransport::ServiceTransport(std::unique_ptr<platform::Http> http) : http_(std::move(http)) {}

std::unique_ptr<pugi::xml_document> ServiceTransport::Send(std::string_view body) {
  platform::HttpProgress http_progress;
  if (progress != nullptr) {
    http_progress = [this](std::uint64_t received, std::uint64_t total) {
      return progress->Report(
          {url, {}, static_cast<std::int64_t>(received), static_cast<std::int64_t>(total)});
    };
  }
  platform::HttpAnswer answer;
  try {
    answer = http_->Post(url, kRequestHeaders, body, http_progress);
  } catch (const platform::HttpCancelled&) {
    throw Cancelled();
  }
  auto document = std::make_unique<pugi::xml_document>();
  try {
    ParseAnswer(answer.body, *document);
  } catch (const AnswerNotXml& error) {
    // An error page usually says more by its status than by its text.
    throw AnswerNotXml(
        Format(LoadResString(ResString::AnswerHttpStatus), error.what(), answer.status));
  }
  return document;
}

std::string ServiceTransport::CommandXml(std::string_view word) {
  RequestWriter writer;
  writer.AddCommand(ServiceCommand(std::string(word)));
  return writer.GetXml();
}

std::string ServiceTransport::Ping() {
  std::unique_ptr<pugi::xml_document> answer;
  try {
    answer = Send(CommandXml("noop"));
  } catch (const AnswerNotXml&) {
    // A service that answers, but not with its document, counts as not reached.
    return std::string(kXmlError);
  }
  const pugi::xpath_node_set statuses = answer->select_nodes("//status");
  if (statuses.size() != 1) return std::string(kXmlError);
  return TextContent(statuses.first().node());
}

std::unique_ptr<ServiceTransport> CreateTransport(const ClientSettings& client,
                                                  const SystemSettings& system,
                                                  std::unique_ptr<platform::Http> http) {
  auto transport = std::make_unique<ServiceTransport>(std::move(http));
  transport->url = ServiceAddress(client.bol_ssl, system.StrServiceUrl);
  return transport;
}

void EnsureServiceReachable(ServiceTransport& transport) {
  try {
    if (LowerAscii(transport.Ping()) != "ok") {
      throw Error(LoadResString(ResString::ServiceUnreachable));
    }
  } catch (const std::bad_alloc&) {
    throw;
  } catch (const Abort&) {
    throw;
  } catch (const std::exception& error) {
    throw Error(Format(LoadResString(ResString::ConnectionFailed), error.what()));
  }
}

}  // namespace lintrove
