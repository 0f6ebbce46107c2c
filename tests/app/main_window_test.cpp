#include "app/main_window.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QDockWidget>
#include <QLabel>
#include <QMenu>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>
#include <QtTest>
#include <functional>
#include <memory>
#include <set>

#include "app/message_box.h"
#include "app/program_list.h"
#include "base/format.h"
#include "base/resource_strings.h"
#include "platform/posix/posix_installer_database.h"
#include "platform/posix/posix_registry.h"
#include "platform/posix/xdg_logon_entry.h"
#include "settings/client_settings.h"
#include "support/installer_machine.h"
#include "support/machine_text.h"
#include "support/temp_dir.h"

using lintrove::app::MainWindow;
using lintrove::app::MessageBox;

namespace {

QString Text(int id) { return QString::fromStdString(lintrove::LoadResString(id)); }

// Answers every modal dialog the window opens, in the order they come, and writes down what
// came: each dialog by its name, the message boxes the hook answered by their text.
class DialogLog : public QObject {
 public:
  // What to do with a dialog before it is closed with its OK button.
  using Answer = std::function<void(QWidget& dialog)>;

  explicit DialogLog(Answer answer = {}) : answer_(std::move(answer)) {
    connect(&timer_, &QTimer::timeout, this, [this] { Poll(); });
    timer_.start(0);
  }

  void NoteAnsweredBox() {
    if (auto box = MessageBox::TakeAnswered()) entries << box->text;
  }
  void Note(const QString& entry) {
    NoteAnsweredBox();
    entries << entry;
  }

  QStringList entries;

 private:
  void Poll() {
    QWidget* dialog = QApplication::activeModalWidget();
    if (dialog == nullptr || dialog == handled_) return;
    handled_ = dialog;
    Note(dialog->objectName());
    if (answer_) answer_(*dialog);
    if (auto* ok = dialog->findChild<QAbstractButton*>(QStringLiteral("btn_ok"))) {
      ok->click();
    } else if (auto* close = dialog->findChild<QAbstractButton*>(QStringLiteral("Button1"))) {
      close->click();
    } else {
      dialog->close();
    }
  }

  Answer answer_;
  QTimer timer_;
  QWidget* handled_ = nullptr;
};

}  // namespace

// The main window on a machine of the test's own: a registry store with one installer product
// and two Uninstall entries, and the user's settings in it.
class MainWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void init();
  void cleanup();
  void startShowsTheGuidanceThenTheNoticeThenScans_data();
  void startShowsTheGuidanceThenTheNoticeThenScans();
  void noticeTurnedOffIsNotShownAtTheNextStart();
  void scanReportsEachProgramAndFillsTheList();
  void commandsDoNothingWhileAScanRuns();
  void failingScanShowsTheErrorAndKeepsTheRecords();
  void filterButtonsStoreTheirStateAndShowEntriesInPlace();
  void filtersAnswerScreenReadersAndTheKeyboard();
  void quittingDuringAScanStopsItAndCloses();
  void closedDetailsComeBackThroughTheViewMenu();

 private:
  // A window as start-up makes it, shown; the notices and the scan follow by themselves.
  std::unique_ptr<MainWindow> Open();
  // Opens the window and waits until its first scan has finished.
  std::unique_ptr<MainWindow> OpenScanned(DialogLog& log);
  void WriteMachine(const std::string& text);
  static QAction* Action(MainWindow& window, const char* name) {
    return window.findChild<QAction*>(QString::fromLatin1(name));
  }
  int Rows(MainWindow& window) { return window.Programs().model()->rowCount(); }

  std::unique_ptr<lintrove::test::TempDir> dir_;
  std::unique_ptr<lintrove::platform::PosixRegistry> registry_;
  std::unique_ptr<lintrove::platform::PosixInstallerDatabase> installer_;
  std::unique_ptr<lintrove::platform::XdgLogonEntry> logon_;
  std::unique_ptr<lintrove::ClientSettings> settings_;
};

