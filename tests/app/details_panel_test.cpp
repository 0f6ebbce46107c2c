#include "app/details_panel.h"

#include <httplib.h>

#include <unistd.h>
#include <QAbstractButton>
#include <QApplication>
#include <QDockWidget>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTimer>
#include <QTreeWidget>
#include <QWebEngineView>
#include <QtTest>
#include <array>
#include <memory>
#include <mutex>
#include <thread>

#include "app/main_window.h"
#include "app/message_box.h"
#include "app/program_list.h"
#include "app/service_page.h"
#include "base/format.h"
#include "base/resource_strings.h"
#include "inventory/installer_program.h"
#include "inventory/registry_program.h"
#include "platform/posix/posix_installer_database.h"
#include "platform/posix/posix_registry.h"
#include "platform/posix/xdg_logon_entry.h"
#include "settings/client_settings.h"
#include "settings/system_settings.h"
#include "support/machine_text.h"
#include "support/recording_shell.h"
#include "support/scoped_environment.h"
#include "support/temp_dir.h"

using lintrove::OfferedVersion;
using lintrove::ProgramStatus;
using lintrove::ProgramVerdict;
using lintrove::app::DetailsPanel;
using lintrove::app::MessageBox;
using lintrove::test::RecordingShell;

namespace {

QString Text(int id) { return QString::fromStdString(lintrove::LoadResString(id)); }

constexpr char kGuid[] = "{0F1E2D3C-4B5A-6978-8796-A5B4C3D2E1F0}";
constexpr char kUninstall[] = "\"C:\\Program Files\\Alpha\\unins000.exe\" /SILENT";

// A record as a scan and an update check leave it. A version name "1.10.0.0" gives its parts.
std::unique_ptr<ProgramVerdict> Verdict(ProgramStatus status, bool judged,
                                        const QStringList& versions = {},
                                        const char* installedVersion = "1.9",
                                        const char* homepage = "https://alpha.example/") {
  auto program = std::make_unique<lintrove::RegistryProgram>();
  program->DisplayName = "Alpha & Omega";
  program->DisplayVersion = installedVersion;
  program->Publisher = "Alpha Publishing";
  program->URLInfoAbout = homepage;
  program->UninstallString = kUninstall;
  auto verdict = std::make_unique<ProgramVerdict>();
  verdict->program = std::move(program);
  verdict->status = status;
  if (judged) {
    verdict->current_version = std::make_unique<OfferedVersion>();
    verdict->current_version->int_version = 8812;
    verdict->hash = "5f2b09ae";
    verdict->vendor = "The Service's Vendor";
  }
  for (const QString& name : versions) {
    auto version = std::make_unique<OfferedVersion>();
    version->str_versionsname = name.toStdString();
    const QStringList parts = name.split('.');
    std::array<std::int32_t*, 5> fields{&version->int_version_1, &version->int_version_2,
                                        &version->int_version_3, &version->int_version_4,
                                        &version->int_version_5};
    for (qsizetype i = 0; i < parts.size() && i < 5; ++i)
      *fields[std::size_t(i)] = parts[i].toInt();
    verdict->versions.Add(std::move(version));
  }
  return verdict;
}

// Closes every modal dialog that comes up with its first button and notes its text, so that a
// box nobody expected shows up in the test instead of blocking it.
class ModalBoxes : public QObject {
 public:
  ModalBoxes() {
    connect(&timer_, &QTimer::timeout, this, [this] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (box == nullptr) return;
      shown << box->text();
      box->buttons().first()->click();
    });
    timer_.start(0);
  }
  QStringList shown;

 private:
  QTimer timer_;
};

