#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTimer>
#include <QWebEngineView>
#include <QtTest>
#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>

#include <pugixml.hpp>

#include "app/download_window.h"
#include "app/main_window.h"
#include "app/message_box.h"
#include "app/program_list.h"
#include "base/date_time.h"
#include "base/format.h"
#include "base/release_messages.h"
#include "base/resource_strings.h"
#include "platform/client_version.h"
#include "platform/download_directory.h"
#include "platform/posix/posix_installer_database.h"
#include "platform/posix/posix_registry.h"
#include "platform/posix/xdg_logon_entry.h"
#include "protocol/test_http_server.h"
#include "settings/client_settings.h"
#include "settings/ignore_marks.h"
#include "settings/system_settings.h"
#include "startup/error_report.h"
#include "support/installer_machine.h"
#include "support/machine_text.h"
#include "support/release_signing.h"
#include "support/scoped_environment.h"
#include "support/temp_dir.h"

using lintrove::app::MainWindow;
using lintrove::app::MessageBox;

namespace {

QString Text(int id) { return QString::fromStdString(lintrove::LoadResString(id)); }

QString ErrorText(const std::string& message) {
  return QString::fromStdString(lintrove::ErrorBoxText(message));
}

// SHA-256 of "abc".
constexpr const char* kAbcSha256 =
    "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad";

// An update service on 127.0.0.1 that each test shapes: "noop", "updatecheck" and "step1" over
// POST, and over GET the information page and the setup. step1 judges programs by name: in the
// catalog supported (with its versions as newer ones), otherwise unsupported. A stalled answer
// waits until the service goes.
class LocalService {
 public:
  LocalService()
      : server_([this](const httplib::Request& request,
                       httplib::Response& response) { Answer(request, response); },
                [this](const httplib::Request& request, httplib::Response& response) {
                  Serve(request, response);
                }) {}
  ~LocalService() {
    {
      std::lock_guard lock(mutex_);
      released_ = true;
    }
    released.notify_all();
  }

  std::string Url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(server_.Port()) + path;
  }
  std::string ServiceUrl() const { return server_.ServiceUrl(); }

  std::vector<std::string> Commands() const {
    std::lock_guard lock(mutex_);
    return commands_;
  }
  std::optional<std::size_t> ProgramsSent() const {
    std::lock_guard lock(mutex_);
    return programs_sent_;
  }

  // Set before a check.
  std::string noop = "<dorvupdater><status>ok</status></dorvupdater>";
  std::string client_version = lintrove::ClientVersion();
  bool force_update = false;
  std::string download_path = "/downloads/2026/lintrove_99.0.0.0_amd64.deb?lang=de";
  std::string sha256;
  std::string signature = lintrove::test::SignedByReleaseKey("abc");
  std::map<std::string, std::vector<std::string>> catalog;
  std::optional<std::string> step1;  // an answer of its own instead of the verdicts
  bool stall_step1 = false;
  bool stall_setup = false;

 private:
  void Answer(const httplib::Request& request, httplib::Response& response) {
    pugi::xml_document document;
    document.load_string(request.body.c_str());
    const std::string command =
        document.select_node("/dorvupdater/Command/str_command").node().child_value();
    std::unique_lock lock(mutex_);
    commands_.push_back(command);
    std::string body;
    if (command == "noop") {
      body = noop;
    } else if (command == "updatecheck") {
      body = "<dorvupdater><currentversion>" + client_version + "</currentversion><downloadurl>" +
             Url(download_path) + "</downloadurl><forceupdate>" +
             (force_update ? "true" : "false") + "</forceupdate><infopage>" + Url("/news") +
             "</infopage>" + (sha256.empty() ? "" : "<sha256>" + sha256 + "</sha256>") +
             "<signature>" + signature + "</signature></dorvupdater>";
    } else {
      if (stall_step1) released.wait(lock, [this] { return released_; });
      body = step1 ? *step1 : Verdicts(document);
    }
    response.set_content(body, "text/xml; charset=UTF-8");
  }

  std::string Verdicts(const pugi::xml_document& request) {
    std::string answer = "<dorvupdater><ProgrammVersionliste>";
    std::size_t count = 0;
    for (pugi::xml_node program : request.select_node("/dorvupdater/Programme").node().children()) {
      ++count;
      std::string name = program.child("DisplayName").child_value();
      if (name.empty()) name = program.child("ProductName").child_value();
      const std::string id = program.attribute("ID").value();
      const auto known = catalog.find(name);
      if (known == catalog.end()) {
        answer += "<Programm ID=\"" + id + "\" Status=\"unknown\"/>";
        continue;
      }
      answer += "<Programm ID=\"" + id +
                "\" Status=\"supported\" Hash=\"h\" CurrentVersionId=\"1\" "
                "str_hersteller=\"v\" str_homepage=\"\">";
      for (const std::string& version : known->second) {
        answer += "<Version><str_versionsname>" + version + "</str_versionsname></Version>";
      }
      answer += "</Programm>";
    }
    programs_sent_ = count;
    return answer + "</ProgrammVersionliste></dorvupdater>";
  }