void MainWindowTest::init() {
  MessageBox::ResetTestHook();
  dir_ = std::make_unique<lintrove::test::TempDir>();
  using lintrove::test::Key;
  WriteMachine(lintrove::test::InstallerProduct(
                   "{11111111-2222-3333-4444-555555555555}",
                   "\"ProductName\"=\"Gamma Suite\"\r\n\"Version\"=dword:01000000",
                   "\"DisplayName\"=\"Gamma Suite\"\r\n\"DisplayVersion\"=\"1.0\"") +
               Key(lintrove::test::kUninstall64, "Beta",
                   "\"DisplayName\"=\"Beta\"\r\n\"UninstallString\"=\"beta.exe /x\"") +
               Key(lintrove::test::kUninstall64, "Alpha",
                   "\"DisplayName\"=\"Alpha\"\r\n\"DisplayVersion\"=\"2.0\"\r\n"
                   "\"UninstallString\"=\"alpha.exe /x\""));
  registry_ = std::make_unique<lintrove::platform::PosixRegistry>(dir_->Path() / "registry");
  installer_ = std::make_unique<lintrove::platform::PosixInstallerDatabase>(*registry_);
  logon_ =
      std::make_unique<lintrove::platform::XdgLogonEntry>("lintrove", dir_->Path() / "autostart");
  settings_ = std::make_unique<lintrove::ClientSettings>(*registry_, *logon_);
}

void MainWindowTest::cleanup() {
  settings_.reset();
  logon_.reset();
  installer_.reset();
  registry_.reset();
  dir_.reset();
  MessageBox::ResetTestHook();
}

void MainWindowTest::WriteMachine(const std::string& text) {
  std::filesystem::create_directories(dir_->Path() / "registry");
  lintrove::test::WriteFileBytes(dir_->Path() / "registry" / "HKEY_LOCAL_MACHINE.reg",
                                 "Windows Registry Editor Version 5.00\r\n\r\n" + text);
}

std::unique_ptr<MainWindow> MainWindowTest::Open() {
  auto window = std::make_unique<MainWindow>(
      *settings_, lintrove::app::InventoriedMachine{*registry_, *installer_});
  window->show();
  return window;
}

std::unique_ptr<MainWindow> MainWindowTest::OpenScanned(DialogLog& log) {
  std::unique_ptr<MainWindow> window = Open();
  QSignalSpy scanned(window.get(), &MainWindow::scanFinished);
  connect(window.get(), &MainWindow::scanFinished, &log, [&log] { log.Note("scan"); });
  if (!scanned.wait(10000)) return nullptr;
  return window;
}

void MainWindowTest::startShowsTheGuidanceThenTheNoticeThenScans_data() {
  QTest::addColumn<double>("lastCheck");
  QTest::addColumn<bool>("noticeOff");
  QTest::addColumn<QStringList>("expected");
  const QString firstStart = Text(lintrove::ResString::FirstStart);
  QTest::newRow("first start") << -1.0 << false
                               << QStringList{firstStart, "frm_optionen", "frm_hinweis", "scan"};
  QTest::newRow("set up") << 0.0 << false << QStringList{"frm_hinweis", "scan"};
  QTest::newRow("set up, notice off") << 0.0 << true << QStringList{"scan"};
  QTest::newRow("checked before, notice off") << 46000.0 << true << QStringList{"scan"};
}

void MainWindowTest::startShowsTheGuidanceThenTheNoticeThenScans() {
  QFETCH(double, lastCheck);
  QFETCH(bool, noticeOff);
  QFETCH(QStringList, expected);
  settings_->dat_lastcheck = lastCheck;
  settings_->bol_uptodatehinweis = noticeOff;
  MessageBox::SetNextAnswer(QMessageBox::Ok);
  bool windowShownFirst = true;
  bool commandsOffMeanwhile = true;
  DialogLog log([&](QWidget& dialog) {
    QWidget* window = dialog.parentWidget() ? dialog.parentWidget()->window() : nullptr;
    windowShownFirst = windowShownFirst && window && window->isVisible();
    // A screen reader can press the window's commands past a modal dialog.
    const auto* check =
        window ? window->findChild<QAction*>(QStringLiteral("act_updatessuchen")) : nullptr;
    commandsOffMeanwhile = commandsOffMeanwhile && check && !check->isEnabled();
  });

  std::unique_ptr<MainWindow> window = OpenScanned(log);

  QVERIFY(window);
  QCOMPARE(log.entries, expected);
  QVERIFY(windowShownFirst);
  QVERIFY(commandsOffMeanwhile);
  // The options dialog ends the first start, however it was closed.
  QVERIFY(settings_->dat_lastcheck != -1.0);
  QCOMPARE(Rows(*window), 3);
}

