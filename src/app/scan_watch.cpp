#include "app/scan_watch.h"

#include <QStatusBar>

#include "app/app_texts.h"
#include "base/format.h"

namespace lintrove::app {

ScanWatch::ScanWatch(QWidget& window, QStatusBar& statusBar, const std::atomic<bool>& cancel)
    : dialog_(&window),
      statusBar_(statusBar),
      reports_(cancel),
      pump_(reports_, [this](const HeldReport& report) { Show(report); }) {
  // At once, so that even a scan quicker than the first report is seen to happen.
  dialog_.show();
}

void ScanWatch::Show(const HeldReport& report) {
  dialog_.ShowReport(report.View());
  statusBar_.showMessage(
      QString::fromStdString(Format(LoadResString(ResString::ReadingProgram), report.item)));
}

}  // namespace lintrove::app
