#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>
#include <chrono>
#include <functional>
#include <memory>
#include <set>
#include <sstream>

#include "app/main_window.h"
#include "app/message_box.h"
#include "app/program_list.h"
#include "app/save_file_dialog.h"
#include "base/date_time.h"
#include "check_command.h"
#include "platform/client_version.h"
#include "protocol/test_update_service.h"
#include "settings/client_settings.h"
#include "settings/ignore_marks.h"
#include "settings/system_settings.h"
#include "support/machine_text.h"
#include "support/scoped_environment.h"
#include "support/scratch_machine.h"
#include "support/temp_dir.h"
#include "support/wine_prefix_fixture.h"

using lintrove::app::MainWindow;
using lintrove::app::MessageBox;
using lintrove::app::SaveFileDialog;

// The main window on a Wine prefix: chosen in the options or given on the command line, scanned,
// checked against a service on 127.0.0.1, and the check saved through File > Export, the same
// record lintrove-cli check writes.
class WinePrefixWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void init();
  void cleanup();
  void optionsChooseThePrefixAndTheWindowScansIt();
  void theCommandLinesPrefixHoldsUntilTheOptionsChooseAnother();
  void aChosenPrefixThatIsGoneIsAScanErrorAndStaysChosen();
  void exportSavesTheRecordTheCommandLinePrints();
  void aFailedExportSaysWhyAndKeepsTheRecord();

 private:
  std::unique_ptr<MainWindow> OpenScanned(std::optional<std::filesystem::path> prefix = {});
  // Opens the options, picks the machine whose prefix is `prefix` (empty: this computer) and
  // presses OK; returns the labels the list offered.
  QStringList ChooseMachine(MainWindow& window, const QString& prefix);
  bool Check(MainWindow& window);
  std::string CommandLineRecord(const std::string& format);
  static QAction* Action(MainWindow& window, const char* name) {
    return window.findChild<QAction*>(QString::fromLatin1(name));
  }
  static QStringList Rows(MainWindow& window);
  QString Prefix() const { return QString::fromStdString(prefix_->Path().string()); }
  std::string PrefixFiles() const {
    return lintrove::test::ReadFileBytes(prefix_->Path() / "system.reg") +
           lintrove::test::ReadFileBytes(prefix_->Path() / "user.reg");
  }

  std::unique_ptr<lintrove::test::TempDir> dir_;
  std::unique_ptr<lintrove::test::TempDir> prefix_;
  std::unique_ptr<lintrove::test::ScopedEnvironment> environment_;
  std::unique_ptr<lintrove::test::ScratchMachine> machine_;
  lintrove::ClientSettings* settings_ = nullptr;
  std::unique_ptr<lintrove::SystemSettings> system_;
  std::unique_ptr<lintrove::SystemSettings::ScopedInstance> systemInstance_;
  std::unique_ptr<lintrove::test::TestUpdateService> service_;
};

void WinePrefixWindowTest::init() {
  MessageBox::ResetTestHook();
  SaveFileDialog::ResetTestHook();
  dir_ = std::make_unique<lintrove::test::TempDir>();
  prefix_ = std::make_unique<lintrove::test::TempDir>();
  lintrove::test::WriteWinePrefix(prefix_->Path());
  // The prefixes found are the test's: its one as $WINEPREFIX, none of the user's own.
  environment_ = std::make_unique<lintrove::test::ScopedEnvironment>();
  environment_->Set("HOME", (dir_->Path() / "home").string());
  environment_->Set("XDG_DATA_HOME", (dir_->Path() / "home" / "data").string());
  environment_->Set("XDG_CONFIG_HOME", (dir_->Path() / "home" / "config").string());
  environment_->Set("WINEPREFIX", prefix_->Path().string());

  machine_ = std::make_unique<lintrove::test::ScratchMachine>(
      lintrove::test::Key(lintrove::test::kUninstall64, "Own",
                          "\"DisplayName\"=\"Own Program\"\r\n\"DisplayVersion\"=\"7.0\"\r\n"
                          "\"UninstallString\"=\"own.exe /x\""));
  settings_ = &machine_->Settings();
  settings_->dat_lastcheck = 0.0;
  settings_->bol_uptodatehinweis = true;
  settings_->bol_ssl = false;

  service_ = std::make_unique<lintrove::test::TestUpdateService>(
      lintrove::test::TestUpdateService::Catalog{{"Alpha Notizblock", {"1.3.0"}}},
      lintrove::ClientVersion());
  system_ = std::make_unique<lintrove::SystemSettings>(machine_->Registry());
  system_->StrServiceUrl = service_->ServiceUrl();
  systemInstance_ = std::make_unique<lintrove::SystemSettings::ScopedInstance>(*system_);
}