  void Serve(const httplib::Request& request, httplib::Response& response) {
    if (request.path == "/news") {
      response.set_content("<html><body>Neu</body></html>", "text/html");
    } else if (request.path == "/missing.deb") {
      response.status = 404;
      response.set_content("<html>weg</html>", "text/html");
    } else if (stall_setup) {
      // The first kilobyte, then nothing until the service goes.
      response.set_chunked_content_provider(
          "application/octet-stream", [this](std::size_t offset, httplib::DataSink& sink) {
            if (offset == 0) return sink.write(std::string(1024, 'x').data(), 1024);
            std::unique_lock lock(mutex_);
            released.wait(lock, [this] { return released_; });
            return false;
          });
    } else {
      response.set_content("abc", "application/octet-stream");
    }
  }

  mutable std::mutex mutex_;
  std::condition_variable released;
  bool released_ = false;
  std::vector<std::string> commands_;
  std::optional<std::size_t> programs_sent_;
  lintrove::test::TestHttpServer server_;
};

// Calls `act` on every turn of the event loop until it returns true; the turns show that the
// loop runs.
class Watcher : public QObject {
 public:
  explicit Watcher(std::function<bool()> act) : act_(std::move(act)) {
    connect(&timer_, &QTimer::timeout, this, [this] {
      ++turns;
      if (act_()) timer_.stop();
    });
    timer_.start(0);
  }
  int turns = 0;

 private:
  std::function<bool()> act_;
  QTimer timer_;
};

// Writes down every window that is shown, however briefly: a poll between events would miss one
// that comes and goes while the machine is busy.
class ShownWindows : public QObject {
 public:
  ShownWindows() { qApp->installEventFilter(this); }
  ~ShownWindows() override { qApp->removeEventFilter(this); }
  bool Saw(const char* name) const { return names_.contains(QLatin1String(name)); }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Show && watched->isWidgetType() &&
        static_cast<QWidget*>(watched)->isWindow()) {
      names_ << watched->objectName();
    }
    return false;
  }

 private:
  QStringList names_;
};

QWidget* ShownWindow(const char* name) {
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    if (widget->objectName() == QLatin1String(name) && widget->isVisible()) return widget;
  }
  return nullptr;
}

// The state of the update dialog as the user sees it.
struct DialogState {
  QStringList buttons;  // the visible ones, disabled ones marked with "-"
  QString status;
  QString thisVersion;
  QString currentVersion;
  QUrl page;
};

DialogState ReadDialog(QWidget& dialog) {
  DialogState state;
  for (const char* name : {"btn_updatenow", "btn_later", "btn_cancel", "btn_close"}) {
    auto* button = dialog.findChild<QAbstractButton*>(QLatin1String(name));
    if (!button->isVisible()) continue;
    state.buttons << (button->isEnabled() ? "" : "-") + QLatin1String(name);
  }
  state.status = dialog.findChild<QLabel*>("lbl_updatestatus")->text();
  state.thisVersion = dialog.findChild<QLabel*>("lbl_thisversion")->text();
  state.currentVersion = dialog.findChild<QLabel*>("lbl_currentversion")->text();
  const auto* page = dialog.findChild<QWebEngineView*>("WebBrowser1");
  state.page = page ? page->url() : QUrl();
  return state;
}

}  // namespace

// The update check and the self-update in the main window, on a machine of the test's own and
// against a service on 127.0.0.1: Alpha 2.0 and Beta (registry), Gamma Suite (installer), and
// Delta, which the user ignores.
class UpdateCheckTest : public QObject {
  Q_OBJECT

 private slots:
  void init();
  void cleanup();
  void completedCheckRebuildsTheListWithTheVerdicts();
  void failedCheckKeepsTheListAndTheTimeOfTheLastCheck_data();
  void failedCheckKeepsTheListAndTheTimeOfTheLastCheck();
  void everyProgramCheckedSendsNoneAndStillCompletes();
  void menuCheckOfAnUnreachableServiceShowsNoDialog();
  void stalledServiceKeepsTheWindowAliveUntilCancelled_data();
  void stalledServiceKeepsTheWindowAliveUntilCancelled();
  void updateDialogShowsTheStateForCallerAndVersions_data();
  void updateDialogShowsTheStateForCallerAndVersions();
  void updateNowDownloadsStartsTheSetupAndEndsTheClient();
  void refusedDownloadLeavesNoFileAndTheClientGoesOn_data();
  void refusedDownloadLeavesNoFileAndTheClientGoesOn();
  void setupThatCannotStartIsKeptAndTheClientStaysOpen();
  void quittingDuringAnExchangeCancelsItAndCloses_data();
  void quittingDuringAnExchangeCancelsItAndCloses();
  void progressCountsWholeKilobytes();

