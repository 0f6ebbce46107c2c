#pragma once

#include <QMainWindow>
#include <array>
#include <exception>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>

#include "flows/check_record.h"
#include "flows/status_filter.h"
#include "platform/installer_database.h"
#include "platform/registry.h"
#include "platform/wine_prefix.h"
#include "protocol/verdict_records.h"
#include "settings/client_settings.h"

class QAction;
class QDockWidget;

namespace lintrove::app {

class BackgroundTask;
class DetailsPanel;
class ExchangeIndicator;
class ProgramList;
class ScanWatch;
class SelfUpdateWindows;

// This computer, whose HKEY_CURRENT_USER keeps the settings and the ignore marks. The window
// inventories it, or the Wine prefix the options choose; a prefix given here (the command line's)
// wins over the options until another one is chosen there. The marks stay in registry always.
struct InventoriedMachine {
  platform::RegistryBackend& registry;
  platform::InstallerDatabase& installer;
  std::optional<std::filesystem::path> wine_prefix = std::nullopt;
};

// The main window (frm_main): the scanned programs in a filterable list, the commands in menus
// and toolbars, the details dock. Once on screen it shows the first-start guidance and the
// community notice, then scans by itself.
//
// The scan and the exchanges with the service run as a background task; while one runs, every
// command that could change the list, the settings or the window is disabled, and the window
// applies the task's result once it has ended. Closing the window meanwhile cancels the task and
// closes once it has ended.
class MainWindow : public QMainWindow {
  Q_OBJECT

 public:
  MainWindow(ClientSettings& settings, InventoriedMachine machine, QWidget* parent = nullptr);
  ~MainWindow() override;

  ProgramList& Programs() const { return *programs_; }
  // The records of the last scan that finished; none while an update check holds them.
  const VerdictList& Records() const;
  // A scan or an exchange with the service runs.
  bool Busy() const;
  // The Wine prefix shown; none for this computer.
  const std::optional<std::filesystem::path>& ShownWinePrefix() const { return shownPrefix_; }

 signals:
  // After every scan, also one that failed; the commands are enabled again.
  void scanFinished();
  // After every piece of work (scan, update check, question for a newer client), once its
  // result is applied and the commands are enabled again.
  void workFinished();

 protected:
  void closeEvent(QCloseEvent* event) override;
  // A hint shown while the pointer is on a command gives the status line back afterwards.
  bool event(QEvent* event) override;

 private:
  void CreateActions();
  void CreateMenusAndToolbars();
  void CreateDetailsDock();

  // The steps that follow the window's appearance, each queued after the one before.
  void ShowNotices();
  void RefreshInventory();
  void CheckForUpdates();
  void CheckForNewerClient();
  void ShowOptions();
  // The options dialog; true when it chose another machine, which is then shown, still empty.
  bool ChangeOptions();
  void ShowMachineInCaption();
  // Saves the record of the last completed check in a file the user names.
  void ExportCheck();
  void ShowAbout();
  void ApplyFilter();

  // Runs `work` as the background task with the commands disabled; `finish` gets its error, or
  // null, on the GUI thread once it has ended.
  void StartWork(std::function<void()> work, std::function<void(std::exception_ptr)> finish);
  // Shows the error of a task, if any, unless the window is closing.
  void ReportError(std::exception_ptr error);
  // The details let go of the records before they go or are lent to a task.
  void ReplaceRecords(std::unique_ptr<VerdictList> records);
  std::unique_ptr<VerdictList> LendRecords();
  void ShowRecord(int record);
  // The status panel: what the last update check left there.
  void SetStatus(const QString& text);
  // Ends the client the normal way once the running handler has returned.
  void CloseLater();

  StatusFilter FilterOfButtons() const;
  void SetBusy(bool busy);

  ClientSettings& settings_;
  InventoriedMachine machine_;
  // The records of the last scan, with the verdicts of the last check. The list keeps what it
  // shows of them; the details refer to one of them.
  std::unique_ptr<VerdictList> records_;
  // The machine shown, and the prefix the records were read from (none: this computer).
  std::optional<std::filesystem::path> shownPrefix_;
  std::shared_ptr<platform::WinePrefix> recordsPrefix_;
  // What the last completed check of these records sent and heard, until the next scan.
  std::optional<CheckRecord> lastCheck_;
  QString captionWithVersion_;
  QString status_;
  bool closeRequested_ = false;

  BackgroundTask* task_ = nullptr;
  // What shows a running task, gone with it.
  std::unique_ptr<ScanWatch> scanWatch_;
  std::unique_ptr<ExchangeIndicator> exchange_;
  std::unique_ptr<SelfUpdateWindows> selfUpdate_;

  ProgramList* programs_ = nullptr;
  QDockWidget* details_ = nullptr;
  DetailsPanel* detailsPanel_ = nullptr;
  QAction* checkAction_ = nullptr;
  QAction* refreshAction_ = nullptr;
  QAction* exportAction_ = nullptr;
  QAction* quitAction_ = nullptr;
  QAction* optionsAction_ = nullptr;
  QAction* selfUpdateAction_ = nullptr;
  QAction* aboutAction_ = nullptr;
  QAction* showUnknown_ = nullptr;
  QAction* showUnsupported_ = nullptr;
  QAction* showCurrent_ = nullptr;
  QAction* showNewVersion_ = nullptr;
};

}  // namespace lintrove::app
