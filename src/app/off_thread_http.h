#pragma once

#include <atomic>
#include <functional>
#include <memory>

#include "platform/http.h"

namespace lintrove::app {

// Runs `work` on a thread of its own while the GUI thread waits in a local event loop, so that
// the windows repaint and take input meanwhile; an error of the work is raised again here. Should
// the loop be ended from outside (the application quits), `cancel` is set and the work awaited.
void RunOffGuiThread(const std::function<void()>& work, std::atomic<bool>& cancel);

// The exchanges of an Http, each run through RunOffGuiThread. Setting `cancel` ends the running
// exchange at its next progress report (at most a tenth of a second away) with HttpCancelled.
// The callers' progress callbacks and download sinks are called on the worker thread.
class OffThreadHttp final : public platform::Http {
 public:
  OffThreadHttp(std::unique_ptr<platform::Http> http, std::atomic<bool>& cancel);

  platform::HttpAnswer Post(const std::string& url, std::span<const platform::HttpHeader> headers,
                            std::string_view body, const platform::HttpProgress& progress) override;
  void Download(const std::string& url, const platform::HttpSink& sink,
                const platform::HttpProgress& progress) override;

 private:
  // A cancel that came between two exchanges stops the next before it starts.
  void ThrowIfCancelled() const;
  platform::HttpProgress Cancellable(const platform::HttpProgress& progress) const;

  std::unique_ptr<platform::Http> http_;
  std::atomic<bool>& cancel_;
};

}  // namespace lintrove::app
