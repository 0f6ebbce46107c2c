#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>
#include <memory>
#include <string>

#include "app/main_window.h"
#include "app/program_list.h"
#include "app/service_page.h"
#include "app/window_translation.h"
#include "localization/localizer.h"
#include "settings/ignore_marks.h"
#include "settings/system_settings.h"
#include "support/machine_text.h"
#include "support/recording_shell.h"
#include "support/scratch_machine.h"

// The main window on a machine of the test's own, in both builds: on Linux its registry store, on
// Windows the registry of the test's Wine prefix, read through the system's own functions.
class WindowOnMachineTest : public QObject {
  Q_OBJECT

 private slots:
  void init();
  void cleanup();
  void listShowsTheMachinesProgramsSortedWithTheirImages();
  void selectingAProgramShowsItsDetails();
  void aTickStoresTheIgnoreMarkAtOnce();
  void windowSpeaksTheLoadedLanguage();
  void optionsChosenInTheWindowAreStored();
  void aCheckAgainstTheServiceGivesEveryProgramItsVerdict();
#ifdef _WIN32
  void servicePageOpensInTheUsersBrowser();
#endif

 private:
  // The row of a program of this test's machine; -1 when the list lacks it.
  int RowOf(const QString& name) const;
  QModelIndex Index(int row) const { return window_->Programs().model()->index(row, 0); }

  std::unique_ptr<lintrove::test::ScratchMachine> machine_;
  std::unique_ptr<lintrove::app::MainWindow> window_;
};

namespace {

// Names no other program of a test prefix has, so that the rows of this machine can be told.
const QStringList kPrograms = {"Lintrove Test Zeta", "Lintrove Test alpha", "Lintrove Test Beta"};

std::string Entry(const QString& name, const std::string& version) {
  const std::string text = name.toStdString();
  return lintrove::test::Key(lintrove::test::kUninstall64, text + " key",
                             "\"DisplayName\"=\"" + text + "\"\r\n\"DisplayVersion\"=\"" + version +
                                 "\"\r\n\"UninstallString\"=\"x.exe /x\"");
}

}  // namespace

void WindowOnMachineTest::init() {
  machine_ = std::make_unique<lintrove::test::ScratchMachine>(
      Entry(kPrograms[0], "3.0") + Entry(kPrograms[1], "1.0") + Entry(kPrograms[2], "2.5"));
  // Neither the first start's guidance nor the community notice: the list comes at once.
  machine_->Settings().dat_lastcheck = 0.0;
  machine_->Settings().bol_uptodatehinweis = true;
  window_ = std::make_unique<lintrove::app::MainWindow>(
      machine_->Settings(),
      lintrove::app::InventoriedMachine{machine_->Registry(), machine_->Installer()});
  QSignalSpy scanned(window_.get(), &lintrove::app::MainWindow::scanFinished);
  window_->show();
  QVERIFY(scanned.wait(60000));
}

void WindowOnMachineTest::cleanup() {
  window_.reset();
  machine_.reset();
}

int WindowOnMachineTest::RowOf(const QString& name) const {
  for (int row = 0; row < window_->Programs().model()->rowCount(); ++row) {
    if (Index(row).data().toString() == name) return row;
  }
  return -1;
}

void WindowOnMachineTest::listShowsTheMachinesProgramsSortedWithTheirImages() {
  // Byte for byte: capitals before small letters.
  const int beta = RowOf(kPrograms[2]), zeta = RowOf(kPrograms[0]), alpha = RowOf(kPrograms[1]);
  QVERIFY(beta >= 0 && zeta >= 0 && alpha >= 0);
  QVERIFY(beta < zeta && zeta < alpha);
  for (const int row : {beta, zeta, alpha}) {
    const auto icon = Index(row).data(Qt::DecorationRole).value<QIcon>();
    // Drawn for 100 % and 200 % alike, not scaled up from the smaller.
    QVERIFY(icon.availableSizes().contains(QSize(16, 16)));
    QVERIFY(icon.availableSizes().contains(QSize(32, 32)));
    QVERIFY(!icon.pixmap(QSize(16, 16), 2.0).isNull());
  }
}

void WindowOnMachineTest::selectingAProgramShowsItsDetails() {
  const int row = RowOf(kPrograms[2]);
  QVERIFY(row >= 0);
  window_->Programs().setCurrentIndex(Index(row));
  auto* name = window_->findChild<QLabel*>(QStringLiteral("lbl_produkt"));
  auto* version = window_->findChild<QLabel*>(QStringLiteral("lbl_version"));
  QVERIFY(name != nullptr && version != nullptr);
  QCOMPARE(name->text(), kPrograms[2]);
  QVERIFY2(version->text().contains(QStringLiteral("2.5")), qPrintable(version->text()));
}

void WindowOnMachineTest::aTickStoresTheIgnoreMarkAtOnce() {
  const int row = RowOf(kPrograms[0]);
  QVERIFY(row >= 0);
  // A program's identity: its key's name, its name and its version.
  const std::string identity =
      kPrograms[0].toStdString() + " key" + kPrograms[0].toStdString() + "3.0";
  QVERIFY(!lintrove::IgnoreMarks(machine_->Registry()).IsIgnored(identity));
  QVERIFY(window_->Programs().model()->setData(Index(row), Qt::Checked, Qt::CheckStateRole));
  QVERIFY(lintrove::IgnoreMarks(machine_->Registry()).IsIgnored(identity));
}

