#include "app/progress_mailbox.h"

#include <utility>

namespace lintrove::app {

bool ProgressMailbox::Report(const ProgressReport& report) {
  {
    std::lock_guard lock(mutex_);
    newest_ = HeldReport{std::string(report.activity), std::string(report.item), report.position,
                         report.total};
  }
  return !cancel_ && !stopped_;
}

std::optional<HeldReport> ProgressMailbox::Take() {
  std::lock_guard lock(mutex_);
  return std::exchange(newest_, std::nullopt);
}

ProgressPump::ProgressPump(ProgressMailbox& mailbox, std::function<void(const HeldReport&)> show,
                           QObject* parent)
    : QObject(parent), mailbox_(mailbox), show_(std::move(show)) {
  connect(&timer_, &QTimer::timeout, this, &ProgressPump::Flush);
  timer_.start(kIntervalMs);
}

void ProgressPump::Flush() {
  if (std::optional<HeldReport> report = mailbox_.Take()) show_(*report);
}

}  // namespace lintrove::app
