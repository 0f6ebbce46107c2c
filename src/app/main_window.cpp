#include "app/app_texts.h"
#include "app/main_window.h"

#include <QApplication>
#include <QDockWidget>
#include <QLabel>
#include <QMenuBar>
#include <QStatusBar>
#include <QToolBar>
#include <functional>
#include <memory>
#include <string>

#include "app/about_box.h"
#include "app/details_panel.h"
#include "app/error_box.h"
#include "app/message_box.h"
#include "app/notice_dialog.h"
#include "app/options_dialog.h"
#include "app/program_list.h"
#include "app/scan_progress_dialog.h"
#include "app/status_images.h"
#include "app/window_translation.h"
#include "base/application.h"
#include "base/format.h"
#include "base/resource_strings.h"
#include "flows/scan_flow.h"
#include "platform/client_version.h"
#include "platform/shell.h"
#include "settings/system_settings.h"

namespace lintrove::app {
namespace {


// Shows a scan's progress in the wait dialog and the status bar, and keeps the window alive
// between two programs: the dialog repaints, the window can be moved.
class ScanObserver final : public ProgressObserver {
 public:
  ScanObserver(QWidget* window, QStatusBar* statusBar)
      : dialog_(window), statusBar_(statusBar) {}

  bool Report(const ProgressReport& report) override {
    dialog_.ShowReport(report);
    statusBar_->showMessage(
        QString::fromStdString(Format(LoadResString(ResString::ReadingProgram), report.item)));
    QApplication::processEvents();
    return true;
  }

