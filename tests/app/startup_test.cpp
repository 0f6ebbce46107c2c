#include <QApplication>
#include <QProcess>
#include <QPushButton>
#include <QTimer>
#include <QtTest>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <iostream>
#include <memory>
#include <optional>
#include <sstream>

#include "app/error_box.h"
#include "app/main_window.h"
#include "app/message_box.h"
#include "app/run_application.h"
#include "base/date_time.h"
#include "platform/posix/posix_registry.h"
#include "platform/posix/xdg_logon_entry.h"
#include "platform/registry.h"
#include "platform/system_info.h"
#include "settings/client_settings.h"
#include "settings/system_settings.h"
#include "startup/error_report.h"
#include "support/temp_dir.h"

using lintrove::app::MainWindow;
using lintrove::app::MessageBox;

namespace {

constexpr lintrove::DateTime kNow = 46000.5;

// Redirects a standard stream into a string for its scope.
class CapturedStream {
 public:
  explicit CapturedStream(std::ostream& stream)
      : stream_(stream), old_(stream.rdbuf(buffer_.rdbuf())) {}
  ~CapturedStream() { stream_.rdbuf(old_); }
  CapturedStream(const CapturedStream&) = delete;
  CapturedStream& operator=(const CapturedStream&) = delete;
  std::string Text() const { return buffer_.str(); }

 private:
  std::ostream& stream_;
  std::ostringstream buffer_;
  std::streambuf* old_;
};

}  // namespace

// Runs the desktop client as main() does, in this process, against a registry directory and an
// XDG configuration directory of the test's own.
class StartupTest : public QObject {
  Q_OBJECT

 private slots:
  void init();
  void cleanup();
  void reminderDecisions_data();
  void reminderDecisions();
  void firstRunAsksAndSavesEveryValue();
  void recentCheckEndsSilentlyAndWritesTheSettingsBackUnchanged();
  void errorEscapingStartUpEndsWithExitCodeOneAndWritesNothing();
  void helpAndVersionAnswerWithoutStartingTheClient();
  void guardShowsEscapedErrorsAndTheLoopGoesOn();
  void executableEndsSilentlyAfterARecentCheck();

 private:
  struct Prepared {
    std::int32_t reminder;
    lintrove::DateTime lastCheck;
    bool logonEntry;
  };
  // Stores settings as an earlier run would have left them.
  std::string Prepare(const Prepared& prepared);
  // The arguments after the program name; records whether the main window came up and closes it.
  int Run(const QStringList& arguments);
  std::filesystem::path UserStore() const {
    return dir_->Path() / "registry" / "HKEY_CURRENT_USER.reg";
  }
  std::filesystem::path EntryFile() const {
    return dir_->Path() / "config" / "autostart" / "lintrove.desktop";
  }

  std::unique_ptr<lintrove::test::TempDir> dir_;
  std::unique_ptr<lintrove::platform::PosixRegistry> registry_;
  std::unique_ptr<lintrove::platform::XdgLogonEntry> logon_;
  std::unique_ptr<lintrove::ClientSettings> client_;
  std::unique_ptr<lintrove::SystemSettings> system_;
  std::unique_ptr<lintrove::ClientSettings::ScopedInstance> clientScope_;
  std::unique_ptr<lintrove::SystemSettings::ScopedInstance> systemScope_;
  std::unique_ptr<lintrove::ScopedClockOverride> clock_;
  bool windowSeen_ = false;
  QString windowCaption_;
};

void StartupTest::init() {
  dir_ = std::make_unique<lintrove::test::TempDir>();
  setenv("XDG_CONFIG_HOME", (dir_->Path() / "config").c_str(), 1);
  registry_ = std::make_unique<lintrove::platform::PosixRegistry>(dir_->Path() / "registry");
  // As the process-wide entry does: the directory comes from the environment.
  logon_ = std::make_unique<lintrove::platform::XdgLogonEntry>("lintrove");
  client_ = std::make_unique<lintrove::ClientSettings>(*registry_, *logon_);
  system_ = std::make_unique<lintrove::SystemSettings>(*registry_);
  clientScope_ = std::make_unique<lintrove::ClientSettings::ScopedInstance>(*client_);
  systemScope_ = std::make_unique<lintrove::SystemSettings::ScopedInstance>(*system_);
  clock_ = std::make_unique<lintrove::ScopedClockOverride>(kNow);
  windowSeen_ = false;
  windowCaption_.clear();
  MessageBox::ResetTestHook();
}

void StartupTest::cleanup() {
  MessageBox::ResetTestHook();
  clock_.reset();
  systemScope_.reset();
  clientScope_.reset();
  system_.reset();
  client_.reset();
  logon_.reset();
  registry_.reset();
  dir_.reset();
}

