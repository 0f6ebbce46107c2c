// The main window's work with the machine and the service, each run as its background task.

#include <QStatusBar>
#include <memory>
#include <optional>

#include "app/app_texts.h"
#include "app/background_task.h"
#include "app/cancellable_http.h"
#include "app/exchange_indicator.h"
#include "app/main_window.h"
#include "app/program_list.h"
#include "app/scan_watch.h"
#include "app/self_update_windows.h"
#include "flows/check_record.h"
#include "flows/scan_flow.h"
#include "flows/self_update.h"
#include "flows/update_check_flow.h"
#include "platform/download_directory.h"
#include "platform/shell.h"
#include "platform/wine_prefix.h"
#include "settings/system_settings.h"

namespace lintrove::app {
namespace {

// What a scan read, and of which prefix; none when it failed.
struct Scan {
  std::unique_ptr<VerdictList> records;
  std::shared_ptr<platform::WinePrefix> prefix;
};

// An exchange's state, shared by its work and what the window does when it has ended.
struct Exchange {
  std::unique_ptr<ServiceTransport> transport;
  std::unique_ptr<VerdictList> records;
  UpdateCheckResult result = UpdateCheckResult::Stopped;
  SelfUpdateOutcome self_update = SelfUpdateOutcome::GoOn;
  std::optional<CheckRecord> record;
};

}  // namespace

void MainWindow::RefreshInventory() {
  if (Busy()) return;
  scanWatch_ = std::make_unique<ScanWatch>(*this, *statusBar(), task_->CancelRequested());
  auto scanned = std::make_shared<Scan>();
  StartWork(
      [scanned, machine = machine_, prefix = shownPrefix_, extended = settings_.bol_extendedmsiinfo,
       reports = &scanWatch_->Reports()] {
        // Opened for every scan: a prefix may have come or gone since the last.
        std::shared_ptr<platform::WinePrefix> opened;
        if (prefix) opened = platform::OpenWinePrefix(*prefix);
        auto records = std::make_unique<VerdictList>(
            ScanInventory(opened ? opened->Registry() : machine.registry,
                          opened ? opened->Installer() : machine.installer, extended, reports));
        scanned->prefix = std::move(opened);
        scanned->records = std::move(records);
      },
      [this, scanned](std::exception_ptr error) {
        scanWatch_.reset();
        // A scan does not change the status panel; its reports were passing by.
        statusBar()->showMessage(status_);
        // A scan that failed keeps the programs of the last.
        if (scanned->records) {
          ReplaceRecords(std::move(scanned->records));
          recordsPrefix_ = std::move(scanned->prefix);
          lastCheck_.reset();
          programs_->Fill(*records_, FilterOfButtons());
        }
        emit scanFinished();
        ReportError(error);
      });
}

void MainWindow::CheckForUpdates() {
  if (Busy()) return;
  auto exchange = std::make_shared<Exchange>();
  exchange->transport = CreateTransport(
      settings_, SystemSettings::Instance(),
      std::make_unique<CancellableHttp>(platform::CreateHttp(), task_->CancelRequested()));
  // The verdicts go into the records, so the details let go of them, and the list, which keeps
  // its own copy of what it shows, cannot change the marks meanwhile.
  SetStatus(ResText(ResString::AskingService));
  programs_->clearSelection();
  exchange->records = LendRecords();
  exchange_ = std::make_unique<ExchangeIndicator>(*this, [this] { task_->Cancel(); });
  selfUpdate_ = std::make_unique<SelfUpdateWindows>(*this, *task_);
  StartWork(
      [exchange, front = selfUpdate_->FrontEnd(), &settings = settings_,
       &registry = machine_.registry, checked = recordsPrefix_,
       &cancel = task_->CancelRequested()] {
        const IgnoreMarks marks(registry);
        const ProgramRefList sent = ProgramsToSend(*exchange->records, marks);
        CancellableHttp download(platform::CreateHttp(), cancel);
        const SelfUpdateMachine machine{download, platform::SystemShell(),
                                        platform::DownloadDirectory()};
        exchange->result =
            RunUpdateCheck(*exchange->transport, settings, sent, *exchange->records,
                           SelfUpdateDuringCheck(front, machine, exchange->self_update),
                           checked ? &checked->Registry() : nullptr);
        if (exchange->result == UpdateCheckResult::Completed) {
          exchange->record =
              RecordOfCheck(checked ? checked->Registry() : registry,
                            checked ? std::optional(checked->Directory().string()) : std::nullopt,
                            exchange->transport->url, *exchange->records, marks);
        }
      },
      [this, exchange](std::exception_ptr error) {
        exchange_.reset();
        selfUpdate_.reset();
        const bool completed = !error && exchange->result == UpdateCheckResult::Completed;
        ReplaceRecords(std::move(exchange->records));
        // Otherwise the list stays as it was: its rows still name the same records.
        if (completed) {
          programs_->Fill(*records_, FilterOfButtons());
          lastCheck_ = std::move(exchange->record);
        }
        SetStatus(completed ? ResText(ResString::Done) : QString());
        if (exchange->self_update == SelfUpdateOutcome::SetupStarted) CloseLater();
        ReportError(error);
      });
}

void MainWindow::CheckForNewerClient() {
  if (Busy()) return;
  auto exchange = std::make_shared<Exchange>();
  exchange->transport = CreateTransport(
      settings_, SystemSettings::Instance(),
      std::make_unique<CancellableHttp>(platform::CreateHttp(), task_->CancelRequested()));
  exchange_ = std::make_unique<ExchangeIndicator>(*this, [this] { task_->Cancel(); });
  selfUpdate_ = std::make_unique<SelfUpdateWindows>(*this, *task_);
  StartWork(
      [exchange, front = selfUpdate_->FrontEnd(), facts = CurrentClientFacts(settings_),
       &cancel = task_->CancelRequested()] {
        CancellableHttp download(platform::CreateHttp(), cancel);
        exchange->self_update = lintrove::CheckForNewerClient(
            *exchange->transport, facts, front,
            {download, platform::SystemShell(), platform::DownloadDirectory()});
      },
      [this, exchange](std::exception_ptr error) {
        exchange_.reset();
        selfUpdate_.reset();
        if (exchange->self_update == SelfUpdateOutcome::SetupStarted) CloseLater();
        ReportError(error);
      });
}

}  // namespace lintrove::app