 private:
  ScanProgressDialog dialog_;
  QStatusBar* statusBar_;
};

}  // namespace

MainWindow::MainWindow(ClientSettings& settings, InventoriedMachine machine, QWidget* parent)
    : QMainWindow(parent), settings_(settings), machine_(machine) {
  setObjectName(QStringLiteral("frm_main"));
  setWindowTitle(QString::fromStdString(std::string(ApplicationTitle) + " - " +
                                        std::string(ApplicationWebAddress) + " - "));
  resize(807, 521);

  programs_ = new ProgramList(this, machine_.registry);
  setCentralWidget(programs_);
  CreateActions();
  CreateMenusAndToolbars();
  CreateDetailsDock();
  statusBar()->setObjectName(QStringLiteral("StatusBar1"));

  TranslateWindow(*this);
  setWindowTitle(windowTitle() + ResText(ResString::MainCaptionVersion) +
                 QString::fromStdString(ClientVersion()));
  // Which machine is shown: a prefix by its directory.
  if (machine_.wine_prefix) {
    setWindowTitle(windowTitle() + QStringLiteral(" - ") +
                   QString::fromStdString(machine_.wine_prefix->Directory().string()));
  }
  programs_->SetStatusNames({showUnknown_->iconText(), showUnsupported_->iconText(),
                             showCurrent_->iconText(), showNewVersion_->iconText()});

  // The buttons show the stored filter; the first scan's fill applies it.
  const StatusFilter filter = StatusFilter::FromSettings(settings_);
  showUnknown_->setChecked(filter.unknown);
  showUnsupported_->setChecked(filter.unsupported);
  showCurrent_->setChecked(filter.current);
  showNewVersion_->setChecked(filter.new_version);
  for (QAction* button : {showUnknown_, showUnsupported_, showCurrent_, showNewVersion_}) {
    connect(button, &QAction::triggered, this, [this] { RunGuarded(this, [this] { ApplyFilter(); }); });
  }

  // Queued, so that the window is on screen before the first dialog.
  QMetaObject::invokeMethod(this, [this] { RunGuarded(this, [this] { ShowNotices(); }); },
                            Qt::QueuedConnection);
}

MainWindow::~MainWindow() {
  // The list refers to the records; it lets go of them before they go.
  programs_->Clear();
}

void MainWindow::CreateActions() {
  const auto action = [this](const char* name, const char* caption, const char* hint,
                             void (MainWindow::*handler)()) {
    auto* created = new QAction(QString::fromUtf8(caption), this);
    created->setObjectName(QString::fromLatin1(name));
    if (hint != nullptr) {
      created->setToolTip(QString::fromUtf8(hint));
      created->setStatusTip(created->toolTip());
    }
    if (handler != nullptr) {
      connect(created, &QAction::triggered, this,
              [this, handler] { RunGuarded(this, [this, handler] { (this->*handler)(); }); });
    }
    return created;
  };
  checkAction_ = action("act_updatessuchen", "Lintrove", "Kontaktiert den Server nach Updates",
                        &MainWindow::CheckForUpdates);
  refreshAction_ = action("act_refresh", "Aktualisieren", "Scannt nach neuer Software",
                          &MainWindow::RefreshInventory);
  quitAction_ = action("act_beenden", "&Beenden", nullptr, nullptr);
  connect(quitAction_, &QAction::triggered, this, &QWidget::close);
  optionsAction_ = action("act_optionen", "Optionen", nullptr, &MainWindow::ShowOptions);
  selfUpdateAction_ =
      action("act_selfupdate", "Auf &Update prüfen", nullptr, &MainWindow::CheckForNewerClient);
  aboutAction_ = action("act_about", "&Über", nullptr, &MainWindow::ShowAbout);

  const auto filterButton = [&](const char* name, const char* caption, const char* hint,
                                ProgramStatus status) {
    QAction* button = action(name, caption, hint, nullptr);
    button->setCheckable(true);
    button->setIcon(StatusIcon(status));
    return button;
  };
  showUnknown_ = filterButton("cb_unknown", "unbekannt", "Programme ohne Urteil des Servers zeigen",
                              ProgramStatus::Unknown);
  showUnsupported_ =
      filterButton("cb_unsupported", "nicht unterstützt",
                   "Vom Server nicht unterstützte Programme zeigen", ProgramStatus::Unsupported);
  showCurrent_ = filterButton("cb_uptodate", "uptodate", "Aktuelle Programme zeigen",
                              ProgramStatus::Current);
  showNewVersion_ = filterButton("cb_old", "neue Version verfügbar",
                                 "Programme mit neuerer Version zeigen", ProgramStatus::NewVersion);
}

void MainWindow::CreateMenusAndToolbars() {
  const auto menu = [this](const char* name, const char* title) {
    QMenu* created = menuBar()->addMenu(QString::fromUtf8(title));
    created->setObjectName(QString::fromLatin1(name));
    return created;
  };
  QMenu* file = menu("mnu_datei", "&Datei");
  file->addAction(checkAction_);
  file->addAction(refreshAction_);
  file->addSeparator();
  file->addAction(quitAction_);
  menu("mnu_extras", "&Extras")->addAction(optionsAction_);
  QMenu* help = menu("mnu_hilfe", "&Hilfe");
  help->addAction(selfUpdateAction_);
  help->addSeparator();
  help->addAction(aboutAction_);

  const auto toolbar = [this](const char* name, const char* title) {
    QToolBar* created = addToolBar(QString::fromUtf8(title));
    created->setObjectName(QString::fromLatin1(name));
    created->setMovable(false);
    return created;
  };
  QToolBar* commands = toolbar("tb_main", "Lintrove");
  commands->setToolButtonStyle(Qt::ToolButtonTextOnly);
  commands->addAction(checkAction_);
  commands->addSeparator();
  commands->addAction(refreshAction_);

  QToolBar* view = toolbar("tb_ansicht", "Ansicht");
  view->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  auto* label = new QLabel(QString::fromUtf8("Ansicht: "), view);
  label->setObjectName(QStringLiteral("lbl_ansicht"));
  view->addWidget(label);
  for (QAction* button : {showUnknown_, showUnsupported_, showCurrent_, showNewVersion_}) {
    view->addAction(button);
  }
}

void MainWindow::CreateDetailsDock() {
  details_ = new QDockWidget(QString::fromUtf8("Softwareinfo"), this);
  details_->setObjectName(QStringLiteral("dock_softwareinfo"));
  // Movable and floatable, never closed: nothing would bring it back.
  details_->setFeatures(QDockWidget::DockWidgetMovable | QDockWidget::DockWidgetFloatable);
  details_->setAllowedAreas(Qt::LeftDockWidgetArea | Qt::RightDockWidgetArea);
  auto* panel = new DetailsPanel(settings_, SystemSettings::Instance(), platform::SystemShell(),
                                 details_);
  panel->setMinimumWidth(200);
  details_->setWidget(panel);
  addDockWidget(Qt::RightDockWidgetArea, details_);
  resizeDocks({details_}, {427}, Qt::Horizontal);
  connect(details_, &QDockWidget::topLevelChanged, details_, [this](bool floating) {
    if (floating) details_->resize(200, 500);
  });
  connect(programs_, &ProgramList::currentVerdictChanged, panel,
          [this, panel](const ProgramVerdict* verdict) {
            RunGuarded(this, [panel, verdict] { panel->ShowVerdict(verdict); });
          });
}

void MainWindow::ShowNotices() {
  if (settings_.dat_lastcheck == -1.0) {
    MessageBox::ShowInformation(this, ResText(ResString::FirstStart));
    ShowOptions();
  }
  if (!settings_.bol_uptodatehinweis) settings_.bol_uptodatehinweis = ShowCommunityNotice(this);
  QMetaObject::invokeMethod(this, [this] { RunGuarded(this, [this] { RefreshInventory(); }); },
                            Qt::QueuedConnection);
}

void MainWindow::RefreshInventory() {
  if (busy_) return;
  struct Finished {
    MainWindow* window;
    ~Finished() { emit window->scanFinished(); }
  } finished{this};
  RunWhileBusy([this] {
    programs_->Clear();
    ScanIntoRecords();
    programs_->Fill(records_, FilterOfButtons());
    statusBar()->showMessage(ResText(ResString::Done));
  });
}

void MainWindow::ScanIntoRecords() {
  OverrideCursor cursor(Qt::WaitCursor);
  ScanObserver observer(this, statusBar());
  // The records are replaced only once both sources have finished.
  records_ = ScanInventory(
      machine_.wine_prefix ? machine_.wine_prefix->Registry() : machine_.registry,
      machine_.wine_prefix ? machine_.wine_prefix->Installer() : machine_.installer,
      settings_.bol_extendedmsiinfo, &observer);
}

UpdateCheckCommand MainWindow::UpdateCommand() {
  return UpdateCheckCommand({*this, *programs_, records_, settings_, SystemSettings::Instance()});
}

void MainWindow::RunWhileBusy(const std::function<void()>& command) {
  if (busy_) return;
  SetBusy(true);
  struct Done {
    MainWindow* window;
    ~Done() { window->SetBusy(false); }
  } done{this};
  command();
}

void MainWindow::CheckForUpdates() {
  RunWhileBusy([this] { UpdateCommand().CheckForUpdates(FilterOfButtons()); });
}

void MainWindow::CheckForNewerClient() {
  RunWhileBusy([this] { UpdateCommand().CheckForNewerClient(); });
}

void MainWindow::ShowOptions() { RunOptionsDialog(this, settings_); }

void MainWindow::ShowAbout() { ShowAboutBox(this); }

void MainWindow::ApplyFilter() {
  const StatusFilter filter = FilterOfButtons();
  filter.StoreIn(settings_);
  programs_->ApplyFilter(filter);
}

StatusFilter MainWindow::FilterOfButtons() const {
  return StatusFilter{.unknown = showUnknown_->isChecked(),
                      .unsupported = showUnsupported_->isChecked(),
                      .current = showCurrent_->isChecked(),
                      .new_version = showNewVersion_->isChecked()};
}

void MainWindow::SetBusy(bool busy) {
  busy_ = busy;
  for (QAction* command : {checkAction_, refreshAction_, selfUpdateAction_}) {
    command->setEnabled(!busy);
  }
}

}  // namespace lintrove::app
