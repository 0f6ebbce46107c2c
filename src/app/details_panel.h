#pragma once

#include <QWidget>

#include "platform/machine_files.h"
#include "platform/shell.h"
#include "protocol/verdict_records.h"

class QLabel;
class QPushButton;
class QTabWidget;
class QTreeWidget;

namespace lintrove {
class ClientSettings;
class SystemSettings;
}  // namespace lintrove

namespace lintrove::app {

class ServicePage;

// The details of the program selected in the list (pnl_details, in the dock "Softwareinfo"):
// icon, name, publisher, home page, installed version, the uninstall button, and the pages
// "Versionen" (the versions the service offers) and "Feedback" (the service's web page on the
// program, loaded when the user opens it).
//
// The panel refers to the record it shows, and the versions list copies what it shows of it;
// the record must stay until the panel is given another one or none.
class DetailsPanel : public QWidget {
  Q_OBJECT

 public:
  // The settings are read when the feedback page opens, so that a change in the options applies
  // to the next page. The shell opens the home page and starts uninstallers.
  DetailsPanel(const ClientSettings& client, const SystemSettings& system,
               platform::Shell& shell = platform::SystemShell(), QWidget* parent = nullptr);

  // Shows the record, or, for none, stays empty and disabled. Every call returns to the page
  // "Versionen". `machine`: the files of the machine the program is installed on, for its icon;
  // `programs`: the shell that starts its uninstaller there (none: the panel's own).
  void ShowVerdict(const ProgramVerdict* verdict,
                   const platform::MachineFiles& machine = platform::SystemMachineFiles(),
                   platform::Shell* programs = nullptr);
  // Empties and disables the panel, and makes "Versionen" the page shown.
  void ClearDetails();

  ServicePage& Feedback() const { return *feedback_; }

 private:
  void FillVersions(const VersionList& versions);
  void OpenPage();
  void OpenHomepage();
  void UninstallProgram();

  const ClientSettings& client_;
  const SystemSettings& system_;
  platform::Shell& shell_;
  const ProgramVerdict* verdict_ = nullptr;
  // Starts the shown program's uninstaller on the machine it is installed on.
  platform::Shell* programs_ = &shell_;

  QLabel* icon_;
  QLabel* name_;
  QLabel* publisher_;
  QLabel* homepage_;
  QLabel* version_;
  QPushButton* uninstall_;
  QTabWidget* pages_;
  QTreeWidget* versions_;
  ServicePage* feedback_;
};

}  // namespace lintrove::app