 private:
  std::unique_ptr<MainWindow> OpenScanned();
  static QAction* Action(MainWindow& window, const char* name) {
    return window.findChild<QAction*>(QString::fromLatin1(name));
  }
  // Triggers the command and waits until the work it started has ended.
  static bool Run(MainWindow& window, const char* name) {
    QSignalSpy finished(&window, &MainWindow::workFinished);
    Action(window, name)->trigger();
    return finished.wait(15000);
  }
  static QStringList Rows(MainWindow& window);
  static std::vector<lintrove::ProgramStatus> Statuses(MainWindow& window);

  std::unique_ptr<lintrove::test::TempDir> dir_;
  std::unique_ptr<lintrove::test::ScopedEnvironment> environment_;
  std::unique_ptr<lintrove::platform::PosixRegistry> registry_;
  std::unique_ptr<lintrove::platform::PosixInstallerDatabase> installer_;
  std::unique_ptr<lintrove::platform::XdgLogonEntry> logon_;
  std::unique_ptr<lintrove::ClientSettings> settings_;
  std::unique_ptr<lintrove::SystemSettings> system_;
  std::unique_ptr<lintrove::SystemSettings::ScopedInstance> systemInstance_;
  std::unique_ptr<LocalService> service_;
};

void UpdateCheckTest::init() {
  MessageBox::ResetTestHook();
  dir_ = std::make_unique<lintrove::test::TempDir>();
  // Downloads land in the test's directory; "wine" and "xdg-open" (which opens a package) are
  // scripts that note what they were to start.
  environment_ = std::make_unique<lintrove::test::ScopedEnvironment>();
  environment_->Set("TMPDIR", dir_->Path().string());
  std::filesystem::create_directories(dir_->Path() / "bin");
  for (const char* starter : {"wine", "xdg-open"}) {
    lintrove::test::WriteFileBytes(dir_->Path() / "bin" / starter,
                                   "#!/bin/sh\necho \"$@\" > \"" +
                                       (dir_->Path() / "started.part").string() + "\"\n/bin/mv \"" +
                                       (dir_->Path() / "started.part").string() + "\" \"" +
                                       (dir_->Path() / "started").string() + "\"\n");
    std::filesystem::permissions(dir_->Path() / "bin" / starter, std::filesystem::perms::owner_all);
  }
  environment_->Set("PATH", (dir_->Path() / "bin").string());

  using lintrove::test::Key;
  using lintrove::test::kUninstall64;
  std::filesystem::create_directories(dir_->Path() / "registry");
  lintrove::test::WriteFileBytes(
      dir_->Path() / "registry" / "HKEY_LOCAL_MACHINE.reg",
      "Windows Registry Editor Version 5.00\r\n\r\n" +
          lintrove::test::InstallerProduct(
              "{11111111-2222-3333-4444-555555555555}",
              "\"ProductName\"=\"Gamma Suite\"\r\n\"Version\"=dword:01000000",
              "\"DisplayName\"=\"Gamma Suite\"\r\n\"DisplayVersion\"=\"1.0\"") +
          Key(kUninstall64, "Alpha",
              "\"DisplayName\"=\"Alpha\"\r\n\"DisplayVersion\"=\"2.0\"\r\n"
              "\"UninstallString\"=\"alpha.exe /x\"") +
          Key(kUninstall64, "Beta",
              "\"DisplayName\"=\"Beta\"\r\n\"UninstallString\"=\"beta.exe\"") +
          Key(kUninstall64, "Delta",
              "\"DisplayName\"=\"Delta\"\r\n\"DisplayVersion\"=\"1.0\"\r\n"
              "\"UninstallString\"=\"delta.exe\""));
  registry_ = std::make_unique<lintrove::platform::PosixRegistry>(dir_->Path() / "registry");
  installer_ = std::make_unique<lintrove::platform::PosixInstallerDatabase>(*registry_);
  logon_ =
      std::make_unique<lintrove::platform::XdgLogonEntry>("lintrove", dir_->Path() / "autostart");
  settings_ = std::make_unique<lintrove::ClientSettings>(*registry_, *logon_);
  settings_->dat_lastcheck = 0.0;
  settings_->bol_uptodatehinweis = true;
  settings_->bol_ssl = false;
  lintrove::IgnoreMarks::SetIgnored("DeltaDelta1.0", true, *registry_);

  service_ = std::make_unique<LocalService>();
  service_->catalog = {{"Alpha", {"2.1"}}, {"Beta", {}}};
  system_ = std::make_unique<lintrove::SystemSettings>(*registry_);
  system_->StrServiceUrl = service_->ServiceUrl();
  systemInstance_ = std::make_unique<lintrove::SystemSettings::ScopedInstance>(*system_);
}

void UpdateCheckTest::cleanup() {
  systemInstance_.reset();
  system_.reset();
  service_.reset();
  settings_.reset();
  logon_.reset();
  installer_.reset();
  registry_.reset();
  environment_.reset();
  dir_.reset();
  MessageBox::ResetTestHook();
}

std::unique_ptr<MainWindow> UpdateCheckTest::OpenScanned() {
  auto window = std::make_unique<MainWindow>(
      *settings_, lintrove::app::InventoriedMachine{*registry_, *installer_});
  QSignalSpy scanned(window.get(), &MainWindow::scanFinished);
  window->show();
  if (!scanned.wait(10000)) return nullptr;
  return window;
}