// A feedback service on 127.0.0.1: every GET is answered with a small page titled after its
// vid, and its request target (path and query, as the browser sent them) is noted.
class FeedbackService {
 public:
  FeedbackService() {
    server_.Get(".*", [this](const httplib::Request& request, httplib::Response& response) {
      {
        const std::lock_guard lock(mutex_);
        targets_.push_back(request.target);
      }
      response.set_content("<html><head><title>Feedback " + request.get_param_value("vid") +
                               "</title></head><body>Danke</body></html>",
                           "text/html");
    });
    port_ = server_.bind_to_any_port("127.0.0.1");
    thread_ = std::thread([this] { server_.listen_after_bind(); });
    while (!server_.is_running()) std::this_thread::yield();
  }
  ~FeedbackService() {
    server_.stop();
    thread_.join();
  }
  std::string Url() const {
    return "127.0.0.1:" + std::to_string(port_) + "/updateservicefeedback1400.php";
  }
  QStringList Targets() {
    const std::lock_guard lock(mutex_);
    QStringList targets;
    for (const std::string& target : targets_) {
      // The browser asks for an icon of its own accord.
      if (target != "/favicon.ico") targets << QString::fromStdString(target);
    }
    return targets;
  }

 private:
  httplib::Server server_;
  int port_ = -1;
  std::thread thread_;
  std::mutex mutex_;
  std::vector<std::string> targets_;
};

}  // namespace

class DetailsPanelTest : public QObject {
  Q_OBJECT

 private slots:
  void init();
  void cleanup();
  void showsTheSelectedProgramByItsStatus_data();
  void showsTheSelectedProgramByItsStatus();
  void homepageOpensThroughTheShellOnlyAsAWebAddress();
  void declinedUninstallDoesNothing();
  void acceptedUninstallStartsTheProgramsUninstaller_data();
  void acceptedUninstallStartsTheProgramsUninstaller();
  void uninstallerThatCannotStartIsReported();
  void feedbackPageLoadsFromTheServiceOnlyWhenOpened();
  void mainWindowShowsTheSelectionInItsDock();

 private:
  template <typename T>
  T* Child(QWidget& parent, const char* name) {
    return parent.findChild<T*>(QString::fromLatin1(name));
  }
  QString LabelText(QWidget& parent, const char* name) {
    return Child<QLabel>(parent, name)->text();
  }
  QStringList Versions(QWidget& parent) {
    auto* list = Child<QTreeWidget>(parent, "vst_versionen");
    QStringList names;
    for (int row = 0; row < list->topLevelItemCount(); ++row) {
      names << list->topLevelItem(row)->text(0);
    }
    return names;
  }
  bool FeedbackTabShown(QWidget& parent) {
    auto* pages = Child<QTabWidget>(parent, "PageControl1");
    return pages->isTabVisible(pages->indexOf(Child<QWidget>(parent, "TabSheet2")));
  }

  std::unique_ptr<lintrove::test::TempDir> dir_;
  std::unique_ptr<lintrove::platform::PosixRegistry> registry_;
  std::unique_ptr<lintrove::platform::XdgLogonEntry> logon_;
  std::unique_ptr<lintrove::ClientSettings> client_;
  std::unique_ptr<lintrove::SystemSettings> system_;
  RecordingShell shell_;
  std::unique_ptr<DetailsPanel> panel_;
};

void DetailsPanelTest::init() {
  MessageBox::ResetTestHook();
  dir_ = std::make_unique<lintrove::test::TempDir>();
  registry_ = std::make_unique<lintrove::platform::PosixRegistry>(dir_->Path() / "registry");
  logon_ =
      std::make_unique<lintrove::platform::XdgLogonEntry>("lintrove", dir_->Path() / "autostart");
  client_ = std::make_unique<lintrove::ClientSettings>(*registry_, *logon_);
  client_->ClientGuid = kGuid;
  system_ = std::make_unique<lintrove::SystemSettings>(*registry_);
  shell_ = RecordingShell();
  panel_ = std::make_unique<DetailsPanel>(*client_, *system_, shell_);
  panel_->resize(427, 600);
  panel_->show();
}

void DetailsPanelTest::cleanup() {
  panel_.reset();
  system_.reset();
  client_.reset();
  logon_.reset();
  registry_.reset();
  dir_.reset();
  MessageBox::ResetTestHook();
}