void WinePrefixWindowTest::cleanup() {
  systemInstance_.reset();
  system_.reset();
  service_.reset();
  settings_ = nullptr;
  machine_.reset();
  environment_.reset();
  prefix_.reset();
  dir_.reset();
  MessageBox::ResetTestHook();
  SaveFileDialog::ResetTestHook();
}

std::unique_ptr<MainWindow> WinePrefixWindowTest::OpenScanned(
    std::optional<std::filesystem::path> prefix) {
  auto window = std::make_unique<MainWindow>(
      *settings_, lintrove::app::InventoriedMachine{machine_->Registry(), machine_->Installer(),
                                                    std::move(prefix)});
  QSignalSpy scanned(window.get(), &MainWindow::scanFinished);
  window->show();
  if (!scanned.wait(10000)) return nullptr;
  return window;
}

QStringList WinePrefixWindowTest::ChooseMachine(MainWindow& window, const QString& prefix) {
  QStringList offered;
  QTimer::singleShot(0, this, [&] {
    QWidget* dialog = QApplication::activeModalWidget();
    QVERIFY(dialog && dialog->objectName() == QStringLiteral("frm_optionen"));
    auto* machines = dialog->findChild<QComboBox*>(QStringLiteral("cbo_machine"));
    QVERIFY(machines->isVisibleTo(dialog));
    for (int i = 0; i < machines->count(); ++i) offered << machines->itemText(i);
    machines->setCurrentIndex(machines->findData(prefix));
    dialog->findChild<QAbstractButton*>(QStringLiteral("btn_ok"))->click();
  });
  Action(window, "act_optionen")->trigger();
  return offered;
}

bool WinePrefixWindowTest::Check(MainWindow& window) {
  QSignalSpy finished(&window, &MainWindow::workFinished);
  Action(window, "act_updatessuchen")->trigger();
  return finished.wait(10000);
}

std::string WinePrefixWindowTest::CommandLineRecord(const std::string& format) {
  std::ostringstream out, err;
  std::istringstream in;
  lintrove::cli::CommandContext context{machine_->Registry(), out, err, in, false};
  const std::vector<std::string> args{
      "--service",     service_->ServiceUrl(),  "--no-ssl", "--format", format,
      "--wine-prefix", prefix_->Path().string()};
  if (lintrove::cli::RunCheckCommand(args, context, machine_->Installer()) != 0) return err.str();
  return out.str();
}

QStringList WinePrefixWindowTest::Rows(MainWindow& window) {
  QStringList rows;
  const QAbstractItemModel* model = window.Programs().model();
  for (int row = 0; row < model->rowCount(); ++row) rows << model->index(row, 0).data().toString();
  return rows;
}