std::string StartupTest::Prepare(const Prepared& prepared) {
  lintrove::platform::PosixRegistry registry(dir_->Path() / "registry");
  lintrove::ClientSettings earlier(registry, *logon_);
  earlier.int_reminder = prepared.reminder;
  earlier.dat_lastcheck = prepared.lastCheck;
  earlier.Save();
  if (prepared.logonEntry) {
    logon_->Write({"/usr/bin/lintrove", {"/reminder"}});
  } else {
    logon_->Remove();
  }
  return earlier.ClientGuid;
}

int StartupTest::Run(const QStringList& arguments) {
  std::vector<std::string> storage = {"lintrove"};
  for (const QString& argument : arguments) storage.push_back(argument.toStdString());
  std::vector<char*> argv;
  for (std::string& argument : storage) argv.push_back(argument.data());
  argv.push_back(nullptr);
  int argc = static_cast<int>(storage.size());

  // Fires only once a message loop runs, which start-up does for the main window alone. The
  // window's first-start guidance and notice come as modal dialogs; each is closed in turn.
  QTimer closer;
  connect(&closer, &QTimer::timeout, this, [this] {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
      auto* window = qobject_cast<MainWindow*>(widget);
      if (window == nullptr || !window->isVisible() || windowSeen_) continue;
      windowSeen_ = true;
      windowCaption_ = window->windowTitle();
      // Closed once its first scan is over: closed while a dialog's loop still winds down, it
      // would not count as the last window, and the application would not end.
      connect(window, &MainWindow::scanFinished, window, &QWidget::close, Qt::QueuedConnection);
    }
    if (QWidget* dialog = QApplication::activeModalWidget()) dialog->close();
  });
  closer.start(0);
  const int exitCode = lintrove::app::RunApplication(argc, argv.data());
  closer.stop();
  return exitCode;
}

void StartupTest::reminderDecisions_data() {
  QTest::addColumn<QStringList>("arguments");
  QTest::addColumn<int>("reminder");
  QTest::addColumn<double>("daysAgo");
  QTest::addColumn<bool>("logonEntry");
  QTest::addColumn<bool>("asked");
  QTest::addColumn<bool>("answerYes");
  QTest::addColumn<bool>("window");
  QTest::addColumn<int>("reminderAfter");

  QTest::newRow("no arguments, checked just now")
      << QStringList{} << 1 << 0.0 << true << false << false << true << 1;
  QTest::newRow("no arguments, no log-on entry")
      << QStringList{} << 2 << 90.0 << false << false << false << true << 0;
  QTest::newRow("/REMINDER, weekly, 3 days")
      << QStringList{"/REMINDER"} << 1 << 3.0 << true << false << false << false << 1;
  QTest::newRow("-reminder, unset period, 8 days, No")
      << QStringList{"-reminder"} << 0 << 8.0 << true << true << false << false << 0;
  QTest::newRow("/reminder, four weeks, 20 days")
      << QStringList{"/reminder"} << 3 << 20.0 << true << false << false << false << 3;
  QTest::newRow("/reminder, four weeks, 29 days, No")
      << QStringList{"/reminder"} << 3 << 29.0 << true << true << false << false << 3;
  QTest::newRow("/reminder, four weeks, 29 days, Yes")
      << QStringList{"/reminder"} << 3 << 29.0 << true << true << true << true << 3;
  QTest::newRow("/reminders is no switch")
      << QStringList{"/reminders"} << 1 << 3.0 << true << false << false << true << 1;
}