QStringList UpdateCheckTest::Rows(MainWindow& window) {
  QStringList rows;
  const QAbstractItemModel& shown = *window.Programs().model();
  for (int row = 0; row < shown.rowCount(); ++row) rows << shown.index(row, 0).data().toString();
  return rows;
}

std::vector<lintrove::ProgramStatus> UpdateCheckTest::Statuses(MainWindow& window) {
  std::map<std::string, lintrove::ProgramStatus> byName;
  for (const auto& record : window.Records()) byName[record->DisplayName()] = record->status;
  std::vector<lintrove::ProgramStatus> statuses;
  for (const char* name : {"Alpha", "Beta", "Delta", "Gamma Suite"}) {
    statuses.push_back(byName.at(name));
  }
  return statuses;
}

void UpdateCheckTest::completedCheckRebuildsTheListWithTheVerdicts() {
  std::unique_ptr<MainWindow> window = OpenScanned();
  QVERIFY(window);
  // The stored filter shows the unknown programs and those with a newer version.
  QCOMPARE(Rows(*window), (QStringList{"Alpha", "Beta", "Delta", "Gamma Suite"}));
  const lintrove::DateTime now = lintrove::EncodeDateTime(2026, 12, 10, 9, 30, 0, 0);
  lintrove::ScopedClockOverride clock(now);

  QVERIFY(Run(*window, "act_updatessuchen"));

  QVERIFY(!MessageBox::TakeAnswered());
  QCOMPARE(service_->Commands(), (std::vector<std::string>{"noop", "updatecheck", "step1"}));
  QCOMPARE(service_->ProgramsSent(), std::optional<std::size_t>(3));
  using lintrove::ProgramStatus;
  QVERIFY(Statuses(*window) == (std::vector{ProgramStatus::NewVersion, ProgramStatus::Current,
                                            ProgramStatus::Unknown, ProgramStatus::Unsupported}));
  QCOMPARE(Rows(*window), (QStringList{"Alpha", "Delta"}));
  QCOMPARE(window->statusBar()->currentMessage(), Text(lintrove::ResString::Done));
  QCOMPARE(settings_->dat_lastcheck, now);
  for (const char* name : {"act_updatessuchen", "act_refresh", "act_selfupdate"}) {
    QVERIFY2(Action(*window, name)->isEnabled(), name);
  }
  QVERIFY(window->Programs().isEnabled());
  QCOMPARE(QApplication::overrideCursor(), nullptr);
  QVERIFY(!window->statusBar()->findChild<QPushButton*>("btn_cancelcheck"));

  // A command's hint passes over the status and gives it back; a scan leaves it as it is.
  QStatusTipEvent hint(QStringLiteral("Scannt nach neuer Software"));
  QApplication::sendEvent(window.get(), &hint);
  QCOMPARE(window->statusBar()->currentMessage(), QStringLiteral("Scannt nach neuer Software"));
  QStatusTipEvent hintGone{QString()};
  QApplication::sendEvent(window.get(), &hintGone);
  QCOMPARE(window->statusBar()->currentMessage(), Text(lintrove::ResString::Done));
  QVERIFY(Run(*window, "act_refresh"));
  QCOMPARE(window->statusBar()->currentMessage(), Text(lintrove::ResString::Done));
}

void UpdateCheckTest::failedCheckKeepsTheListAndTheTimeOfTheLastCheck_data() {
  QTest::addColumn<QString>("noop");
  QTest::addColumn<QString>("step1");
  QTest::addColumn<QString>("error");  // empty: the check completes
  using lintrove::Format;
  using lintrove::LoadResString;
  using lintrove::ResString::ConnectionFailed;
  const QString ok = "<dorvupdater><status>ok</status></dorvupdater>";
  const QString verdicts = "<dorvupdater/>";
  QTest::newRow("noop OK") << "<dorvupdater><status>OK</status></dorvupdater>" << verdicts << "";
  QTest::newRow("noop without status")
      << "<dorvupdater/>" << verdicts
      << ErrorText(Format(LoadResString(ConnectionFailed),
                          LoadResString(lintrove::ResString::ServiceUnreachable)));
  QTest::newRow("noop not ok") << "<dorvupdater><status>busy</status></dorvupdater>" << verdicts
                               << ErrorText(Format(
                                      LoadResString(ConnectionFailed),
                                      LoadResString(lintrove::ResString::ServiceUnreachable)));
  QTest::newRow("step1 names no program sent")
      << ok
      << "<dorvupdater><ProgrammVersionliste><Programm ID=\"7\" Status=\"unknown\"/>"
         "</ProgrammVersionliste></dorvupdater>"
      << ErrorText(Format(LoadResString(lintrove::ResString::ListIndexOutOfBounds), 7));
}