void WinePrefixWindowTest::optionsChooseThePrefixAndTheWindowScansIt() {
  const std::string prefixFiles = PrefixFiles();
  std::unique_ptr<MainWindow> window = OpenScanned();
  QVERIFY(window);
  QCOMPARE(Rows(*window), QStringList{"Own Program"});
  const QString ownCaption = window->windowTitle();

  QSignalSpy scanned(window.get(), &MainWindow::scanFinished);
  const QStringList offered = ChooseMachine(*window, Prefix());
  // $WINEPREFIX is found by the name of its directory.
  const QString name = QString::fromStdString(prefix_->Path().filename().string());
  QCOMPARE(offered, (QStringList{"Dieser Computer", "Wine: " + name + " (" + Prefix() + ")"}));
  QVERIFY(scanned.wait(10000));
  QCOMPARE(Rows(*window), (QStringList{"Alpha Notizblock", "Alt 32", "Werkzeug ü, \"Pro\""}));
  QCOMPARE(window->windowTitle(), ownCaption + " - " + Prefix());
  QCOMPARE(QString::fromStdString(settings_->str_wineprefix), Prefix());

  // Ticking a prefix's program marks it in the user's own store, never in the prefix.
  window->Programs().model()->setData(window->Programs().model()->index(1, 0), Qt::Checked,
                                      Qt::CheckStateRole);
  QVERIFY(lintrove::IgnoreMarks(machine_->Registry()).IsIgnored("Alt32Alt 320.9"));
  QCOMPARE(PrefixFiles(), prefixFiles);

  // And back to this computer.
  ChooseMachine(*window, QString());
  QVERIFY(scanned.wait(10000));
  QCOMPARE(Rows(*window), QStringList{"Own Program"});
  QCOMPARE(window->windowTitle(), ownCaption);
  QCOMPARE(settings_->str_wineprefix, std::string());
}

void WinePrefixWindowTest::theCommandLinesPrefixHoldsUntilTheOptionsChooseAnother() {
  settings_->str_wineprefix.clear();
  std::unique_ptr<MainWindow> window = OpenScanned(prefix_->Path());
  QVERIFY(window);
  QCOMPARE(Rows(*window).size(), 3);
  QVERIFY(window->windowTitle().endsWith(" - " + Prefix()));

  // The options as they were change nothing: no scan, the command line's prefix stays shown,
  // and it is not stored.
  QSignalSpy scanned(window.get(), &MainWindow::scanFinished);
  ChooseMachine(*window, QString());
  QVERIFY(!scanned.wait(300));
  QCOMPARE(Rows(*window).size(), 3);
  QCOMPARE(settings_->str_wineprefix, std::string());

  // Another choice takes over.
  ChooseMachine(*window, Prefix());
  QVERIFY(scanned.wait(10000));
  ChooseMachine(*window, QString());
  QVERIFY(scanned.wait(10000));
  QCOMPARE(Rows(*window), QStringList{"Own Program"});
}

void WinePrefixWindowTest::aChosenPrefixThatIsGoneIsAScanErrorAndStaysChosen() {
  const std::string gone = (dir_->Path() / "removed prefix").string();
  settings_->str_wineprefix = gone;
  MessageBox::SetNextAnswer(QMessageBox::Ok);
  std::unique_ptr<MainWindow> window = OpenScanned();
  QVERIFY(window);
  const auto shown = MessageBox::TakeAnswered();
  QVERIFY(shown);
  QVERIFY2(shown->text.contains(QString::fromStdString(gone + " ist kein Wine-Präfix")),
           qPrintable(shown->text));
  QCOMPARE(Rows(*window), QStringList{});
  QVERIFY(window->windowTitle().endsWith(QString::fromStdString(" - " + gone)));
  QCOMPARE(settings_->str_wineprefix, gone);

  // It stays a choice in the options, after the prefixes found.
  const QStringList offered = ChooseMachine(*window, QString::fromStdString(gone));
  QCOMPARE(offered.last(), QString::fromStdString("Wine-Präfix " + gone));
}