void StartupTest::reminderDecisions() {
  QFETCH(QStringList, arguments);
  QFETCH(int, reminder);
  QFETCH(double, daysAgo);
  QFETCH(bool, logonEntry);
  QFETCH(bool, asked);
  QFETCH(bool, answerYes);
  QFETCH(bool, window);
  QFETCH(int, reminderAfter);
  const std::string guid = Prepare({reminder, kNow - daysAgo, logonEntry});
  // Only a save brings it back.
  {
    lintrove::platform::Registry registry(lintrove::platform::RootKey::CurrentUser,
                                          lintrove::platform::RegistryView::Default, *registry_);
    QVERIFY(registry.OpenKey(lintrove::SettingsKey, false));
    QVERIFY(registry.DeleteValue("bol_ssl"));
  }

  MessageBox::SetNextAnswer(answerYes ? QMessageBox::Yes : QMessageBox::No);
  QCOMPARE(Run(arguments), 0);

  const auto question = MessageBox::TakeAnswered();
  QCOMPARE(question.has_value(), asked);
  if (question) {
    QCOMPARE(question->icon, QMessageBox::Question);
    QCOMPARE(question->buttons, QMessageBox::Yes | QMessageBox::No);
    QCOMPARE(question->buttonTexts, (QStringList{QStringLiteral("&Ja"), QStringLiteral("&Nein")}));
    QCOMPARE(question->title, QStringLiteral("Dorv Lintrove"));
    QCOMPARE(question->text, QStringLiteral("Sie haben längere Zeit nicht Lintrove ausgeführt. "
                                            "Möchten Sie es nun ausführen?"));
  }
  QCOMPARE(windowSeen_, window);
  if (window)
    QCOMPARE(windowCaption_,
             QStringLiteral("Dorv Lintrove - www.lintrove.example - Version: 1.4.0.0"));

  // Saved on every way out: what the run loaded, and the log-on entry by the period.
  lintrove::platform::PosixRegistry stored(dir_->Path() / "registry");
  lintrove::ClientSettings after(stored, *logon_);
  after.Load();
  QCOMPARE(after.ClientGuid, guid);
  QCOMPARE(after.dat_lastcheck, kNow - daysAgo);
  QCOMPARE(after.int_reminder, reminderAfter);
  QVERIFY(after.bol_ssl);
  lintrove::platform::Registry registry(lintrove::platform::RootKey::CurrentUser,
                                        lintrove::platform::RegistryView::Default, stored);
  QVERIFY(registry.OpenKeyReadOnly(lintrove::SettingsKey));
  QVERIFY(registry.ValueExists("bol_ssl"));
  QCOMPARE(std::filesystem::exists(EntryFile()), reminderAfter > 0);
  if (reminderAfter > 0) {
    QVERIFY(lintrove::test::ReadFileBytes(EntryFile())
                .find("Exec=" + lintrove::platform::ExecutablePath() + " /reminder\n") !=
            std::string::npos);
  }
}

// Nothing stored yet: the reminder asks, and the answer Yes opens the window, whose first-start
// guidance (closed here) ends the first start.
void StartupTest::firstRunAsksAndSavesEveryValue() {
  MessageBox::SetNextAnswer(QMessageBox::Yes);
  QCOMPARE(Run({"/reminder"}), 0);
  QVERIFY(MessageBox::TakeAnswered().has_value());
  QVERIFY(windowSeen_);

  lintrove::platform::Registry registry(lintrove::platform::RootKey::CurrentUser,
                                        lintrove::platform::RegistryView::Default, *registry_);
  QVERIFY(registry.OpenKeyReadOnly(lintrove::SettingsKey));
  QCOMPARE(registry.GetValueNames().size(), std::size_t{12});
  QCOMPARE(registry.ReadString("ClientGuid"), client_->ClientGuid);
  QCOMPARE(registry.ReadFloat("dat_lastcheck"), 0.0);
  QCOMPARE(registry.ReadInteger("int_reminder"), 0);
  QVERIFY(!std::filesystem::exists(EntryFile()));
}

void StartupTest::recentCheckEndsSilentlyAndWritesTheSettingsBackUnchanged() {
  Prepare({1, kNow - 3, true});
  // The entry as this executable writes it, so that only a change would alter its bytes.
  logon_->Write({lintrove::platform::ExecutablePath(), {"/reminder"}});
  const std::string storeBefore = lintrove::test::ReadFileBytes(UserStore());
  const std::string entryBefore = lintrove::test::ReadFileBytes(EntryFile());

  MessageBox::SetNextAnswer(QMessageBox::Yes);
  QCOMPARE(Run({"/REMINDER"}), 0);

  QVERIFY(!MessageBox::TakeAnswered().has_value());
  QVERIFY(!windowSeen_);
  QCOMPARE(lintrove::test::ReadFileBytes(UserStore()), storeBefore);
  QCOMPARE(lintrove::test::ReadFileBytes(EntryFile()), entryBefore);
}