void WindowOnMachineTest::windowSpeaksTheLoadedLanguage() {
  lintrove::LanguageFileLocalizer& localizer = lintrove::ProcessLocalizer();
  localizer.SetBaseName("lintrove");
  localizer.SetLanguageDir(LINTROVE_LANGUAGES_DIR);
  auto* refresh = window_->findChild<QAction*>(QStringLiteral("act_refresh"));
  QVERIFY(refresh != nullptr);
  const QString german = refresh->text();
  // English (neutral), translating the open windows, as the language chosen in the options is.
  lintrove::app::InstallWindowTranslation();
  QVERIFY(localizer.LoadLanguage(0x0009, true));
  const QString english = refresh->text();
  localizer.UnloadLanguage();
  QCOMPARE(english, QStringLiteral("Refresh"));
  QVERIFY(german != english);
}

// The options dialog of the window, then the settings stored as the client stores them when it
// ends: read back, they hold the choices, and the reminder's log-on entry exists.
void WindowOnMachineTest::optionsChosenInTheWindowAreStored() {
  QTimer answer;
  connect(&answer, &QTimer::timeout, this, [&] {
    QWidget* dialog = QApplication::activeModalWidget();
    if (dialog == nullptr || dialog->objectName() != QLatin1String("frm_optionen")) return;
    answer.stop();
    dialog->findChild<QComboBox*>(QStringLiteral("cbo_reminder"))->setCurrentIndex(2);
    dialog->findChild<QCheckBox*>(QStringLiteral("cb_ssl"))->setChecked(false);
    dialog->findChild<QAbstractButton*>(QStringLiteral("btn_ok"))->click();
  });
  answer.start(0);
  window_->findChild<QAction*>(QStringLiteral("act_optionen"))->trigger();
  QVERIFY(!answer.isActive());
  machine_->Settings().Save();

  lintrove::ClientSettings stored(machine_->Registry(), machine_->Logon());
  stored.Load();
  QCOMPARE(stored.int_reminder, 2);
  QCOMPARE(stored.bol_ssl, false);
  QVERIFY(machine_->Logon().Exists());
}

// A check against the update service of the Linux build (with_service.sh starts it): a catalog
// that knows none of the programs says so of each, and the check is recorded.
void WindowOnMachineTest::aCheckAgainstTheServiceGivesEveryProgramItsVerdict() {
  const QString address = qEnvironmentVariable("LINTROVE_TEST_SERVICE");
  QVERIFY2(!address.isEmpty(),
           "LINTROVE_TEST_SERVICE names no service: run through with_service.sh");
  lintrove::SystemSettings system(machine_->Registry());
  system.StrServiceUrl = address.toStdString() + "/updateservice1400.php";
  const lintrove::SystemSettings::ScopedInstance systemInstance(system);
  machine_->Settings().bol_ssl = false;

  QSignalSpy finished(window_.get(), &lintrove::app::MainWindow::workFinished);
  window_->findChild<QAction*>(QStringLiteral("act_updatessuchen"))->trigger();
  QVERIFY(finished.wait(60000));
  QVERIFY(machine_->Settings().dat_lastcheck > 0.0);
  int checked = 0;
  const lintrove::VerdictList& records = window_->Records();
  for (int record = 0; record < records.Count(); ++record) {
    const lintrove::ProgramVerdict& verdict = records.Items(record);
    if (!kPrograms.contains(QString::fromStdString(verdict.program->GetName()))) continue;
    QCOMPARE(verdict.status, lintrove::ProgramStatus::Unsupported);
    ++checked;
  }
  QCOMPARE(checked, int(kPrograms.size()));
}

#ifdef _WIN32
// No browser engine is embedded on Windows: the page says where it opens, and its button opens
// the address it was given in the user's browser.
void WindowOnMachineTest::servicePageOpensInTheUsersBrowser() {
  lintrove::test::RecordingShell shell;
  lintrove::app::ServicePage page(QStringLiteral("TabSheet2"), nullptr, shell);
  const QUrl address(QStringLiteral("http://127.0.0.1:8080/updateservicefeedback1400.php?id=7"));
  page.Open(address);
  auto* open = page.findChild<QPushButton*>(QStringLiteral("btn_pageinbrowser"));
  auto* text = page.findChild<QLabel*>(QStringLiteral("lbl_pageinbrowser"));
  QVERIFY(open != nullptr && text != nullptr);
  QVERIFY(!text->text().isEmpty());
  QVERIFY(shell.calls.empty());
  open->click();
  QCOMPARE(shell.calls.size(), std::size_t{1});
  QCOMPARE(shell.calls[0].operation, std::string("ShellOpen"));
  QCOMPARE(QString::fromStdString(shell.calls[0].file), address.toString());
}
#endif

QTEST_MAIN(WindowOnMachineTest)
#include "window_on_machine_test.moc"
