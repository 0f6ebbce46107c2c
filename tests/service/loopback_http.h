#pragma once

#include <string>

#include "platform/http.h"

namespace lintrove::test {

// Plain HTTP from a chosen loopback address (127.x.y.z: all of them are this machine's), so
// that one test can be many networks to the service. The client's own HTTP always sends from
// 127.0.0.1.
class LoopbackHttp : public platform::Http {
 public:
  explicit LoopbackHttp(std::string source_address) : source_address_(std::move(source_address)) {}

  platform::HttpAnswer Post(const std::string& url, std::span<const platform::HttpHeader> headers,
                            std::string_view body,
                            const platform::HttpProgress& progress = {}) override;
  // Not needed by the service's tests: raises.
  void Download(const std::string& url, const platform::HttpSink& sink,
                const platform::HttpProgress& progress = {}) override;

 private:
  std::string source_address_;
};

}  // namespace lintrove::test
