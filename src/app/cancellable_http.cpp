#include "app/cancellable_http.h"

#include "base/resource_strings.h"

namespace lintrove::app {

CancellableHttp::CancellableHttp(std::unique_ptr<platform::Http> http,
                                 const std::atomic<bool>& cancel)
    : http_(std::move(http)), cancel_(cancel) {}

platform::HttpAnswer CancellableHttp::Post(const std::string& url,
                                           std::span<const platform::HttpHeader> headers,
                                           std::string_view body,
                                           const platform::HttpProgress& progress) {
  ThrowIfCancelled();
  return http_->Post(url, headers, body, Cancellable(progress));
}

void CancellableHttp::Download(const std::string& url, const platform::HttpSink& sink,
                               const platform::HttpProgress& progress) {
  ThrowIfCancelled();
  http_->Download(url, sink, Cancellable(progress));
}

void CancellableHttp::ThrowIfCancelled() const {
  if (cancel_) throw platform::HttpCancelled(LoadResString(ResString::TransferCancelled));
}

platform::HttpProgress CancellableHttp::Cancellable(const platform::HttpProgress& progress) const {
  return [this, &progress](std::uint64_t received, std::uint64_t total) {
    return !cancel_ && (!progress || progress(received, total));
  };
}

}  // namespace lintrove::app