void DetailsPanelTest::showsTheSelectedProgramByItsStatus_data() {
  QTest::addColumn<int>("status");
  QTest::addColumn<bool>("judged");
  QTest::addColumn<QStringList>("answer");
  QTest::addColumn<QString>("installedVersion");
  QTest::addColumn<QString>("homepage");
  QTest::addColumn<QString>("shownVersion");
  QTest::addColumn<bool>("feedback");
  QTest::addColumn<QStringList>("shownVersions");
  const auto status = [](ProgramStatus s) { return static_cast<int>(s); };
  QTest::newRow("unknown") << status(ProgramStatus::Unknown) << false << QStringList{} << "1.9"
                           << "https://alpha.example/"
                           << "1.9" << false << QStringList{};
  QTest::newRow("current") << status(ProgramStatus::Current) << true << QStringList{} << "1.9"
                           << "https://alpha.example/"
                           << "1.9" << true << QStringList{};
  // Numbers, not text, and the oldest on top.
  QTest::newRow("new version") << status(ProgramStatus::NewVersion) << true
                               << QStringList{"2.0.0.0", "1.10.0.0"} << "1.9"
                               << "https://alpha.example/"
                               << "1.9" << true << QStringList{"1.10.0.0", "2.0.0.0"};
  QTest::newRow("unsupported, known before")
      << status(ProgramStatus::Unsupported) << true << QStringList{} << "1.9"
      << ""
      << "1.9" << true << QStringList{};
  // Nothing would tell the service's page which program it is about.
  QTest::newRow("unsupported, never known")
      << status(ProgramStatus::Unsupported) << false << QStringList{} << ""
      << "" << Text(lintrove::ResString::NoVersionInfo) << false << QStringList{};
}

void DetailsPanelTest::showsTheSelectedProgramByItsStatus() {
  QFETCH(int, status);
  QFETCH(bool, judged);
  QFETCH(QStringList, answer);
  QFETCH(QString, installedVersion);
  QFETCH(QString, homepage);
  QFETCH(QString, shownVersion);
  QFETCH(bool, feedback);
  QFETCH(QStringList, shownVersions);
  const std::unique_ptr<ProgramVerdict> verdict =
      Verdict(static_cast<ProgramStatus>(status), judged, answer,
              installedVersion.toStdString().c_str(), homepage.toStdString().c_str());

  panel_->ShowVerdict(verdict.get());

  QCOMPARE(LabelText(*panel_, "lbl_produkt"), QStringLiteral("Alpha & Omega"));
  // The inventory's publisher, not the service's vendor.
  QCOMPARE(LabelText(*panel_, "lbl_hersteller"), QStringLiteral("Alpha Publishing"));
  QCOMPARE(LabelText(*panel_, "lbl_homepage"), homepage);
  QCOMPARE(Child<QLabel>(*panel_, "lbl_homepage")->isEnabled(), !homepage.isEmpty());
  QCOMPARE(LabelText(*panel_, "lbl_version"), shownVersion);
  QVERIFY(Child<QLabel>(*panel_, "Image1")->isVisible());
  // Without an icon of its own, the program shows the installer's or the question mark.
  QVERIFY(!Child<QLabel>(*panel_, "Image1")->pixmap().isNull());
  QVERIFY(Child<QPushButton>(*panel_, "btn_uninstall")->isEnabled());
  QVERIFY(Child<QTabWidget>(*panel_, "PageControl1")->isEnabled());
  QCOMPARE(Child<QTabWidget>(*panel_, "PageControl1")->currentWidget()->objectName(),
           QStringLiteral("TabSheet1"));
  QCOMPARE(FeedbackTabShown(*panel_), feedback);
  QCOMPARE(Versions(*panel_), shownVersions);

  // The selection goes away: empty and disabled again.
  panel_->ShowVerdict(nullptr);
  for (const char* value : {"lbl_produkt", "lbl_hersteller", "lbl_homepage", "lbl_version"}) {
    QVERIFY2(LabelText(*panel_, value).isEmpty(), value);
  }
  QVERIFY(!Child<QLabel>(*panel_, "lbl_homepage")->isEnabled());
  QVERIFY(!Child<QPushButton>(*panel_, "btn_uninstall")->isEnabled());
  QVERIFY(!Child<QTabWidget>(*panel_, "PageControl1")->isEnabled());
  QVERIFY(!FeedbackTabShown(*panel_));
  QVERIFY(!Child<QLabel>(*panel_, "Image1")->isVisible());
  QVERIFY(Versions(*panel_).isEmpty());
}

