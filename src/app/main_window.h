#pragma once

#include <QMainWindow>
#include <functional>

#include "app/update_check_command.h"
#include "flows/status_filter.h"
#include "platform/installer_database.h"
#include "platform/registry.h"
#include "platform/wine_prefix.h"
#include "protocol/verdict_records.h"
#include "settings/client_settings.h"

class QAction;
class QDockWidget;

namespace lintrove::app {

class ProgramList;

// The machine the window inventories and whose HKEY_CURRENT_USER keeps the ignore marks; with a
// Wine prefix, the inventory is the prefix's and the marks stay in registry.
struct InventoriedMachine {
  platform::RegistryBackend& registry;
  platform::InstallerDatabase& installer;
  platform::WinePrefix* wine_prefix = nullptr;
};

// The main window (frm_main): the scanned programs in a filterable list, the commands in menus
// and toolbars, the details dock. Once on screen it shows the first-start guidance and the
// community notice, then scans by itself.
class MainWindow : public QMainWindow {
  Q_OBJECT

 public:
  MainWindow(ClientSettings& settings, InventoriedMachine machine, QWidget* parent = nullptr);
  ~MainWindow() override;

  ProgramList& Programs() const { return *programs_; }
  // The records of the last scan that finished.
  const VerdictList& Records() const { return records_; }

 signals:
  // After every scan, also one that failed; the commands are enabled again.
  void scanFinished();

 private:
  void CreateActions();
  void CreateMenusAndToolbars();
  void CreateDetailsDock();

  // The steps that follow the window's appearance, each queued after the one before.
  void ShowNotices();
  void RefreshInventory();
  void ScanIntoRecords();
  void CheckForUpdates();
  void CheckForNewerClient();
  // The check and the self-update question, on the records and the list of this window.
  UpdateCheckCommand UpdateCommand();
  // Runs a command that reads or replaces the records, unless one runs already.
  void RunWhileBusy(const std::function<void()>& command);
  void ShowOptions();
  void ShowAbout();
  void ApplyFilter();

  StatusFilter FilterOfButtons() const;
  // The flows replace or read the records, so none may start while another runs.
  void SetBusy(bool busy);

  ClientSettings& settings_;
  InventoriedMachine machine_;
  // The records of the last scan; the list shows them without owning them.
  VerdictList records_;
  bool busy_ = false;

  ProgramList* programs_ = nullptr;
  QDockWidget* details_ = nullptr;
  QAction* checkAction_ = nullptr;
  QAction* refreshAction_ = nullptr;
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