void MainWindowTest::noticeTurnedOffIsNotShownAtTheNextStart() {
  settings_->dat_lastcheck = 0.0;
  {
    DialogLog log([](QWidget& dialog) {
      if (auto* box = dialog.findChild<QCheckBox*>(QStringLiteral("CheckBox1")))
        box->setChecked(true);
    });
    QVERIFY(OpenScanned(log));
    QCOMPARE(log.entries, (QStringList{"frm_hinweis", "scan"}));
  }
  QVERIFY(settings_->bol_uptodatehinweis);
  DialogLog log;
  QVERIFY(OpenScanned(log));
  QCOMPARE(log.entries, QStringList{"scan"});
}

void MainWindowTest::scanReportsEachProgramAndFillsTheList() {
  settings_->dat_lastcheck = 0.0;
  settings_->bol_uptodatehinweis = true;
  std::set<QString> seen;
  std::set<QString> statusTexts;
  QTimer watcher;
  connect(&watcher, &QTimer::timeout, this, [&] {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
      if (auto* window = qobject_cast<MainWindow*>(widget)) {
        statusTexts.insert(window->statusBar()->currentMessage());
      }
      if (widget->objectName() != QStringLiteral("frm_warten") || !widget->isVisible()) continue;
      const auto label = [widget](const char* name) {
        return widget->findChild<QLabel*>(QString::fromLatin1(name))->text();
      };
      seen.insert(label("lbl_technologie") + " " + label("lbl_status") + " " +
                  label("lbl_software"));
    }
  });
  watcher.start(0);
  DialogLog log;

  std::unique_ptr<MainWindow> window = OpenScanned(log);
  watcher.stop();

  QVERIFY(window);
  // The wait dialog shows the newest report when it is repainted, not every one: each text it
  // showed is one the scan reported. The installer counts its products from 1, the Uninstall
  // keys from 0.
  const std::set<QString> reported{"  ",
                                   "Windows Installer 1 von 1 Gamma Suite",
                                   "Registry 0 von 2 Alpha",
                                   "Registry 0 von 2 Beta",
                                   "Registry 1 von 2 Alpha",
                                   "Registry 1 von 2 Beta",
                                   "Registry 2 von 2 Alpha",
                                   "Registry 2 von 2 Beta"};
  QVERIFY(!seen.empty());
  for (const QString& text : seen) QVERIFY2(reported.contains(text), qPrintable(text));
  QCOMPARE(Rows(*window), 3);
  QCOMPARE(window->Records().Count(), 3);
  const QString reading = Text(lintrove::ResString::ReadingProgram).section('%', 0, 0);
  for (const QString& text : statusTexts) {
    QVERIFY2(text.isEmpty() || text.startsWith(reading), qPrintable(text));
  }
  // A scan leaves the status panel as it was.
  QCOMPARE(window->statusBar()->currentMessage(), QString());
  QCOMPARE(QApplication::overrideCursor(), nullptr);
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    QVERIFY(widget->objectName() != QStringLiteral("frm_warten") || !widget->isVisible());
  }
}

