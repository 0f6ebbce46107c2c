#include "app/main_window.h"

#include <QCloseEvent>
#include <QDockWidget>
#include <QLabel>
#include <QMenuBar>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QToolBar>
#include <string>

#include "app/about_box.h"
#include "app/app_texts.h"
#include "app/background_task.h"
#include "app/details_panel.h"
#include "app/error_box.h"
#include "app/exchange_indicator.h"
#include "app/message_box.h"
#include "app/notice_dialog.h"
#include "app/options_dialog.h"
#include "app/program_list.h"
#include "app/scan_watch.h"
#include "app/self_update_windows.h"
#include "app/status_images.h"
#include "app/window_translation.h"
#include "base/application.h"
#include "base/resource_strings.h"
#include "flows/machine_choices.h"
#include "platform/client_version.h"
#include "platform/shell.h"
#include "settings/system_settings.h"

namespace lintrove::app {

MainWindow::MainWindow(ClientSettings& settings, InventoriedMachine machine, QWidget* parent)
    : QMainWindow(parent),
      settings_(settings),
      machine_(machine),
      records_(std::make_unique<VerdictList>()),
      shownPrefix_(machine.wine_prefix),
      task_(new BackgroundTask(this)) {
  setObjectName(QStringLiteral("frm_main"));
  setWindowTitle(QString::fromStdString(std::string(ApplicationTitle) + " - " +
                                        std::string(ApplicationWebAddress) + " - "));
  resize(807, 521);

  programs_ = new ProgramList(this, machine_.registry);
  setCentralWidget(programs_);
  CreateActions();
  CreateDetailsDock();
  CreateMenusAndToolbars();
  statusBar()->setObjectName(QStringLiteral("StatusBar1"));

  TranslateWindow(*this);
  captionWithVersion_ = windowTitle() + ResText(ResString::MainCaptionVersion) +
                        QString::fromStdString(ClientVersion());
  if (!shownPrefix_ && !settings_.str_wineprefix.empty()) shownPrefix_ = settings_.str_wineprefix;
  ShowMachineInCaption();
  programs_->SetStatusNames({showUnknown_->iconText(), showUnsupported_->iconText(),
                             showCurrent_->iconText(), showNewVersion_->iconText()});

  // The buttons show the stored filter; the first scan's fill applies it. Every change of their
  // state counts, however it came (click, key, menu, a screen reader's toggle).
  const StatusFilter filter = StatusFilter::FromSettings(settings_);
  showUnknown_->setChecked(filter.unknown);
  showUnsupported_->setChecked(filter.unsupported);
  showCurrent_->setChecked(filter.current);
  showNewVersion_->setChecked(filter.new_version);
  for (QAction* button : {showUnknown_, showUnsupported_, showCurrent_, showNewVersion_}) {
    connect(button, &QAction::toggled, this,
            [this] { RunGuarded(this, [this] { ApplyFilter(); }); });
  }

  // Until the first scan has run, nothing else may start: a screen reader can press the
  // window's buttons even past the modal notices.
  SetBusy(true);
  // Queued, so that the window is on screen before the first dialog. The scan follows the
  // notices however they ended.
  QMetaObject::invokeMethod(
      this,
      [this] {
        RunGuarded(this, [this] { ShowNotices(); });
        RunGuarded(this, [this] { RefreshInventory(); });
      },
      Qt::QueuedConnection);
}

MainWindow::~MainWindow() {
  // The task's work uses what the window shows it with; it ends first.
  task_->CancelAndWait();
}

const VerdictList& MainWindow::Records() const {
  static const VerdictList none;
  return records_ ? *records_ : none;
}

bool MainWindow::Busy() const { return task_->Running(); }

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
  exportAction_ = action("act_export", "&Exportieren...",
                         "Speichert das Ergebnis der letzten Prüfung als CSV- oder JSON-Datei",
                         &MainWindow::ExportCheck);
  // Until a check has results.
  exportAction_->setEnabled(false);
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
  showCurrent_ =
      filterButton("cb_uptodate", "uptodate", "Aktuelle Programme zeigen", ProgramStatus::Current);
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
  file->addAction(exportAction_);
  file->addSeparator();
  file->addAction(quitAction_);

  // The filters by keyboard, and the way back to a details panel that was closed.
  QMenu* view = menu("mnu_ansicht", "&Ansicht");
  for (QAction* button : {showUnknown_, showUnsupported_, showCurrent_, showNewVersion_}) {
    view->addAction(button);
  }
  view->addSeparator();
  QAction* showDetails = details_->toggleViewAction();
  showDetails->setObjectName(QStringLiteral("act_softwareinfo"));
  view->addAction(showDetails);

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

  QToolBar* filters = toolbar("tb_ansicht", "Ansicht");
  filters->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  auto* label = new QLabel(QString::fromUtf8("Ansicht: "), filters);
  label->setObjectName(QStringLiteral("lbl_ansicht"));
  filters->addWidget(label);
  for (QAction* button : {showUnknown_, showUnsupported_, showCurrent_, showNewVersion_}) {
    filters->addAction(button);
  }
}

