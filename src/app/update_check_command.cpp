#include "app/update_check_command.h"
#include "app/app_texts.h"

#include <QApplication>
#include <QKeySequence>
#include <QMainWindow>
#include <QPushButton>
#include <QShortcut>
#include <QStatusBar>
#include <filesystem>
#include <memory>

#include "app/download_window.h"
#include "app/message_box.h"
#include "app/off_thread_http.h"
#include "app/program_list.h"
#include "app/update_dialog.h"
#include "base/resource_strings.h"
#include "flows/setup_download.h"
#include "flows/update_check_flow.h"
#include "platform/client_version.h"
#include "platform/download_directory.h"
#include "platform/shell.h"

namespace lintrove::app {
namespace {

// Reports of the download, from its thread to the progress window. Cancelled by the window's
// "&Abbruch", and by the check's own cancel while the download runs within a check.
class DownloadObserver final : public ProgressObserver {
 public:
  DownloadObserver(DownloadWindow& window, const std::atomic<bool>& checkCancelled)
      : window_(window), checkCancelled_(checkCancelled) {}
  bool Report(const ProgressReport& report) override {
    const std::int64_t received = report.position;
    const std::int64_t total = report.total;
    QMetaObject::invokeMethod(
        &window_, [window = &window_, received, total] { window->ShowProgress(received, total); },
        Qt::QueuedConnection);
    return !window_.CancelRequested() && !checkCancelled_;
  }

 private:
  DownloadWindow& window_;
  const std::atomic<bool>& checkCancelled_;
};

}  // namespace

// While the commands talk to the service: the busy cursor (the window stays usable), and Escape
// or "Abbrechen" in the status bar to cancel.
class UpdateCheckCommand::Progress {
 public:
  Progress(QMainWindow& window, std::atomic<bool>& cancel)
      : cancelButton_(std::make_unique<QPushButton>(ResText(ResString::CancelCheck))),
        escape_(std::make_unique<QShortcut>(QKeySequence(Qt::Key_Escape), &window)) {
    cancel = false;
    cancelButton_->setObjectName(QStringLiteral("btn_cancelcheck"));
    cancelButton_->setFlat(true);
    window.statusBar()->addPermanentWidget(cancelButton_.get());
    cancelButton_->show();
    const auto requestCancel = [&cancel] { cancel = true; };
    QObject::connect(cancelButton_.get(), &QPushButton::clicked, requestCancel);
    QObject::connect(escape_.get(), &QShortcut::activated, requestCancel);
  }
  // The button and the shortcut leave the window with the object.
  Progress(const Progress&) = delete;
  Progress& operator=(const Progress&) = delete;

 private:
  std::unique_ptr<QPushButton> cancelButton_;
  std::unique_ptr<QShortcut> escape_;
  // Busy, not waiting: the cancel entry can still be clicked.
  OverrideCursor cursor_{Qt::BusyCursor};
};

UpdateCheckCommand::UpdateCheckCommand(UpdateCheckContext context) : context_(context) {}

UpdateCheckCommand::~UpdateCheckCommand() = default;

std::unique_ptr<ServiceTransport> UpdateCheckCommand::OpenTransport() {
  return CreateTransport(context_.client, context_.system,
                         std::make_unique<OffThreadHttp>(platform::CreateHttp(), cancel_));
}

void UpdateCheckCommand::CheckForUpdates(const StatusFilter& filter) {
  QStatusBar& status = *context_.window.statusBar();
  status.showMessage(ResText(ResString::AskingService));
  // The verdicts replace the versions the selected program shows, so the details panel lets go of
  // it first; the list cannot change its selection or marks while the service answers.
  context_.list.clearSelection();
  context_.list.setEnabled(false);
  struct Restore {
    UpdateCheckContext& context;
    bool completed = false;
    ~Restore() {
      context.list.setEnabled(true);
      if (!completed) context.window.statusBar()->clearMessage();
    }
  } restore{context_};
  Progress progress(context_.window, cancel_);

  const std::unique_ptr<ServiceTransport> transport = OpenTransport();
  std::vector<const Program*> programs = context_.list.CollectPrograms();
  ProgramRefList sent;
  for (const Program* program : programs) sent.Add(program);
  const UpdateCheckResult result = RunUpdateCheck(
      *transport, context_.client, sent, context_.records, [this](const UpdateResponse& response) {
        return OfferNewerClient(response, false) ? SelfUpdateChoice::Stop : SelfUpdateChoice::GoOn;
      });
  if (result != UpdateCheckResult::Completed) return;
  context_.list.Fill(context_.records, filter);
  status.showMessage(ResText(ResString::Done));
  restore.completed = true;
}

void UpdateCheckCommand::CheckForNewerClient() {
  UpdateResponse response;
  {
    Progress progress(context_.window, cancel_);
    response = AskForNewerClient(*OpenTransport(), CurrentClientFacts(context_.client));
  }
  OfferNewerClient(response, true);
}

bool UpdateCheckCommand::OfferNewerClient(const UpdateResponse& response, bool manual) {
  const int comparison = CompareWithThisClient(response);
  if (!manual && comparison >= 0) return false;
  int answer = UpdateDialog::Stop;
  {
    // The user is asked, nothing runs meanwhile.
    OverrideCursor cursor(Qt::ArrowCursor);
    UpdateDialog dialog(&context_.window);
    dialog.Prepare(response, manual, ClientVersion(), comparison);
    answer = dialog.exec();
  }
  switch (answer) {
    case UpdateDialog::UpdateNow:
      DownloadAndRunSetup(response);
      return true;
    case UpdateDialog::Later:
      return false;
    default:
      return true;
  }
}

void UpdateCheckCommand::DownloadAndRunSetup(const UpdateResponse& response) {
  if (!OffersSetupForThisSystem(response.downloadurl)) {
    MessageBox::ShowInformation(&context_.window,
                                QString::fromStdString(NoSetupForThisSystemText()));
    return;
  }
  std::filesystem::path setup;
  {
    DownloadWindow window(&context_.window);
    window.show();
    DownloadObserver observer(window, cancel_);
    OffThreadHttp http(platform::CreateHttp(), window.CancelRequested());
    setup = DownloadSetup(http, response.downloadurl, platform::DownloadDirectory(),
                          response.sha256, response.signature, &observer);
  }
  MessageBox::ShowInformation(&context_.window, ResText(ResString::SetupStarts));
  platform::SystemShell().ShellOpen(setup.string());
  platform::RemoveAfterUse(setup);
  // The normal way out, which saves the settings, once the running command has returned.
  QMetaObject::invokeMethod(&context_.window, &QWidget::close, Qt::QueuedConnection);
}

}  // namespace lintrove::app