void MainWindowTest::commandsDoNothingWhileAScanRuns() {
  settings_->dat_lastcheck = 0.0;
  settings_->bol_uptodatehinweis = true;
  std::unique_ptr<MainWindow> window = Open();
  QSignalSpy scanned(window.get(), &MainWindow::scanFinished);
  QStringList disabledDuringScan;
  QTimer clicker;
  connect(&clicker, &QTimer::timeout, this, [&] {
    if (Action(*window, "act_refresh")->isEnabled()) return;
    for (const char* name :
         {"act_refresh", "act_updatessuchen", "act_selfupdate", "act_optionen", "act_about",
          "cb_unknown", "cb_unsupported", "cb_uptodate", "cb_old"}) {
      if (!Action(*window, name)->isEnabled()) disabledDuringScan << name;
      Action(*window, name)->trigger();
    }
    if (!window->Programs().isEnabled()) disabledDuringScan << "list";
    for (QToolButton* button : window->findChildren<QToolButton*>()) {
      if (button->defaultAction() == Action(*window, "act_refresh")) button->click();
    }
  });
  clicker.start(0);

  QVERIFY(scanned.wait(10000));
  clicker.stop();
  QTest::qWait(0);

  QVERIFY(!disabledDuringScan.isEmpty());
  QCOMPARE(
      disabledDuringScan.mid(0, 10),
      (QStringList{"act_refresh", "act_updatessuchen", "act_selfupdate", "act_optionen",
                   "act_about", "cb_unknown", "cb_unsupported", "cb_uptodate", "cb_old", "list"}));
  QCOMPARE(scanned.count(), 1);
  QVERIFY(!MessageBox::TakeAnswered());
  QVERIFY(!QApplication::activeModalWidget());
  QVERIFY(Action(*window, "act_refresh")->isEnabled());
  // The filters, clicked while disabled, kept their state and the settings theirs.
  QVERIFY(Action(*window, "cb_unknown")->isChecked());
  QVERIFY(settings_->bol_unknown);
}

void MainWindowTest::failingScanShowsTheErrorAndKeepsTheRecords() {
  settings_->dat_lastcheck = 0.0;
  settings_->bol_uptodatehinweis = true;
  DialogLog log;
  std::unique_ptr<MainWindow> window = OpenScanned(log);
  QVERIFY(window);
  QCOMPARE(Rows(*window), 3);
  const lintrove::ProgramVerdict* first = &window->Records().Items(0);

  WriteMachine("[HKEY_LOCAL_MACHINE\\SOFTWARE]\r\n\"broken\"=dword:xyz\r\n");
  MessageBox::SetNextAnswer(QMessageBox::Ok);
  QSignalSpy scanned(window.get(), &MainWindow::scanFinished);
  Action(*window, "act_refresh")->trigger();

  QVERIFY(scanned.wait(10000));
  const auto shown = MessageBox::TakeAnswered();
  QVERIFY(shown);
  QCOMPARE(shown->icon, QMessageBox::Critical);
  // The list still shows the programs of the last scan.
  QCOMPARE(Rows(*window), 3);
  QCOMPARE(window->Records().Count(), 3);
  QCOMPARE(&window->Records().Items(0), first);
  QVERIFY(Action(*window, "act_refresh")->isEnabled());
  QVERIFY(Action(*window, "act_updatessuchen")->isEnabled());
}

void MainWindowTest::filterButtonsStoreTheirStateAndShowEntriesInPlace() {
  settings_->dat_lastcheck = 0.0;
  settings_->bol_uptodatehinweis = true;
  DialogLog log;
  std::unique_ptr<MainWindow> window = OpenScanned(log);
  QVERIFY(window);
  const QAbstractItemModel& shown = *window->Programs().model();
  QCOMPARE(shown.rowCount(), 3);

  Action(*window, "cb_unknown")->trigger();
  QVERIFY(!settings_->bol_unknown);
  QCOMPARE(shown.rowCount(), 0);
  QCOMPARE(window->Programs().UncheckedRecords().size(), std::size_t{3});

  Action(*window, "cb_uptodate")->trigger();
  Action(*window, "cb_unknown")->trigger();
  QVERIFY(settings_->bol_unknown);
  QVERIFY(settings_->bol_uptodate);
  QCOMPARE(shown.rowCount(), 3);
  QCOMPARE(shown.index(0, 0).data().toString(), QStringLiteral("Alpha"));
}

