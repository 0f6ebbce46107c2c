#include "app/self_update_windows.h"

#include <QMessageBox>
#include <QWidget>

#include "app/app_texts.h"
#include "app/download_window.h"
#include "app/message_box.h"
#include "app/update_dialog.h"
#include "platform/client_version.h"

namespace lintrove::app {
namespace {

SelfUpdateAnswer AnswerOf(int result) {
  switch (result) {
    case UpdateDialog::UpdateNow:
      return SelfUpdateAnswer::UpdateNow;
    case UpdateDialog::Later:
      return SelfUpdateAnswer::Later;
    default:
      return SelfUpdateAnswer::Close;
  }
}

}  // namespace

SelfUpdateWindows::SelfUpdateWindows(QWidget& window, BackgroundTask& task)
    : window_(window),
      task_(task),
      download_(task.CancelRequested()),
      pump_(download_, [this](const HeldReport& report) { ShowDownload(report); }) {}

SelfUpdateWindows::~SelfUpdateWindows() = default;

SelfUpdateFrontEnd SelfUpdateWindows::FrontEnd() {
  return {
      .ask =
          [this](const SelfUpdateOffer& offer) {
            const UpdateResponse response = offer.response;
            const bool manual = offer.manual;
            const int comparison = offer.comparison;
            return task_.Ask<SelfUpdateAnswer>(
                [this, response, manual, comparison](std::function<void(SelfUpdateAnswer)> reply) {
                  auto* dialog = new UpdateDialog(&window_);
                  dialog->setAttribute(Qt::WA_DeleteOnClose);
                  dialog->Prepare(response, manual, ClientVersion(), comparison);
                  connect(dialog, &QDialog::finished, this, [this, reply](int result) {
                    // The progress window comes at once, not with the download's first report.
                    if (AnswerOf(result) == SelfUpdateAnswer::UpdateNow) ShowDownload({});
                    reply(AnswerOf(result));
                  });
                  dialog->open();
                });
          },
      .download = &download_,
      .inform =
          [this](const std::string& message) {
            task_.Ask<bool>([this, message](std::function<void(bool)> reply) {
              pump_.Flush();
              downloadWindow_.reset();
              MessageBox::Open(&window_, QMessageBox::Information, QString::fromStdString(message),
                               QMessageBox::Ok,
                               [reply](QMessageBox::StandardButton) { reply(true); });
            });
          },
  };
}

void SelfUpdateWindows::ShowDownload(const HeldReport& report) {
  if (!downloadWindow_) {
    downloadWindow_ = std::make_unique<DownloadWindow>(&window_);
    connect(downloadWindow_.get(), &DownloadWindow::cancelRequested, this,
            [this] { download_.Stop(); });
    downloadWindow_->show();
  }
  downloadWindow_->ShowProgress(report.position, report.total);
}

}  // namespace lintrove::app
