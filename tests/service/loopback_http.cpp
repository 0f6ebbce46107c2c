#include "loopback_http.h"

#include <httplib.h>

#include <regex>

namespace lintrove::test {

platform::HttpAnswer LoopbackHttp::Post(const std::string& url,
                                        std::span<const platform::HttpHeader> headers,
                                        std::string_view body, const platform::HttpProgress&) {
  std::smatch parts;
  if (!std::regex_match(url, parts, std::regex(R"(http://([^/:]+):([0-9]+)(/.*))"))) {
    throw Error("LoopbackHttp takes http://HOST:PORT/PATH, not " + url);
  }
  httplib::Client client(parts[1].str(), std::stoi(parts[2].str()));
  client.set_interface(source_address_);
  // As long as the client's own HTTP waits (HttpLimits::stall_timeout).
  client.set_read_timeout(std::chrono::seconds(60));
  httplib::Headers sent;
  std::string content_type = "text/xml";
  for (const platform::HttpHeader& header : headers) {
    // The answer is read as it comes: no compression asked for.
    if (header.name == "Accept-Encoding") continue;
    if (header.name == "Content-Type") {
      content_type = header.value;
      continue;
    }
    sent.emplace(header.name, header.value);
  }
  const httplib::Result result =
      client.Post(parts[3].str(), sent, body.data(), body.size(), content_type);
  if (!result)
    throw Error("HTTP from " + source_address_ + ": " + httplib::to_string(result.error()));
  return {result->status, result->body};
}

void LoopbackHttp::Download(const std::string&, const platform::HttpSink&,
                            const platform::HttpProgress&) {
  throw Error("LoopbackHttp does not download");
}

}  // namespace lintrove::test