void UpdateCheckTest::failedCheckKeepsTheListAndTheTimeOfTheLastCheck() {
  QFETCH(QString, noop);
  QFETCH(QString, step1);
  QFETCH(QString, error);
  service_->noop = noop.toStdString();
  service_->step1 = step1.toStdString();
  std::unique_ptr<MainWindow> window = OpenScanned();
  QVERIFY(window);
  window->Programs().setCurrentIndex(window->Programs().model()->index(0, 0));
  QVERIFY(window->Programs().CurrentRecord() >= 0);
  MessageBox::SetNextAnswer(QMessageBox::Ok);

  QVERIFY(Run(*window, "act_updatessuchen"));

  // The details panel let go of the selected program before the verdicts were read.
  QCOMPARE(window->Programs().CurrentRecord(), -1);
  const auto shown = MessageBox::TakeAnswered();
  if (error.isEmpty()) {
    QVERIFY(!shown);
    QCOMPARE(window->statusBar()->currentMessage(), Text(lintrove::ResString::Done));
    QVERIFY(settings_->dat_lastcheck != 0.0);
    return;
  }
  QVERIFY(shown);
  QCOMPARE(shown->icon, QMessageBox::Critical);
  QCOMPARE(shown->text, error);
  QCOMPARE(window->statusBar()->currentMessage(), QString());
  QCOMPARE(Rows(*window), (QStringList{"Alpha", "Beta", "Delta", "Gamma Suite"}));
  QCOMPARE(settings_->dat_lastcheck, 0.0);
  QVERIFY(Action(*window, "act_updatessuchen")->isEnabled());
  QVERIFY(window->Programs().isEnabled());
}

void UpdateCheckTest::everyProgramCheckedSendsNoneAndStillCompletes() {
  std::unique_ptr<MainWindow> window = OpenScanned();
  QVERIFY(window);
  QAbstractItemModel& shown = *window->Programs().model();
  for (int row = 0; row < shown.rowCount(); ++row) {
    shown.setData(shown.index(row, 0), Qt::Checked, Qt::CheckStateRole);
  }
  QVERIFY(window->Programs().UncheckedRecords().empty());

  QVERIFY(Run(*window, "act_updatessuchen"));

  QVERIFY(!MessageBox::TakeAnswered());
  QCOMPARE(service_->ProgramsSent(), std::optional<std::size_t>(0));
  using lintrove::ProgramStatus;
  QVERIFY(Statuses(*window) == std::vector<ProgramStatus>(4, ProgramStatus::Unknown));
  QCOMPARE(Rows(*window), (QStringList{"Alpha", "Beta", "Delta", "Gamma Suite"}));
  QCOMPARE(window->statusBar()->currentMessage(), Text(lintrove::ResString::Done));
  QVERIFY(settings_->dat_lastcheck != 0.0);
}

void UpdateCheckTest::menuCheckOfAnUnreachableServiceShowsNoDialog() {
  service_->noop = "<dorvupdater><status>down</status></dorvupdater>";
  std::unique_ptr<MainWindow> window = OpenScanned();
  QVERIFY(window);
  bool dialogShown = false;
  Watcher watcher([&] {
    dialogShown = dialogShown || QApplication::activeModalWidget() != nullptr;
    return false;
  });
  MessageBox::SetNextAnswer(QMessageBox::Ok);

  QVERIFY(Run(*window, "act_selfupdate"));

  const auto shown = MessageBox::TakeAnswered();
  QVERIFY(shown);
  QCOMPARE(shown->text, ErrorText(lintrove::Format(
                            lintrove::LoadResString(lintrove::ResString::ConnectionFailed),
                            lintrove::LoadResString(lintrove::ResString::ServiceUnreachable))));
  QVERIFY(!dialogShown);
  QCOMPARE(service_->Commands(), std::vector<std::string>{"noop"});
  QVERIFY(Action(*window, "act_selfupdate")->isEnabled());
}

void UpdateCheckTest::stalledServiceKeepsTheWindowAliveUntilCancelled_data() {
  QTest::addColumn<bool>("byEscape");
  QTest::newRow("Escape") << true;
  QTest::newRow("Abbrechen in the status bar") << false;
}

