#pragma once

#include <QDialog>
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

  // "&Abbruch" and Escape ask for the download to stop; it closes the window when it has.
  void reject() override { emit cancelRequested(); }

 signals:
  void cancelRequested();

 private:
  QProgressBar* progress_;
  QLabel* count_;
};

}  // namespace lintrove::app
