#pragma once

#include <QDialog>

#include "base/progress.h"

class QLabel;
class QProgressBar;

namespace lintrove::app {

// Shows how far a scan has come: the source being read, the program just read, how many of how
// many. Modeless, with no close button: the scan ends it by destroying it.
class ScanProgressDialog : public QDialog {
  Q_OBJECT

 public:
  explicit ScanProgressDialog(QWidget* parent);

  // Shows one report of a source, and the dialog with it. Processes no events: the scan decides
  // when the window repaints.
  void ShowReport(const ProgressReport& report);

  // Escape and the window manager's close leave the dialog open: the scan goes on regardless.
  void reject() override {}

 private:
  QLabel* activity_;
  QProgressBar* progress_;
  QLabel* count_;
  QLabel* source_;
  QLabel* program_;
};

}  // namespace lintrove::app
