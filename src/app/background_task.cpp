#include "app/background_task.h"

#include <QMetaObject>

namespace lintrove::app {

BackgroundTask::BackgroundTask(QObject* parent) : QObject(parent) {}

BackgroundTask::~BackgroundTask() { CancelAndWait(); }

bool BackgroundTask::Start(std::function<void()> work, Done done) {
  if (running_) return false;
  // The thread of the work before has ended its work; its end may not have been delivered.
  if (thread_.joinable()) thread_.join();
  running_ = true;
  cancel_ = false;
  thread_ = std::thread([this, work = std::move(work), done = std::move(done)]() mutable {
    std::exception_ptr error;
    try {
      work();
    } catch (...) {
      error = std::current_exception();
    }
    PostToGui([this, done = std::move(done), error] {
      if (thread_.joinable()) thread_.join();
      running_ = false;
      done(error);
    });
  });
  return true;
}

void BackgroundTask::CancelAndWait() {
  cancel_ = true;
  if (thread_.joinable()) thread_.join();
}

void BackgroundTask::PostToGui(std::function<void()> call) {
  // Dropped when the task is gone: its window is then gone as well.
  QMetaObject::invokeMethod(this, std::move(call), Qt::QueuedConnection);
}

}  // namespace lintrove::app
