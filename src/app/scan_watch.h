#pragma once

#include <QObject>
#include <atomic>

#include "app/progress_mailbox.h"
#include "app/scan_progress_dialog.h"

class QStatusBar;

namespace lintrove::app {

// What a running scan shows: the wait dialog with the source and the program being read, and
// "Lese %s" in the status bar, both brought up to date at most about 30 times a second from the
// reports the scan leaves in Reports(). Gone with the scan.
class ScanWatch {
 public:
  ScanWatch(QWidget& window, QStatusBar& statusBar, const std::atomic<bool>& cancel);
  ScanWatch(const ScanWatch&) = delete;
  ScanWatch& operator=(const ScanWatch&) = delete;

  ProgressMailbox& Reports() { return reports_; }

 private:
  void Show(const HeldReport& report);

  ScanProgressDialog dialog_;
  QStatusBar& statusBar_;
  ProgressMailbox reports_;
  ProgressPump pump_;
};

}  // namespace lintrove::app
