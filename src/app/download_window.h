#pragma once

#include <QDialog>
#include <atomic>
#include <cstdint>

class QLabel;
class QProgressBar;

namespace lintrove::app {

// The progress of the setup download (frm_downloadprogress): a bar, "%d von %d kByte" and
// "&Abbruch". Modeless and without a close box; the download ends it by destroying it.
class DownloadWindow : public QDialog {
  Q_OBJECT

 public:
  explicit DownloadWindow(QWidget* parent);

  void ShowProgress(std::int64_t received, std::int64_t total);
  // Set by "&Abbruch" (or Escape) and never cleared; the download reads it from its own thread.
  std::atomic<bool>& CancelRequested() { return cancelled_; }

  void reject() override { cancelled_ = true; }

 private:
  QProgressBar* progress_;
  QLabel* count_;
  std::atomic<bool> cancelled_ = false;
};

}  // namespace lintrove::app