// A screen reader toggles the toolbar button itself; the keyboard reaches the same filters
// through the menu "&Ansicht". Both show the list anew and store the state.
void MainWindowTest::filtersAnswerScreenReadersAndTheKeyboard() {
  settings_->dat_lastcheck = 0.0;
  settings_->bol_uptodatehinweis = true;
  DialogLog log;
  std::unique_ptr<MainWindow> window = OpenScanned(log);
  QVERIFY(window);
  QCOMPARE(Rows(*window), 3);

  QToolButton* button = nullptr;
  for (QToolButton* candidate : window->findChildren<QToolButton*>()) {
    if (candidate->defaultAction() == Action(*window, "cb_unknown")) button = candidate;
  }
  QVERIFY(button);
  QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(button);
  QVERIFY(accessible && accessible->actionInterface());
  QVERIFY(accessible->actionInterface()->actionNames().contains(
      QAccessibleActionInterface::toggleAction()));
  accessible->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
  QVERIFY(!Action(*window, "cb_unknown")->isChecked());
  QCOMPARE(Rows(*window), 0);
  QVERIFY(!settings_->bol_unknown);

  auto* view = window->findChild<QMenu*>(QStringLiteral("mnu_ansicht"));
  QVERIFY(view);
  QList<QAction*> filters;
  for (QAction* entry : view->actions()) {
    if (entry->isCheckable() && entry->objectName().startsWith("cb_")) filters << entry;
  }
  QCOMPARE(filters,
           (QList<QAction*>{Action(*window, "cb_unknown"), Action(*window, "cb_unsupported"),
                            Action(*window, "cb_uptodate"), Action(*window, "cb_old")}));
  window->activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(window.get()));
  // Alt+A opens the menu, Return takes its first entry: "unbekannt".
  QTest::keyClick(window.get(), Qt::Key_A, Qt::AltModifier);
  QTRY_VERIFY(view->isVisible());
  QTest::keyClick(view, Qt::Key_Return);
  QTRY_VERIFY(Action(*window, "cb_unknown")->isChecked());
  QCOMPARE(Rows(*window), 3);
  QVERIFY(settings_->bol_unknown);
}

// A machine large enough that the scan is still reading when the window is closed: the scan
// stops at its next program, nothing of it is kept, and the window closes.
void MainWindowTest::quittingDuringAScanStopsItAndCloses() {
  std::string machine;
  for (int i = 0; i < 3000; ++i) {
    const std::string name = "Programm " + std::to_string(i);
    machine +=
        lintrove::test::Key(lintrove::test::kUninstall64, name,
                            "\"DisplayName\"=\"" + name + "\"\r\n\"UninstallString\"=\"x.exe\"");
  }
  WriteMachine(machine);
  settings_->dat_lastcheck = 0.0;
  settings_->bol_uptodatehinweis = true;
  MessageBox::SetNextAnswer(QMessageBox::Ok);
  std::unique_ptr<MainWindow> window = Open();
  QSignalSpy scanned(window.get(), &MainWindow::scanFinished);
  bool closedWhileBusy = false;
  QTimer closer;
  connect(&closer, &QTimer::timeout, this, [&] {
    if (!window->Busy()) return;
    closer.stop();
    window->close();
    closedWhileBusy = window->Busy();
  });
  closer.start(0);

  QTRY_VERIFY_WITH_TIMEOUT(!window->isVisible(), 10000);
  QVERIFY(closedWhileBusy);
  QCOMPARE(scanned.count(), 1);
  QCOMPARE(window->Records().Count(), 0);
  QVERIFY(!window->Busy());
  QVERIFY(!MessageBox::TakeAnswered());
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    QVERIFY(widget->objectName() != QStringLiteral("frm_warten") || !widget->isVisible());
  }
}

void MainWindowTest::closedDetailsComeBackThroughTheViewMenu() {
  settings_->dat_lastcheck = 0.0;
  settings_->bol_uptodatehinweis = true;
  DialogLog log;
  std::unique_ptr<MainWindow> window = OpenScanned(log);
  QVERIFY(window);
  auto* details = window->findChild<QDockWidget*>(QStringLiteral("dock_softwareinfo"));
  QVERIFY(details && details->isVisible());

  details->close();
  QVERIFY(!details->isVisible());
  QAction* showDetails = Action(*window, "act_softwareinfo");
  QVERIFY(showDetails);
  QVERIFY(
      window->findChild<QMenu*>(QStringLiteral("mnu_ansicht"))->actions().contains(showDetails));
  QVERIFY2(!showDetails->isChecked(), "the entry shows the panel as closed");
  showDetails->trigger();
  QVERIFY(details->isVisible());
}

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