void UpdateCheckTest::stalledServiceKeepsTheWindowAliveUntilCancelled() {
  QFETCH(bool, byEscape);
  service_->stall_step1 = true;
  std::unique_ptr<MainWindow> window = OpenScanned();
  QVERIFY(window);
  window->activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(window.get()));
  QStringList duringStall;
  Watcher watcher([&] {
    if (service_->Commands().size() < 3 || duringStall.size() < 2) {
      if (service_->Commands().size() == 3) {
        // The window takes input and repaints while the service keeps silent.
        duringStall << window->statusBar()->currentMessage();
        window->repaint();
      }
      return false;
    }
    for (const char* name :
         {"act_updatessuchen", "act_refresh", "act_selfupdate", "act_optionen", "act_about",
          "cb_unknown", "cb_unsupported", "cb_uptodate", "cb_old"}) {
      if (Action(*window, name)->isEnabled()) duringStall << QString("%1 enabled").arg(name);
    }
    if (window->Programs().isEnabled()) duringStall << "list enabled";
    if (byEscape) {
      QTest::keyClick(window.get(), Qt::Key_Escape);
    } else {
      window->statusBar()->findChild<QPushButton*>("btn_cancelcheck")->click();
    }
    return true;
  });
  // A second check and a scan asked for meanwhile do nothing.
  QSignalSpy scanned(window.get(), &MainWindow::scanFinished);
  Watcher intruder([&] {
    if (service_->Commands().size() < 3) return false;
    Action(*window, "act_updatessuchen")->trigger();
    Action(*window, "act_refresh")->trigger();
    return true;
  });

  QVERIFY(Run(*window, "act_updatessuchen"));

  QVERIFY(watcher.turns > 2);
  QCOMPARE(duringStall, (QStringList{Text(lintrove::ResString::AskingService),
                                     Text(lintrove::ResString::AskingService)}));
  QVERIFY(!MessageBox::TakeAnswered());
  QCOMPARE(service_->Commands(), (std::vector<std::string>{"noop", "updatecheck", "step1"}));
  QCOMPARE(scanned.count(), 0);
  QCOMPARE(Rows(*window), (QStringList{"Alpha", "Beta", "Delta", "Gamma Suite"}));
  QCOMPARE(settings_->dat_lastcheck, 0.0);
  QCOMPARE(window->statusBar()->currentMessage(), QString());
  QVERIFY(Action(*window, "act_updatessuchen")->isEnabled());
  QCOMPARE(QApplication::overrideCursor(), nullptr);
}

void UpdateCheckTest::updateDialogShowsTheStateForCallerAndVersions_data() {
  QTest::addColumn<bool>("manual");
  QTest::addColumn<QString>("serviceVersion");
  QTest::addColumn<bool>("force");
  QTest::addColumn<QStringList>("buttons");  // none: no dialog
  QTest::addColumn<int>("status");
  QTest::addColumn<QString>("answer");
  QTest::addColumn<bool>("checkGoesOn");
  const QString newer = "99.0.0.0";
  const QString same = QString::fromStdString(lintrove::ClientVersion());
  const QString older = "0.9.0.0";
  using namespace lintrove::ResString;
  QTest::newRow("check, older, not forced: later goes on")
      << false << newer << false << QStringList{"btn_updatenow", "btn_later", "btn_cancel"}
      << ClientMayUpdate << "btn_later" << true;
  QTest::newRow("check, older, forced: cancel stops")
      << false << newer << true << QStringList{"btn_updatenow", "-btn_later", "btn_cancel"}
      << ClientMustUpdate << "btn_cancel" << false;
  QTest::newRow("check, same or newer: no dialog")
      << false << same << true << QStringList{} << 0 << "" << true;
  QTest::newRow("menu, older, not forced")
      << true << newer << false << QStringList{"btn_updatenow", "btn_close"} << ClientMayUpdate
      << "btn_close" << false;
  QTest::newRow("menu, older, forced")
      << true << newer << true << QStringList{"btn_updatenow", "btn_close"} << ClientMustUpdate
      << "btn_close" << false;
  QTest::newRow("menu, same") << true << same << false << QStringList{"btn_close"} << ClientCurrent
                              << "btn_close" << false;
  QTest::newRow("menu, newer") << true << older << true << QStringList{"btn_close"} << ClientCurrent
                               << "btn_close" << false;
}

void UpdateCheckTest::updateDialogShowsTheStateForCallerAndVersions() {
  QFETCH(bool, manual);
  QFETCH(QString, serviceVersion);
  QFETCH(bool, force);
  QFETCH(QStringList, buttons);
  QFETCH(int, status);
  QFETCH(QString, answer);
  QFETCH(bool, checkGoesOn);
  service_->client_version = serviceVersion.toStdString();
  service_->force_update = force;
  std::unique_ptr<MainWindow> window = OpenScanned();
  QVERIFY(window);
  std::optional<DialogState> seen;
  Watcher answerer([&] {
    QWidget* dialog = QApplication::activeModalWidget();
    if (dialog == nullptr || dialog->objectName() != QLatin1String("frm_updateinfo")) return false;
    seen = ReadDialog(*dialog);
    dialog->findChild<QAbstractButton*>(answer)->click();
    return true;
  });

  QVERIFY(Run(*window, manual ? "act_selfupdate" : "act_updatessuchen"));

  QVERIFY(!MessageBox::TakeAnswered());
  if (buttons.isEmpty()) {
    QVERIFY(!seen);
  } else {
    QVERIFY(seen);
    QCOMPARE(seen->buttons, buttons);
    QCOMPARE(seen->status, Text(status));
    QCOMPARE(seen->thisVersion, QString::fromStdString(lintrove::ClientVersion()));
    QCOMPARE(seen->currentVersion, serviceVersion);
    QCOMPARE(seen->page, QUrl(QString::fromStdString(service_->Url("/news"))));
  }
  std::vector<std::string> commands{"noop", "updatecheck"};
  if (checkGoesOn) commands.push_back("step1");
  QCOMPARE(service_->Commands(), commands);
  QCOMPARE(settings_->dat_lastcheck != 0.0, checkGoesOn);
  QVERIFY(window->isVisible());
  QVERIFY(Action(*window, "act_selfupdate")->isEnabled());
}

