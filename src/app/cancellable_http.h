#pragma once

#include <atomic>
#include <memory>

#include "platform/http.h"

namespace lintrove::app {

// The exchanges of an Http that a flag can stop: setting `cancel` ends the running exchange at
// its next progress report (at most a tenth of a second away) with HttpCancelled, and keeps the
// next one from starting. Runs on the caller's thread, the window's background task.
class CancellableHttp final : public platform::Http {
 public:
  CancellableHttp(std::unique_ptr<platform::Http> http, const std::atomic<bool>& cancel);

  platform::HttpAnswer Post(const std::string& url, std::span<const platform::HttpHeader> headers,
                            std::string_view body, const platform::HttpProgress& progress) override;
  void Download(const std::string& url, const platform::HttpSink& sink,
                const platform::HttpProgress& progress) override;

 private:
  void ThrowIfCancelled() const;
  platform::HttpProgress Cancellable(const platform::HttpProgress& progress) const;

  std::unique_ptr<platform::Http> http_;
  const std::atomic<bool>& cancel_;
};

}  // namespace lintrove::app