void DetailsPanelTest::homepageOpensThroughTheShellOnlyAsAWebAddress() {
  const auto withHomepage = Verdict(ProgramStatus::Current, true);
  withHomepage->homepage = "https://service.example/alpha?x=1&y=2";  // the service's wins
  panel_->ShowVerdict(withHomepage.get());
  auto* link = Child<QLabel>(*panel_, "lbl_homepage");
  QTest::mouseClick(link, Qt::LeftButton);
  link->setFocus();
  QTest::keyClick(link, Qt::Key_Space);
  const RecordingShell::Call opened{"ShellOpen", "https://service.example/alpha?x=1&y=2", ""};
  QCOMPARE(shell_.calls.size(), std::size_t{2});
  QVERIFY(shell_.calls[0] == opened && shell_.calls[1] == opened);

  // A bare host opens as a web address.
  const auto bareHost = Verdict(ProgramStatus::Unknown, false, {}, "1.9", "www.alpha.example");
  panel_->ShowVerdict(bareHost.get());
  QTest::mouseClick(link, Qt::LeftButton);
  QCOMPARE(shell_.calls.size(), std::size_t{3});
  QVERIFY(shell_.calls[2] == (RecordingShell::Call{"ShellOpen", "http://www.alpha.example", ""}));

  // No home page, or one the shell would run as a program: shown, but no link.
  for (const char* homepage : {"", "C:\\Program Files\\Alpha\\alpha.exe"}) {
    const auto without = Verdict(ProgramStatus::Unknown, false, {}, "1.9", homepage);
    panel_->ShowVerdict(without.get());
    QCOMPARE(link->text(), QString::fromUtf8(homepage));
    QVERIFY(!link->isEnabled());
    QTest::mouseClick(link, Qt::LeftButton);
    QCOMPARE(shell_.calls.size(), std::size_t{3});
  }
}

void DetailsPanelTest::declinedUninstallDoesNothing() {
  const auto verdict = Verdict(ProgramStatus::Current, true);
  panel_->ShowVerdict(verdict.get());
  MessageBox::SetNextAnswer(QMessageBox::No);
  ModalBoxes others;

  Child<QPushButton>(*panel_, "btn_uninstall")->click();
  QTest::qWait(0);

  const auto asked = MessageBox::TakeAnswered();
  QVERIFY(asked);
  QCOMPARE(asked->text, Text(lintrove::ResString::UninstallQuestion));
  QCOMPARE(asked->buttons, QMessageBox::Yes | QMessageBox::No);
  QVERIFY(shell_.calls.empty());
  QVERIFY(others.shown.isEmpty());
  QCOMPARE(LabelText(*panel_, "lbl_produkt"), QStringLiteral("Alpha & Omega"));
}

void DetailsPanelTest::acceptedUninstallStartsTheProgramsUninstaller_data() {
  QTest::addColumn<bool>("installer");
  QTest::addColumn<QString>("operation");
  QTest::addColumn<QString>("file");
  QTest::addColumn<QString>("parameters");
  QTest::newRow("registry") << false << "StartCommandLine" << kUninstall << "";
  QTest::newRow("installer") << true << "ShellOpen"
                             << "msiexec.exe"
                             << "/X {11111111-2222-3333-4444-555555555555}";
}