void MainWindow::CreateDetailsDock() {
  details_ = new QDockWidget(QString::fromUtf8("Softwareinfo"), this);
  details_->setObjectName(QStringLiteral("dock_softwareinfo"));
  // Closable, as docks are, because the menu "Ansicht" brings it back.
  details_->setFeatures(QDockWidget::DockWidgetMovable | QDockWidget::DockWidgetFloatable |
                        QDockWidget::DockWidgetClosable);
  details_->setAllowedAreas(Qt::LeftDockWidgetArea | Qt::RightDockWidgetArea);
  detailsPanel_ =
      new DetailsPanel(settings_, SystemSettings::Instance(), platform::SystemShell(), details_);
  detailsPanel_->setMinimumWidth(200);
  details_->setWidget(detailsPanel_);
  addDockWidget(Qt::RightDockWidgetArea, details_);
  resizeDocks({details_}, {427}, Qt::Horizontal);
  connect(details_, &QDockWidget::topLevelChanged, details_, [this](bool floating) {
    if (floating) details_->resize(200, 500);
  });
  connect(programs_, &ProgramList::currentRecordChanged, this,
          [this](int record) { RunGuarded(this, [this, record] { ShowRecord(record); }); });
}

void MainWindow::ShowNotices() {
  if (settings_.dat_lastcheck == -1.0) {
    MessageBox::ShowInformation(this, ResText(ResString::FirstStart));
    // The scan below reads the machine chosen.
    ChangeOptions();
  }
  if (!settings_.bol_uptodatehinweis) settings_.bol_uptodatehinweis = ShowCommunityNotice(this);
}

void MainWindow::ShowOptions() {
  if (ChangeOptions()) RefreshInventory();
}

bool MainWindow::ChangeOptions() {
  if (!RunOptionsDialog(this, settings_, UserMachineChoices(settings_.str_wineprefix))) {
    return false;
  }
  shownPrefix_.reset();
  if (!settings_.str_wineprefix.empty()) shownPrefix_ = settings_.str_wineprefix;
  ShowMachineInCaption();
  // Nothing of the machine before stays in sight, should the new one fail to be read.
  ReplaceRecords(nullptr);
  recordsPrefix_.reset();
  lastCheck_.reset();
  exportAction_->setEnabled(false);
  programs_->Fill(*records_, FilterOfButtons());
  return true;
}

void MainWindow::ShowMachineInCaption() {
  // A prefix by its directory; this computer goes without saying.
  setWindowTitle(captionWithVersion_ +
                 (shownPrefix_
                      ? QStringLiteral(" - ") + QString::fromStdU16String(shownPrefix_->u16string())
                      : QString()));
}

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

void MainWindow::ShowRecord(int record) {
  const bool shown = records_ && record >= 0 && record < records_->Count();
  detailsPanel_->ShowVerdict(
      shown ? &records_->Items(record) : nullptr,
      recordsPrefix_ ? recordsPrefix_->Files() : platform::SystemMachineFiles(),
      recordsPrefix_ ? &recordsPrefix_->Programs() : nullptr);
}

void MainWindow::ReplaceRecords(std::unique_ptr<VerdictList> records) {
  detailsPanel_->ShowVerdict(nullptr);
  records_ = std::move(records);
  if (!records_) records_ = std::make_unique<VerdictList>();
}

std::unique_ptr<VerdictList> MainWindow::LendRecords() {
  detailsPanel_->ShowVerdict(nullptr);
  return std::move(records_);
}

void MainWindow::SetStatus(const QString& text) {
  status_ = text;
  statusBar()->showMessage(text);
}

void MainWindow::CloseLater() {
  QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
}

void MainWindow::StartWork(std::function<void()> work,
                           std::function<void(std::exception_ptr)> finish) {
  SetBusy(true);
  const bool started =
      task_->Start(std::move(work), [this, finish = std::move(finish)](std::exception_ptr error) {
        SetBusy(false);
        RunGuarded(this, [&] { finish(error); });
        // A completed check brings a record to save; a scan takes it away.
        exportAction_->setEnabled(lastCheck_.has_value());
        if (closeRequested_) CloseLater();
        emit workFinished();
      });
  if (!started) SetBusy(false);
}

void MainWindow::ReportError(std::exception_ptr error) {
  if (error && !closeRequested_) std::rethrow_exception(error);
}

void MainWindow::SetBusy(bool busy) {
  for (QAction* command :
       {checkAction_, refreshAction_, selfUpdateAction_, optionsAction_, aboutAction_, showUnknown_,
        showUnsupported_, showCurrent_, showNewVersion_}) {
    command->setEnabled(!busy);
  }
  exportAction_->setEnabled(!busy && lastCheck_.has_value());
  programs_->setEnabled(!busy);
  details_->setEnabled(!busy);
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (Busy()) {
    // The task ends at its next step; the window closes then, the normal way.
    closeRequested_ = true;
    task_->Cancel();
    event->ignore();
    return;
  }
  QMainWindow::closeEvent(event);
}

bool MainWindow::event(QEvent* event) {
  if (event->type() == QEvent::StatusTip) {
    const QString tip = static_cast<QStatusTipEvent*>(event)->tip();
    statusBar()->showMessage(tip.isEmpty() ? status_ : tip);
    return true;
  }
  return QMainWindow::event(event);
}

}  // namespace lintrove::app
