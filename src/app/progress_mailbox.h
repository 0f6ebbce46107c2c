#pragma once

#include <QObject>
#include <QTimer>
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>

#include "base/progress.h"

namespace lintrove::app {

// A report as the GUI thread keeps it: its texts copied out of the work's own.
struct HeldReport {
  std::string activity;
  std::string item;
  std::int64_t position = 0;
  std::int64_t total = 0;

  ProgressReport View() const { return {activity, item, position, total}; }
};

// Where work off the GUI thread leaves its reports: only the newest is kept, and the GUI thread
// collects it at its own pace (ProgressPump), so a fast scan never makes the window repaint once
// per program. A report is answered with false once `cancel` or Stop says so.
class ProgressMailbox final : public ProgressObserver {
 public:
  explicit ProgressMailbox(const std::atomic<bool>& cancel) : cancel_(cancel) {}

  bool Report(const ProgressReport& report) override;
  // The newest report not yet taken.
  std::optional<HeldReport> Take();
  void Stop() { stopped_ = true; }

 private:
  const std::atomic<bool>& cancel_;
  std::atomic<bool> stopped_ = false;
  std::mutex mutex_;
  std::optional<HeldReport> newest_;
};

// Shows the newest report of a mailbox at most about 30 times a second, on the GUI thread.
class ProgressPump : public QObject {
  Q_OBJECT

 public:
  static constexpr int kIntervalMs = 33;

  ProgressPump(ProgressMailbox& mailbox, std::function<void(const HeldReport&)> show,
               QObject* parent = nullptr);
  // Shows what is waiting now, without waiting for the next tick.
  void Flush();

 private:
  ProgressMailbox& mailbox_;
  std::function<void(const HeldReport&)> show_;
  QTimer timer_;
};

}  // namespace lintrove::app
