#pragma once

#include <QObject>
#include <QPointer>
#include <memory>

#include "app/background_task.h"
#include "app/progress_mailbox.h"
#include "flows/self_update.h"

class QWidget;

namespace lintrove::app {

class DownloadWindow;

// The self-update in the client's windows: the update dialog for the offer, the progress window
// of the download, the message boxes. The flow runs in the window's background task; FrontEnd's
// callbacks, called there, open the windows on the GUI thread and wait for their answers. Lives
// until the task has ended.
class SelfUpdateWindows : public QObject {
  Q_OBJECT

 public:
  SelfUpdateWindows(QWidget& window, BackgroundTask& task);
  ~SelfUpdateWindows() override;

  SelfUpdateFrontEnd FrontEnd();

 private:
  void ShowDownload(const HeldReport& report);

  QWidget& window_;
  BackgroundTask& task_;
  ProgressMailbox download_;
  ProgressPump pump_;
  std::unique_ptr<DownloadWindow> downloadWindow_;
};

}  // namespace lintrove::app
