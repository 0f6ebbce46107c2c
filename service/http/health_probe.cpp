#include "http/health_probe.h"

#include <exception>

namespace lintrove::service {

HealthProbe::HealthProbe(CatalogStore& store, std::chrono::milliseconds deadline)
    : store_(store), deadline_(deadline), asker_([this] { AskDatabase(); }) {}

HealthProbe::~HealthProbe() {
  {
    std::lock_guard lock(mutex_);
    finished_ = true;
  }
  changed_.notify_all();
  asker_.join();
}

void HealthProbe::AskDatabase() {
  std::unique_lock lock(mutex_);
  for (;;) {
    changed_.wait(lock, [&] { return asked_ || finished_; });
    if (finished_) return;
    lock.unlock();
    std::string failure;
    bool writable = true;
    try {
      store_.Ping();
      // A database that answers may still refuse every write (a full disk, a read-only
      // standby): the reports of the next clients would be lost.
      writable = store_.Writable();
    } catch (const std::exception& error) {
      failure = error.what();
      if (failure.empty()) failure = "unknown failure";
    }
    lock.lock();
    asked_ = false;
    failure_ = std::move(failure);
    writable_ = writable;
    ++answers_;
    changed_.notify_all();
  }
}

HealthProbe::Finding HealthProbe::Check() {
  std::unique_lock lock(mutex_);
  // A question still under way is not asked again: its answer is the one awaited.
  const std::uint64_t before = answers_;
  if (!asked_) {
    asked_ = true;
    changed_.notify_all();
  }
  if (!changed_.wait_for(lock, deadline_, [&] { return answers_ > before; })) {
    return {false, "database not answering",
            "the database did not answer within " + std::to_string(deadline_.count()) + " ms"};
  }
  if (!failure_.empty()) return {false, "database not answering", failure_};
  if (!writable_) {
    return {false, "the catalog cannot be written", "the database refused a trial write"};
  }
  if (write_failed_at_ && Clock::now() - *write_failed_at_ < kWriteFailureMemory) {
    return {false, "the catalog cannot be written", write_failure_};
  }
  return {};
}

void HealthProbe::WriteFailed(std::string detail) {
  std::lock_guard lock(mutex_);
  write_failed_at_ = Clock::now();
  write_failure_ = std::move(detail);
}

}  // namespace lintrove::service