void WinePrefixWindowTest::exportSavesTheRecordTheCommandLinePrints() {
  const lintrove::ScopedClockOverride clock(lintrove::FromTimePoint(
      std::chrono::sys_days(std::chrono::year(2026) / std::chrono::December / 11) +
      std::chrono::hours(4)));
  std::unique_ptr<MainWindow> window = OpenScanned(prefix_->Path());
  QVERIFY(window);
  QAction* exportAction = Action(*window, "act_export");
  QVERIFY(!exportAction->isEnabled());
  QVERIFY(Check(*window));
  QVERIFY(exportAction->isEnabled());
  // The programs went with the prefix's Windows, not this computer's.
  QVERIFY(service_->ClientOf("step1")["WindowsVersion"].starts_with("10.0.19045 "));
  QCOMPARE(service_->ClientOf("step1")["win64"], std::string("1"));

  struct Case {
    QString name;
    int filter;
    std::filesystem::path written;
    std::string format;
  };
  const Case cases[] = {
      {QString::fromStdString((dir_->Path() / "check").string()), 0, dir_->Path() / "check.csv",
       "csv"},
      {QString::fromStdString((dir_->Path() / "check").string()), 1, dir_->Path() / "check.json",
       "json"},
      {QString::fromStdString((dir_->Path() / "audit.JSON").string()), 0,
       dir_->Path() / "audit.JSON", "json"},
  };
  for (const Case& c : cases) {
    SaveFileDialog::SetNextAnswer(SaveFileDialog::Answer{c.name, c.filter});
    exportAction->trigger();
    const auto asked = SaveFileDialog::TakeAsked();
    QVERIFY(asked);
    QCOMPARE(asked->caption, QStringLiteral("Prüfung exportieren"));
    QCOMPARE(asked->filters, (QStringList{"CSV-Dateien (*.csv)", "JSON-Dateien (*.json)"}));
    QVERIFY2(std::filesystem::exists(c.written), c.written.c_str());
    QCOMPARE(lintrove::test::ReadFileBytes(c.written), CommandLineRecord(c.format));
  }

  // A cancelled question writes nothing.
  const auto entries = [this] {
    std::set<std::filesystem::path> names;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dir_->Path())) {
      names.insert(entry.path());
    }
    return names;
  };
  const auto before = entries();
  SaveFileDialog::SetNextAnswer(std::nullopt);
  exportAction->trigger();
  QVERIFY(SaveFileDialog::TakeAsked());
  QVERIFY(entries() == before);

  // A scan brings new programs without verdicts: nothing to save until the next check.
  QSignalSpy scanned(window.get(), &MainWindow::scanFinished);
  Action(*window, "act_refresh")->trigger();
  QVERIFY(scanned.wait(10000));
  QVERIFY(!exportAction->isEnabled());
}

void WinePrefixWindowTest::aFailedExportSaysWhyAndKeepsTheRecord() {
  std::unique_ptr<MainWindow> window = OpenScanned(prefix_->Path());
  QVERIFY(window);
  QVERIFY(Check(*window));
  const std::filesystem::path missing = dir_->Path() / "no such folder" / "check.csv";
  SaveFileDialog::SetNextAnswer(SaveFileDialog::Answer{QString::fromStdString(missing), 0});
  MessageBox::SetNextAnswer(QMessageBox::Ok);
  Action(*window, "act_export")->trigger();
  const auto shown = MessageBox::TakeAnswered();
  QVERIFY(shown);
  QCOMPARE(shown->icon, QMessageBox::Critical);
  QVERIFY2(shown->text.startsWith("Die Prüfung wurde nicht gespeichert:\r\n"),
           qPrintable(shown->text));
  QVERIFY(shown->text.contains(QString::fromStdString(missing.parent_path().string())));

  // The record is still there to be saved elsewhere.
  QVERIFY(Action(*window, "act_export")->isEnabled());
  SaveFileDialog::SetNextAnswer(
      SaveFileDialog::Answer{QString::fromStdString((dir_->Path() / "check.csv").string()), 0});
  Action(*window, "act_export")->trigger();
  QVERIFY(std::filesystem::exists(dir_->Path() / "check.csv"));
}

QTEST_MAIN(WinePrefixWindowTest)
#include "wine_prefix_window_test.moc"