void UpdateCheckTest::updateNowDownloadsStartsTheSetupAndEndsTheClient() {
  service_->client_version = "99.0.0.0";
  service_->sha256 = kAbcSha256;
  std::unique_ptr<MainWindow> window = OpenScanned();
  QVERIFY(window);
  const ShownWindows shown;
  Watcher answerer([&] {
    QWidget* dialog = QApplication::activeModalWidget();
    if (dialog == nullptr || dialog->objectName() != QLatin1String("frm_updateinfo")) return false;
    dialog->findChild<QAbstractButton*>("btn_updatenow")->click();
    return false;
  });
  MessageBox::SetNextAnswer(QMessageBox::Ok);

  QVERIFY(Run(*window, "act_updatessuchen"));

  const auto answered = MessageBox::TakeAnswered();
  QVERIFY(answered);
  QCOMPARE(answered->icon, QMessageBox::Information);
  QCOMPARE(answered->text, Text(lintrove::ResString::SetupStarts));
  QVERIFY(shown.Saw("frm_downloadprogress"));
  QVERIFY(!ShownWindow("frm_downloadprogress"));
  const std::filesystem::path setup =
      lintrove::platform::DownloadDirectory() / "lintrove_99.0.0.0_amd64.deb";
  QCOMPARE(lintrove::test::ReadFileBytes(setup), std::string("abc"));
  QCOMPARE(service_->Commands(), (std::vector<std::string>{"noop", "updatecheck"}));
  QTRY_VERIFY(std::filesystem::exists(dir_->Path() / "started"));
  QCOMPARE(lintrove::test::ReadFileBytes(dir_->Path() / "started"), setup.string() + "\n");
  // The client ends the normal way: its window closes.
  QTRY_VERIFY(!window->isVisible());
  QCOMPARE(settings_->dat_lastcheck, 0.0);
}

void UpdateCheckTest::refusedDownloadLeavesNoFileAndTheClientGoesOn_data() {
  QTest::addColumn<QString>("path");
  QTest::addColumn<QString>("sha256");
  QTest::addColumn<QString>("signature");
  QTest::addColumn<bool>("cancel");
  QTest::addColumn<QString>("message");
  const QString genuine = QString::fromStdString(lintrove::test::SignedByReleaseKey("abc"));
  QTest::newRow("cancelled") << "/setup.deb"
                             << "" << genuine << true
                             << Text(lintrove::ResString::TransferCancelled);
  QTest::newRow("404") << "/missing.deb"
                       << "" << genuine << false << "404";
  QTest::newRow("checksum differs")
      << "/setup.deb" << QString(64, '0') << genuine << false << QString(64, '0');
  QTest::newRow("no file name") << "/downloads/..%2Fsetup.exe"
                                << "" << genuine << false << "Filename not found.";
  QTest::newRow("not signed by the release key")
      << "/setup.deb" << QString::fromLatin1(kAbcSha256)
      << QString::fromStdString(lintrove::test::SignedByReleaseKey("abd")) << false
      << Text(lintrove::ResString::SetupSignatureInvalid).section("%s", 1, 1);
}

void UpdateCheckTest::refusedDownloadLeavesNoFileAndTheClientGoesOn() {
  QFETCH(QString, path);
  QFETCH(QString, sha256);
  QFETCH(QString, signature);
  QFETCH(bool, cancel);
  QFETCH(QString, message);
  service_->client_version = "99.0.0.0";
  service_->download_path = path.toStdString();
  service_->sha256 = sha256.toStdString();
  service_->signature = signature.toStdString();
  service_->stall_setup = cancel;
  std::unique_ptr<MainWindow> window = OpenScanned();
  QVERIFY(window);
  Watcher answerer([&] {
    if (QWidget* progress = ShownWindow("frm_downloadprogress"); progress != nullptr && cancel) {
      // The first kilobyte has come when the label says so.
      if (progress->findChild<QLabel*>("lbl_progress")->text().startsWith("1 ")) {
        progress->findChild<QAbstractButton*>("btn_1")->click();
        return true;
      }
    }
    QWidget* dialog = QApplication::activeModalWidget();
    if (dialog != nullptr && dialog->objectName() == QLatin1String("frm_updateinfo")) {
      dialog->findChild<QAbstractButton*>("btn_updatenow")->click();
      return !cancel;
    }
    return false;
  });
  MessageBox::SetNextAnswer(QMessageBox::Ok);

  QVERIFY(Run(*window, "act_updatessuchen"));

  const auto shown = MessageBox::TakeAnswered();
  QVERIFY(shown);
  QCOMPARE(shown->icon, QMessageBox::Critical);
  QVERIFY2(shown->text.contains(message), qPrintable(shown->text));
  QVERIFY(!ShownWindow("frm_downloadprogress"));
  const std::filesystem::path directory = lintrove::platform::DownloadDirectory();
  QVERIFY(std::filesystem::is_empty(directory));
  QVERIFY(!std::filesystem::exists(dir_->Path() / "started"));
  QVERIFY(window->isVisible());
  QVERIFY(Action(*window, "act_updatessuchen")->isEnabled());
  QCOMPARE(settings_->dat_lastcheck, 0.0);
}

