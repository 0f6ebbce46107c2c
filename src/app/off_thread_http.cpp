#include "app/off_thread_http.h"

#include <QEventLoop>
#include <QThread>
#include <exception>

#include "base/resource_strings.h"

namespace lintrove::app {

void RunOffGuiThread(const std::function<void()>& work, std::atomic<bool>& cancel) {
  std::exception_ptr failure;
  const std::unique_ptr<QThread> thread(QThread::create([&work, &failure] {
    try {
      work();
    } catch (...) {
      failure = std::current_exception();
    }
  }));
  QEventLoop loop;
  QObject::connect(thread.get(), &QThread::finished, &loop, &QEventLoop::quit,
                   Qt::QueuedConnection);
  thread->start();
  loop.exec();
  if (!thread->isFinished()) cancel = true;
  thread->wait();
  if (failure) std::rethrow_exception(failure);
}

OffThreadHttp::OffThreadHttp(std::unique_ptr<platform::Http> http, std::atomic<bool>& cancel)
    : http_(std::move(http)), cancel_(cancel) {}

platform::HttpAnswer OffThreadHttp::Post(const std::string& url,
                                         std::span<const platform::HttpHeader> headers,
                                         std::string_view body,
                                         const platform::HttpProgress& progress) {
  ThrowIfCancelled();
  platform::HttpAnswer answer;
  RunOffGuiThread([&] { answer = http_->Post(url, headers, body, Cancellable(progress)); },
                  cancel_);
  return answer;
}

void OffThreadHttp::Download(const std::string& url, const platform::HttpSink& sink,
                             const platform::HttpProgress& progress) {
  ThrowIfCancelled();
  RunOffGuiThread([&] { http_->Download(url, sink, Cancellable(progress)); }, cancel_);
}

void OffThreadHttp::ThrowIfCancelled() const {
  if (cancel_) throw platform::HttpCancelled(LoadResString(ResString::TransferCancelled));
}

platform::HttpProgress OffThreadHttp::Cancellable(const platform::HttpProgress& progress) const {
  return [this, &progress](std::uint64_t received, std::uint64_t total) {
    return !cancel_ && (!progress || progress(received, total));
  };
}

}  // namespace lintrove::app