void DetailsPanelTest::acceptedUninstallStartsTheProgramsUninstaller() {
  QFETCH(bool, installer);
  QFETCH(QString, operation);
  QFETCH(QString, file);
  QFETCH(QString, parameters);
  auto verdict = Verdict(ProgramStatus::NewVersion, true, {"2.0"});
  if (installer) {
    auto product = std::make_unique<lintrove::InstallerProgram>();
    product->ProduktGuid = "{11111111-2222-3333-4444-555555555555}";
    product->ProductName = "Gamma Suite";
    verdict->program = std::move(product);
  }
  panel_->ShowVerdict(verdict.get());
  shell_.starts = true;
  MessageBox::SetNextAnswer(QMessageBox::Yes);
  ModalBoxes others;

  Child<QPushButton>(*panel_, "btn_uninstall")->click();
  QTest::qWait(0);

  QVERIFY(MessageBox::TakeAnswered());
  QCOMPARE(shell_.calls.size(), std::size_t{1});
  QCOMPARE(QString::fromStdString(shell_.calls[0].operation), operation);
  QCOMPARE(QString::fromStdString(shell_.calls[0].file), file);
  QCOMPARE(QString::fromStdString(shell_.calls[0].parameters), parameters);
  // It returns at once: no box, the program stays shown.
  QVERIFY(others.shown.isEmpty());
  QCOMPARE(Versions(*panel_), QStringList{"2.0"});
}

void DetailsPanelTest::uninstallerThatCannotStartIsReported() {
  const auto verdict = Verdict(ProgramStatus::Current, true);
  panel_->ShowVerdict(verdict.get());
  shell_.starts = false;
  MessageBox::SetNextAnswer(QMessageBox::Yes);
  ModalBoxes others;

  Child<QPushButton>(*panel_, "btn_uninstall")->click();
  QTest::qWait(0);

  QVERIFY(MessageBox::TakeAnswered());
  QCOMPARE(shell_.calls.size(), std::size_t{1});
  QCOMPARE(
      others.shown,
      QStringList{QString::fromStdString(lintrove::Format(
          lintrove::LoadResString(lintrove::ResString::UninstallerNotStarted), "Alpha & Omega"))});
  // Nothing else changes.
  QCOMPARE(LabelText(*panel_, "lbl_produkt"), QStringLiteral("Alpha & Omega"));
  QVERIFY(Child<QPushButton>(*panel_, "btn_uninstall")->isEnabled());
}