// Without Wine this system cannot start a Windows setup: the client says so and stays.
void UpdateCheckTest::setupThatCannotStartIsKeptAndTheClientStaysOpen() {
  // Nothing opens a package on this machine.
  std::filesystem::remove(dir_->Path() / "bin" / "xdg-open");
  service_->client_version = "99.0.0.0";
  service_->sha256 = kAbcSha256;
  std::unique_ptr<MainWindow> window = OpenScanned();
  QVERIFY(window);
  Watcher answerer([&] {
    QWidget* dialog = QApplication::activeModalWidget();
    if (dialog == nullptr || dialog->objectName() != QLatin1String("frm_updateinfo")) return false;
    dialog->findChild<QAbstractButton*>("btn_updatenow")->click();
    return true;
  });
  MessageBox::SetNextAnswer(QMessageBox::Ok);

  QVERIFY(Run(*window, "act_selfupdate"));

  const std::filesystem::path setup =
      lintrove::platform::DownloadDirectory() / "lintrove_99.0.0.0_amd64.deb";
  const auto shown = MessageBox::TakeAnswered();
  QVERIFY(shown);
  QCOMPARE(shown->text,
           QString::fromStdString(lintrove::Format(
               lintrove::LoadResString(lintrove::ResString::SetupNotStarted), setup.string())));
  QCOMPARE(lintrove::test::ReadFileBytes(setup), std::string("abc"));
  QVERIFY(!ShownWindow("frm_downloadprogress"));
  QTest::qWait(100);
  QVERIFY(window->isVisible());
  QVERIFY(Action(*window, "act_selfupdate")->isEnabled());
}

void UpdateCheckTest::quittingDuringAnExchangeCancelsItAndCloses_data() {
  QTest::addColumn<QString>("action");
  QTest::addColumn<bool>("stallStep1");  // else the setup download stalls
  QTest::newRow("update check, step1 unanswered") << "act_updatessuchen" << true;
  QTest::newRow("update check, setup download stalled") << "act_updatessuchen" << false;
  QTest::newRow("menu, setup download stalled") << "act_selfupdate" << false;
}

void UpdateCheckTest::quittingDuringAnExchangeCancelsItAndCloses() {
  QFETCH(QString, action);
  QFETCH(bool, stallStep1);
  service_->stall_step1 = stallStep1;
  service_->stall_setup = !stallStep1;
  service_->client_version = stallStep1 ? lintrove::ClientVersion() : "99.0.0.0";
  std::unique_ptr<MainWindow> window = OpenScanned();
  QVERIFY(window);
  Watcher answerer([&] {
    QWidget* dialog = QApplication::activeModalWidget();
    if (dialog == nullptr || dialog->objectName() != QLatin1String("frm_updateinfo")) return false;
    dialog->findChild<QAbstractButton*>("btn_updatenow")->click();
    return true;
  });
  MessageBox::SetNextAnswer(QMessageBox::Ok);
  QSignalSpy finished(window.get(), &MainWindow::workFinished);
  Action(*window, action.toLatin1().constData())->trigger();
  if (stallStep1) {
    QTRY_COMPARE(service_->Commands().size(), std::size_t{3});
  } else {
    QTRY_VERIFY(ShownWindow("frm_downloadprogress"));
  }
  QVERIFY(window->Busy());

  window->close();

  QTRY_VERIFY_WITH_TIMEOUT(!window->isVisible(), 5000);
  QCOMPARE(finished.count(), 1);
  QVERIFY(!window->Busy());
  // Nothing was said: the user asked for the end.
  QVERIFY(!MessageBox::TakeAnswered());
  QVERIFY(!ShownWindow("frm_downloadprogress"));
  QVERIFY(!std::filesystem::exists(dir_->Path() / "started"));
  QCOMPARE(settings_->dat_lastcheck, 0.0);
  QCOMPARE(window->Records().Count(), 4);
}

void UpdateCheckTest::progressCountsWholeKilobytes() {
  lintrove::app::DownloadWindow window(nullptr);
  QCOMPARE(window.objectName(), QStringLiteral("frm_downloadprogress"));
  const auto label = [&window] { return window.findChild<QLabel*>("lbl_progress")->text(); };
  QCOMPARE(label(), QStringLiteral("lbl_progress"));
  window.ShowProgress(1536, 1536);
  QCOMPARE(label(), QStringLiteral("1 von 1 kByte"));
  window.ShowProgress(1000, 1000);
  QCOMPARE(label(), QStringLiteral("0 von 0 kByte"));
}

int main(int argc, char** argv) {
  // The embedded browser asks for it before the application exists.
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  QApplication application(argc, argv);
  UpdateCheckTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "update_check_test.moc"
