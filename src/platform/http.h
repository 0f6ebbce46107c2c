#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "base/error.h"

namespace lintrove::platform {

struct HttpHeader {
  std::string name;
  std::string value;
};

// Guards against a service that hangs or floods: without them a request could block the window
// forever or exhaust the memory.
struct HttpLimits {
  // The longest time without a byte moving in either direction, connecting included.
  std::chrono::milliseconds stall_timeout = std::chrono::seconds(60);
  // The largest answer accepted, counted after a content encoding has been undone.
  std::size_t max_answer_bytes = 64 * 1024 * 1024;
};

// Told how far an exchange has come (total 0: unknown); returns false to cancel it.
using HttpProgress = std::function<bool(std::uint64_t received, std::uint64_t total)>;

struct HttpAnswer {
  long status = 0;
  std::string body;  // a gzip or deflate content encoding already undone
};

// Takes the body of a download as it arrives; it may raise to end the download.
using HttpSink = std::function<void(std::string_view bytes)>;

// The exchange was cancelled through the progress callback.
class HttpCancelled : public Error {
 public:
  using Error::Error;
};

// One connection to web servers, reused for all its requests. Certificates are checked against
// the system's. Failures raise lintrove::Error with the HTTP library's message.
class Http {
 public:
  virtual ~Http() = default;
  // Sends the headers in the given order, and no others but those HTTP itself needs.
  virtual HttpAnswer Post(const std::string& url, std::span<const HttpHeader> headers,
                          std::string_view body, const HttpProgress& progress = {}) = 0;
  // GETs `url` and hands its body to `sink` as it arrives. An answer with an HTTP error status
  // (400 and above) fails the download before any of its body reaches the sink: an error page
  // is no file. Only the stall limit applies, not the answer size limit.
  virtual void Download(const std::string& url, const HttpSink& sink,
                        const HttpProgress& progress = {}) = 0;
};

std::unique_ptr<Http> CreateHttp(HttpLimits limits = {});

}  // namespace lintrove::platform