void DetailsPanelTest::feedbackPageLoadsFromTheServiceOnlyWhenOpened() {
  lintrove::test::ScopedEnvironment environment;
  environment.Set("LANG", "de_DE.UTF-8");
  FeedbackService service;
  system_->StrFeedBackServiceUrl = service.Url();
  client_->bol_ssl = false;
  auto first = Verdict(ProgramStatus::NewVersion, true, {"2.0"});
  first->hash = "ab&cid=x#y% z";
  auto second = Verdict(ProgramStatus::Current, true);
  second->current_version->int_version = -2;
  auto* pages = Child<QTabWidget>(*panel_, "PageControl1");
  auto* feedback = Child<QWidget>(*panel_, "TabSheet2");

  panel_->ShowVerdict(first.get());
  QVERIFY(panel_->Feedback().View() == nullptr);  // nothing loads before the page is opened
  // As root the engine would end the process with its sandbox on: the client turns it off
  // then, and says so once.
  const bool root = geteuid() == 0;
  if (root) {
    QTest::ignoreMessage(QtInfoMsg, "Running as root: the browser engine's sandbox is turned off.");
  }
  pages->setCurrentWidget(feedback);
  auto* browser = qobject_cast<QWebEngineView*>(panel_->Feedback().View());
  QVERIFY(browser != nullptr);
  QCOMPARE(qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX"), root);
  QSignalSpy loaded(browser, &QWebEngineView::loadFinished);
  QVERIFY(loaded.wait(60000));
  QCOMPARE(loaded.takeFirst().at(0).toBool(), true);
  QCOMPARE(browser->title(), QStringLiteral("Feedback 8812"));
  const QString path = QStringLiteral("/updateservicefeedback1400.php");
  const QString cid = QStringLiteral("&cid=%7B0F1E2D3C-4B5A-6978-8796-A5B4C3D2E1F0%7D");
  QCOMPARE(service.Targets(),
           QStringList{path + "?lcid=1031&vid=8812&hash=ab%26cid%3Dx%23y%25%20z" + cid});

  // Another program while the page is open: back to the versions, and no page loads.
  panel_->ShowVerdict(second.get());
  QCOMPARE(pages->currentWidget()->objectName(), QStringLiteral("TabSheet1"));
  QVERIFY(FeedbackTabShown(*panel_));
  QCOMPARE(service.Targets().size(), 1);

  // Opened again, it shows the page of the program now selected.
  pages->setCurrentWidget(feedback);
  QVERIFY(loaded.wait(60000));
  QCOMPARE(loaded.takeFirst().at(0).toBool(), true);
  QCOMPARE(browser->title(), QStringLiteral("Feedback 4294967294"));
  QCOMPARE(service.Targets().size(), 2);
  QCOMPARE(service.Targets().at(1), path + "?lcid=1031&vid=4294967294&hash=5f2b09ae" + cid);
}

void DetailsPanelTest::mainWindowShowsTheSelectionInItsDock() {
  using lintrove::test::Key;
  std::filesystem::create_directories(dir_->Path() / "machine");
  lintrove::test::WriteFileBytes(
      dir_->Path() / "machine" / "HKEY_LOCAL_MACHINE.reg",
      "Windows Registry Editor Version 5.00\r\n\r\n" +
          Key(lintrove::test::kUninstall64, "Beta",
              "\"DisplayName\"=\"Beta\"\r\n\"UninstallString\"=\"beta.exe /x\"") +
          Key(lintrove::test::kUninstall64, "Alpha",
              "\"DisplayName\"=\"Alpha\"\r\n\"DisplayVersion\"=\"2.0\"\r\n"
              "\"Publisher\"=\"Alpha Publishing\"\r\n\"UninstallString\"=\"alpha.exe /x\""));
  lintrove::platform::PosixRegistry machine(dir_->Path() / "machine");
  lintrove::platform::PosixInstallerDatabase installer(machine);
  lintrove::SystemSettings::ScopedInstance system(*system_);
  client_->dat_lastcheck = 0.0;
  client_->bol_uptodatehinweis = true;
  lintrove::app::MainWindow window(*client_, {machine, installer});
  QSignalSpy scanned(&window, &lintrove::app::MainWindow::scanFinished);
  window.show();
  QVERIFY(scanned.wait(10000));

  auto* dock = Child<QDockWidget>(window, "dock_softwareinfo");
  QVERIFY(dock != nullptr);
  // Closed, it comes back through the menu "Ansicht".
  QVERIFY(dock->features() & QDockWidget::DockWidgetClosable);
  QVERIFY(dock->toggleViewAction()->isEnabled());
  QCOMPARE(window.dockWidgetArea(dock), Qt::RightDockWidgetArea);
  QCOMPARE(dock->width(), 427);
  auto& panel = *Child<DetailsPanel>(window, "pnl_details");
  QVERIFY(!Child<QPushButton>(panel, "btn_uninstall")->isEnabled());
  QVERIFY(!Child<QTreeWidget>(panel, "vst_versionen")->accessibleName().isEmpty());

  lintrove::app::ProgramList& list = window.Programs();
  QCOMPARE(list.model()->rowCount(), 2);
  list.setCurrentIndex(list.model()->index(0, 0));
  QCOMPARE(LabelText(panel, "lbl_produkt"), QStringLiteral("Alpha"));
  QCOMPARE(LabelText(panel, "lbl_hersteller"), QStringLiteral("Alpha Publishing"));
  QCOMPARE(LabelText(panel, "lbl_version"), QStringLiteral("2.0"));
  list.setCurrentIndex(list.model()->index(1, 0));
  QCOMPARE(LabelText(panel, "lbl_produkt"), QStringLiteral("Beta"));
  QCOMPARE(LabelText(panel, "lbl_version"), Text(lintrove::ResString::NoVersionInfo));
  list.clearSelection();
  QVERIFY(LabelText(panel, "lbl_produkt").isEmpty());

  dock->setFloating(true);
  QCOMPARE(dock->size(), QSize(200, 500));
  dock->setFloating(false);
  QCOMPARE(window.dockWidgetArea(dock), Qt::RightDockWidgetArea);
  QVERIFY(!dock->isFloating());
}

QTEST_MAIN(DetailsPanelTest)
#include "details_panel_test.moc"