void StartupTest::errorEscapingStartUpEndsWithExitCodeOneAndWritesNothing() {
  Prepare({2, kNow - 30, true});
  {
    lintrove::platform::Registry registry(lintrove::platform::RootKey::CurrentUser,
                                          lintrove::platform::RegistryView::Default, *registry_);
    QVERIFY(registry.OpenKey(lintrove::SettingsKey, false));
    registry.WriteString("int_reminder", "2");
  }
  logon_->Remove();
  const std::string storeBefore = lintrove::test::ReadFileBytes(UserStore());

  MessageBox::SetNextAnswer(QMessageBox::Ok);
  int exitCode = -1;
  std::string errors;
  {
    CapturedStream captured(std::cerr);
    exitCode = Run({"/reminder"});
    errors = captured.Text();
  }
  QCOMPARE(exitCode, 1);
  const std::string message =
      "Lintrove wird wegen eines Fehlers beendet: Ungültiger Datentyp für 'int_reminder'";
  QCOMPARE(errors, message + "\n");
  const auto box = MessageBox::TakeAnswered();
  QVERIFY(box.has_value());
  QCOMPARE(box->icon, QMessageBox::Critical);
  QCOMPARE(box->buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
  QCOMPARE(box->title, QStringLiteral("Dorv Lintrove"));
  QCOMPARE(box->text.toStdString(), message);
  QVERIFY(!windowSeen_);
  QCOMPARE(lintrove::test::ReadFileBytes(UserStore()), storeBefore);
  QVERIFY(!std::filesystem::exists(EntryFile()));
}

void StartupTest::helpAndVersionAnswerWithoutStartingTheClient() {
  for (const auto& [argument, expected] :
       {std::pair{QStringLiteral("--version"), std::string("Lintrove 1.4.0.0\n")},
        std::pair{QStringLiteral("--help"), std::string("Aufruf: lintrove [/reminder]")}}) {
    CapturedStream captured(std::cout);
    QCOMPARE(Run({argument}), 0);
    QVERIFY2(captured.Text().starts_with(expected), captured.Text().c_str());
  }
  QVERIFY(!windowSeen_);
  QVERIFY(!std::filesystem::exists(UserStore()));
}

void StartupTest::guardShowsEscapedErrorsAndTheLoopGoesOn() {
  QPushButton button;
  int runs = 0;
  std::function<void()> failure;
  connect(&button, &QPushButton::clicked, &button, [&] {
    lintrove::app::RunGuarded(&button, [&] {
      ++runs;
      if (failure) failure();
    });
  });

  struct Case {
    const char* label;
    std::function<void()> failure;
    std::optional<QString> shown;
  };
  const std::vector<Case> cases = {
      {"error", [] { throw lintrove::Error("Verbindung fehlgeschlagen"); },
       QStringLiteral("Verbindung fehlgeschlagen.")},
      {"error ending in a period", [] { throw lintrove::Error("Abgebrochen."); },
       QStringLiteral("Abgebrochen.")},
      {"library error", [] { throw std::runtime_error("bad_alloc"); },
       QStringLiteral("bad_alloc.")},
      {"silent abort", [] { throw lintrove::Abort(); }, std::nullopt},
      {"no error", nullptr, std::nullopt},
  };
  for (const Case& c : cases) {
    failure = c.failure;
    MessageBox::SetNextAnswer(QMessageBox::Ok);
    button.click();
    const auto box = MessageBox::TakeAnswered();
    QVERIFY2(box.has_value() == c.shown.has_value(), c.label);
    if (box) {
      QCOMPARE(box->text, *c.shown);
      QCOMPARE(box->icon, QMessageBox::Critical);
      QCOMPARE(box->title, QStringLiteral("Dorv Lintrove"));
    }
    MessageBox::ResetTestHook();
  }
  QCOMPARE(runs, static_cast<int>(cases.size()));
}

// The real executable as the log-on entry starts it: it ends by itself with exit code 0.
void StartupTest::executableEndsSilentlyAfterARecentCheck() {
  Prepare({1, kNow - 3, true});
  {
    lintrove::platform::Registry registry(lintrove::platform::RootKey::CurrentUser,
                                          lintrove::platform::RegistryView::Default, *registry_);
    QVERIFY(registry.OpenKey(lintrove::SettingsKey, false));
    // The process reads the real clock.
    registry.WriteFloat("dat_lastcheck",
                        lintrove::FromTimePoint(std::chrono::system_clock::now()) - 3);
  }
  const std::string storeBefore = lintrove::test::ReadFileBytes(UserStore());

  QProcess process;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert("LINTROVE_REGISTRY_DIR",
                     QString::fromStdString((dir_->Path() / "registry").string()));
  environment.insert("XDG_CONFIG_HOME", QString::fromStdString((dir_->Path() / "config").string()));
  environment.insert("QT_QPA_PLATFORM", "offscreen");
  // Private to its user, as Qt wants it, so that the run has nothing to complain about.
  environment.insert("XDG_RUNTIME_DIR", QString::fromStdString(dir_->Path().string()));
  process.setProcessEnvironment(environment);
  process.start(QStringLiteral(LINTROVE_EXECUTABLE), {"/reminder"});
  QVERIFY(process.waitForFinished(60000));
  QCOMPARE(process.exitStatus(), QProcess::NormalExit);
  QCOMPARE(process.exitCode(), 0);
  QCOMPARE(process.readAllStandardError(), QByteArray());
  QCOMPARE(lintrove::test::ReadFileBytes(UserStore()), storeBefore);
  QVERIFY(std::filesystem::exists(EntryFile()));

  process.start(QStringLiteral(LINTROVE_EXECUTABLE), {"--version"});
  QVERIFY(process.waitForFinished(60000));
  QCOMPARE(process.exitCode(), 0);
  QCOMPARE(process.readAllStandardOutput(), QByteArray("Lintrove 1.4.0.0\n"));
}

QTEST_MAIN(StartupTest)
#include "startup_test.moc"
