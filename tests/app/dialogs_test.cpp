#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QTextBrowser>
#include <QTextEdit>
#include <QTimer>
#include <QtTest>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "app/about_box.h"
#include "app/notice_dialog.h"
#include "app/options_dialog.h"
#include "app/scan_progress_dialog.h"
#include "base/application.h"
#include "base/resource_strings.h"
#include "platform/client_version.h"
#include "platform/posix/posix_registry.h"
#include "platform/posix/xdg_logon_entry.h"
#include "settings/client_settings.h"
#include "support/temp_dir.h"

namespace {

// How a test ends a modal dialog.
enum class Close { OkButton, EnterKey, CancelButton, EscapeKey, WindowClose };

// The settings the options dialog shows, or the states a user gives its controls.
struct Options {
  int reminder;  // for a user: -1 leaves the selection alone
  bool upgrades;
  bool developerVersions;
  bool extendedInstallerInfo;  // for a user: not reachable, so not set
  bool encrypted;
  double lastCheck;  // for a user: not shown, so not set
};

QString Text(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

template <typename T>
T* Child(QWidget* window, const char* name) {
  T* child = window->findChild<T*>(QLatin1String(name));
  if (child == nullptr) qWarning("%s has no %s", qPrintable(window->objectName()), name);
  return child;
}

void Press(QWidget* window, Qt::Key key) {
  // Where a user's key goes: to the focused control, which leaves Enter and Escape to the dialog.
  QWidget* target = window->focusWidget() != nullptr ? window->focusWidget() : window;
  QTest::keyClick(target, key);
}

void CloseDialog(QWidget* dialog, Close close) {
  switch (close) {
    case Close::OkButton:
      Child<QPushButton>(dialog, "btn_ok")->click();
      break;
    case Close::EnterKey:
      Press(dialog, Qt::Key_Return);
      break;
    case Close::CancelButton:
      Child<QPushButton>(dialog, "btn_cancel")->click();
      break;
    case Close::EscapeKey:
      Press(dialog, Qt::Key_Escape);
      break;
    case Close::WindowClose:
      dialog->close();
      break;
  }
}

// Answers the next modal dialog from inside its own message loop. Should the answer leave the
// dialog open, the test fails and the dialog is closed rather than waited for.
void AnswerModal(const char* windowName, std::function<void(QWidget*)> answer) {
  QTimer::singleShot(0, [windowName, answer = std::move(answer)] {
    QWidget* dialog = QApplication::activeModalWidget();
    QVERIFY(dialog != nullptr);
    if (dialog->objectName() == QLatin1String(windowName)) answer(dialog);
    if (dialog->isVisible()) {
      dialog->close();
      QFAIL(qPrintable(QStringLiteral("%1 was left open").arg(dialog->objectName())));
    }
    QCOMPARE(dialog->objectName(), QLatin1String(windowName));
  });
}

}  // namespace

Q_DECLARE_METATYPE(Close)
Q_DECLARE_METATYPE(Options)

class DialogsTest : public QObject {
  Q_OBJECT

 private slots:
  void init();
  void cleanup();
  void optionsCopyBackOnlyOnOk_data();
  void optionsCopyBackOnlyOnOk();
  void optionsChooseTheMachineOnlyOnOk_data();
  void optionsChooseTheMachineOnlyOnOk();
  void noticeAnswersItsCheckBoxHoweverClosed_data();
  void noticeAnswersItsCheckBoxHoweverClosed();
  void noticeShowsTheNoticeLineByLine();
  void aboutBoxShowsVersionTitleAndLogo();
  void waitDialogShowsEachReport();
  void waitDialogScalesTotalsBeyondTheBarsRange();
  void waitDialogKeepsItsWidthForLongNames();

 private:
  std::unique_ptr<lintrove::test::TempDir> dir_;
  std::unique_ptr<lintrove::platform::PosixRegistry> registry_;
  std::unique_ptr<lintrove::platform::XdgLogonEntry> logon_;
};

void DialogsTest::init() {
  dir_ = std::make_unique<lintrove::test::TempDir>();
  registry_ = std::make_unique<lintrove::platform::PosixRegistry>(dir_->Path() / "registry");
  logon_ =
      std::make_unique<lintrove::platform::XdgLogonEntry>("lintrove", dir_->Path() / "autostart");
}

void DialogsTest::cleanup() {
  logon_.reset();
  registry_.reset();
  dir_.reset();
}

void DialogsTest::optionsCopyBackOnlyOnOk_data() {
  QTest::addColumn<Options>("stored");
  QTest::addColumn<Options>("chosen");
  QTest::addColumn<Close>("close");
  QTest::addColumn<Options>("expected");

  const Options stored{1, true, false, false, true, 45000.25};
  const Options chosen{3, false, true, false, false, 0};
  const Options copied{3, false, true, false, false, 45000.25};
  QTest::newRow("OK copies every field") << stored << chosen << Close::OkButton << copied;
  QTest::newRow("Enter is OK") << stored << chosen << Close::EnterKey << copied;
  QTest::newRow("Cancel changes nothing") << stored << chosen << Close::CancelButton << stored;
  QTest::newRow("Escape changes nothing") << stored << chosen << Close::EscapeKey << stored;
  QTest::newRow("closing changes nothing") << stored << chosen << Close::WindowClose << stored;

  const Options firstStart{1, true, false, false, true, -1.0};
  QTest::newRow("first start ends on OK")
      << firstStart << chosen << Close::OkButton << Options{3, false, true, false, false, 0.0};
  QTest::newRow("first start ends on Cancel")
      << firstStart << chosen << Close::CancelButton << Options{1, true, false, false, true, 0.0};
  QTest::newRow("first start ends on closing")
      << firstStart << chosen << Close::WindowClose << Options{1, true, false, false, true, 0.0};
  const Options afterFirstStart{1, true, false, false, true, 0.0};
  QTest::newRow("0.0 stays 0.0") << afterFirstStart << chosen << Close::OkButton
                                 << Options{3, false, true, false, false, 0.0};

  const Options extended{2, false, true, true, false, 45000.25};
  QTest::newRow("the hidden box returns its value on OK")
      << extended << Options{0, true, false, false, true, 0} << Close::OkButton
      << Options{0, true, false, true, true, 45000.25};
  QTest::newRow("-keine- and OK turn the reminder off")
      << stored << Options{0, true, false, false, true, 0} << Close::OkButton
      << Options{0, true, false, false, true, 45000.25};
  QTest::newRow("a stored period outside the list stays on OK")
      << Options{7, true, false, false, true, 45000.25} << Options{-1, false, false, false, true, 0}
      << Close::OkButton << Options{7, false, false, false, true, 45000.25};
}

void DialogsTest::optionsCopyBackOnlyOnOk() {
  QFETCH(Options, stored);
  QFETCH(Options, chosen);
  QFETCH(Close, close);
  QFETCH(Options, expected);

  lintrove::ClientSettings settings(*registry_, *logon_);
  settings.int_reminder = stored.reminder;
  settings.bol_upgrades = stored.upgrades;
  settings.bol_developerversionen = stored.developerVersions;
  settings.bol_extendedmsiinfo = stored.extendedInstallerInfo;
  settings.bol_ssl = stored.encrypted;
  settings.dat_lastcheck = stored.lastCheck;

  bool answered = false;
  AnswerModal("frm_optionen", [&](QWidget* dialog) {
    auto* reminder = Child<QComboBox>(dialog, "cbo_reminder");
    auto* upgrades = Child<QCheckBox>(dialog, "cb_upgrades");
    auto* developerVersions = Child<QCheckBox>(dialog, "cb_beta");
    auto* extended = Child<QCheckBox>(dialog, "cb_extendedmsiinfo");
    auto* encrypted = Child<QCheckBox>(dialog, "cb_ssl");
    answered = true;
    // The dialog shows what is stored; a number outside the list selects nothing.
    QCOMPARE(reminder->currentIndex(), stored.reminder < reminder->count() ? stored.reminder : -1);
    QCOMPARE(upgrades->isChecked(), stored.upgrades);
    QCOMPARE(developerVersions->isChecked(), stored.developerVersions);
    QCOMPARE(encrypted->isChecked(), stored.encrypted);
    QCOMPARE(extended->isChecked(), stored.extendedInstallerInfo);
    QVERIFY(!extended->isVisible());
    QVERIFY(upgrades->isVisible());

    if (chosen.reminder >= 0) reminder->setCurrentIndex(chosen.reminder);
    upgrades->setChecked(chosen.upgrades);
    developerVersions->setChecked(chosen.developerVersions);
    encrypted->setChecked(chosen.encrypted);
    CloseDialog(dialog, close);
  });
  // With nothing to choose but this computer, the machine is not asked.
  QVERIFY(!lintrove::app::RunOptionsDialog(nullptr, settings, lintrove::MachineChoices({}, "")));

  QVERIFY(answered);
  QCOMPARE(settings.int_reminder, expected.reminder);
  QCOMPARE(settings.bol_upgrades, expected.upgrades);
  QCOMPARE(settings.bol_developerversionen, expected.developerVersions);
  QCOMPARE(settings.bol_extendedmsiinfo, expected.extendedInstallerInfo);
  QCOMPARE(settings.bol_ssl, expected.encrypted);
  QCOMPARE(settings.dat_lastcheck, expected.lastCheck);
  // The settings reach the registry when the client ends, not here.
  QVERIFY(std::filesystem::recursive_directory_iterator(dir_->Path()) ==
          std::filesystem::recursive_directory_iterator());
}

void DialogsTest::optionsChooseTheMachineOnlyOnOk_data() {
  QTest::addColumn<QString>("stored");
  QTest::addColumn<int>("chosen");
  QTest::addColumn<Close>("close");
  QTest::addColumn<QString>("expected");
  const QString steam = "/home/anna/.local/share/Steam/steamapps/compatdata/570/pfx";
  QTest::newRow("a prefix on OK") << QString() << 2 << Close::OkButton << steam;
  QTest::newRow("back to this computer on Enter") << steam << 0 << Close::EnterKey << QString();
  QTest::newRow("nothing on Cancel") << QString() << 2 << Close::CancelButton << QString();
  QTest::newRow("nothing on Escape") << steam << 1 << Close::EscapeKey << steam;
  QTest::newRow("the same prefix, written otherwise, is no change")
      << steam + "/" << 2 << Close::OkButton << steam;
}

void DialogsTest::optionsChooseTheMachineOnlyOnOk() {
  QFETCH(QString, stored);
  QFETCH(int, chosen);
  QFETCH(Close, close);
  QFETCH(QString, expected);
  using Place = lintrove::FoundWinePrefix::Place;
  const std::vector<lintrove::FoundWinePrefix> found = {
      {"/home/anna/.wine", Place::Wine, ""},
      {"/home/anna/.local/share/Steam/steamapps/compatdata/570/pfx", Place::Steam, "Dota 2"}};
  lintrove::ClientSettings settings(*registry_, *logon_);
  settings.str_wineprefix = stored.toStdString();

  AnswerModal("frm_optionen", [&](QWidget* dialog) {
    auto* machines = Child<QComboBox>(dialog, "cbo_machine");
    QVERIFY(machines->isVisible());
    QCOMPARE(machines->count(), 3);
    QCOMPARE(machines->itemText(2),
             QStringLiteral("Steam: Dota 2 (/home/anna/.local/share/Steam/steamapps/compatdata/"
                            "570/pfx)"));
    // The stored machine is the one selected.
    QCOMPARE(machines->currentIndex(), stored.isEmpty() ? 0 : 2);
    machines->setCurrentIndex(chosen);
    CloseDialog(dialog, close);
  });
  const bool changed = lintrove::app::RunOptionsDialog(
      nullptr, settings, lintrove::MachineChoices(found, settings.str_wineprefix));

  QCOMPARE(QString::fromStdString(settings.str_wineprefix), expected);
  QCOMPARE(changed, !lintrove::SameWinePrefix(stored.toStdString(), expected.toStdString()));
}

void DialogsTest::noticeAnswersItsCheckBoxHoweverClosed_data() {
  QTest::addColumn<Close>("close");
  QTest::addColumn<bool>("checked");
  for (const bool checked : {false, true}) {
    const char* state = checked ? "checked" : "unchecked";
    QTest::addRow("button, %s", state) << Close::OkButton << checked;
    QTest::addRow("Enter in the notice, %s", state) << Close::EnterKey << checked;
    QTest::addRow("Escape, %s", state) << Close::EscapeKey << checked;
    QTest::addRow("window closed, %s", state) << Close::WindowClose << checked;
  }
}

void DialogsTest::noticeAnswersItsCheckBoxHoweverClosed() {
  QFETCH(Close, close);
  QFETCH(bool, checked);

  bool answered = false;
  AnswerModal("frm_hinweis", [&](QWidget* dialog) {
    auto* box = Child<QCheckBox>(dialog, "CheckBox1");
    answered = true;
    QVERIFY(!box->isChecked());
    box->setChecked(checked);
    // Enter where the notice has the focus: the text stays, the default button closes.
    Child<QTextEdit>(dialog, "RichEdit1")->setFocus();
    CloseDialog(dialog, close);
  });
  QCOMPARE(lintrove::app::ShowCommunityNotice(nullptr), checked);
  QVERIFY(answered);
}

void DialogsTest::noticeShowsTheNoticeLineByLine() {
  const QStringList lines =
      QString::fromStdString(lintrove::LoadResString(lintrove::ResString::CommunityNotice))
          .split(QStringLiteral("\r\n"));
  QVERIFY(lines.size() > 5);

  QStringList shown;
  bool readOnly = false;
  int scrollRange = -1;
  AnswerModal("frm_hinweis", [&](QWidget* dialog) {
    auto* notice = Child<QTextEdit>(dialog, "RichEdit1");
    shown = notice->toPlainText().split(QLatin1Char('\n'));
    readOnly = notice->isReadOnly();
    // The whole notice shows without scrolling.
    scrollRange = notice->verticalScrollBar()->maximum();
    CloseDialog(dialog, Close::OkButton);
  });
  lintrove::app::ShowCommunityNotice(nullptr);
  QCOMPARE(shown, lines);
  QVERIFY(readOnly);
  QCOMPARE(scrollRange, 0);
}

void DialogsTest::aboutBoxShowsVersionTitleAndLogo() {
  QVERIFY(!lintrove::ClientVersion().empty());

  bool answered = false;
  AnswerModal("frm_about", [&](QWidget* dialog) {
    auto* version = Child<QLabel>(dialog, "lbl_version");
    auto* title = Child<QLabel>(dialog, "Label1");
    auto* logo = Child<QLabel>(dialog, "Image1");
    auto* credits = Child<QTextBrowser>(dialog, "RichEdit1");
    answered = true;
    QCOMPARE(version->text(), QStringLiteral("Version: ") + Text(lintrove::ClientVersion()));
    QCOMPARE(title->text(), Text(lintrove::ApplicationTitle));
    QVERIFY(credits->toPlainText().contains(Text(lintrove::ApplicationWebAddress)));

    // Drawn for the screen's pixel density, and drawn at all: the picture is not empty.
    const QPixmap pixmap = logo->pixmap();
    QVERIFY(!pixmap.isNull());
    QCOMPARE(pixmap.devicePixelRatio(), dialog->devicePixelRatioF());
    QCOMPARE(pixmap.deviceIndependentSize(), QSizeF(69, 69));
    const QImage image = pixmap.toImage();
    QVERIFY(qAlpha(image.pixel(image.width() / 2, image.height() / 2)) > 0);
    QCOMPARE(qAlpha(image.pixel(0, 0)), 0);

    Child<QPushButton>(dialog, "Button1")->click();
  });
  lintrove::app::ShowAboutBox(nullptr);
  QVERIFY(answered);
}

void DialogsTest::waitDialogShowsEachReport() {
  QWidget mainWindow;
  mainWindow.show();
  lintrove::app::ScanProgressDialog dialog(&mainWindow);
  auto* progress = Child<QProgressBar>(&dialog, "ProgressBar1");
  auto* count = Child<QLabel>(&dialog, "lbl_status");
  auto* source = Child<QLabel>(&dialog, "lbl_technologie");
  auto* program = Child<QLabel>(&dialog, "lbl_software");
  const QString collecting =
      QString::fromStdString(lintrove::LoadResString(lintrove::ResString::CollectingInformation));
  QCOMPARE(Child<QLabel>(&dialog, "lbl_was")->text(), collecting);
  QVERIFY(!dialog.isVisible());
  QVERIFY(!dialog.isModal());
  QVERIFY(!(dialog.windowFlags() & Qt::WindowCloseButtonHint));

  dialog.ShowReport({"Windows Installer", "Alpha Editor", 0, 143});
  QVERIFY(dialog.isVisible());
  QCOMPARE(count->text(), QStringLiteral("0 von 143"));
  QCOMPARE(source->text(), QStringLiteral("Windows Installer"));
  QCOMPARE(program->text(), QStringLiteral("Alpha Editor"));
  QCOMPARE(progress->maximum(), 143);
  QCOMPARE(progress->value(), 0);

  dialog.ShowReport({"Registry", "Zeta Größe", 12, 40});
  QCOMPARE(count->text(), QStringLiteral("12 von 40"));
  QCOMPARE(source->text(), QStringLiteral("Registry"));
  QCOMPARE(program->text(), QStringLiteral("Zeta Größe"));
  QCOMPARE(progress->maximum(), 40);
  QCOMPARE(progress->value(), 12);
  QCOMPARE(Child<QLabel>(&dialog, "lbl_was")->text(), collecting);

  // Only the scan ends it.
  QTest::keyClick(&dialog, Qt::Key_Escape);
  QVERIFY(!dialog.close());
  QVERIFY(dialog.isVisible());
}

void DialogsTest::waitDialogScalesTotalsBeyondTheBarsRange() {
  lintrove::app::ScanProgressDialog dialog(nullptr);
  auto* progress = Child<QProgressBar>(&dialog, "ProgressBar1");
  dialog.ShowReport({"Registry", "Alpha", 3'000'000'000, 6'000'000'000});
  QCOMPARE(Child<QLabel>(&dialog, "lbl_status")->text(),
           QStringLiteral("3000000000 von 6000000000"));
  QVERIFY(progress->maximum() > 0);
  QCOMPARE(progress->value(), progress->maximum() / 2);
}

void DialogsTest::waitDialogKeepsItsWidthForLongNames() {
  lintrove::app::ScanProgressDialog dialog(nullptr);
  dialog.ShowReport({"Registry", "Alpha", 1, 2});
  QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
  const int width = dialog.width();
  QVERIFY(width >= 385);

  const QString longName = QStringLiteral("Ein sehr langer Programmname ").repeated(10);
  const std::string item = longName.toStdString();
  dialog.ShowReport({"Registry", item, 2, 2});
  QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
  QCOMPARE(dialog.width(), width);
  QCOMPARE(Child<QLabel>(&dialog, "lbl_software")->text(), longName);
}

int main(int argc, char* argv[]) {
  // Twice the pixel density, so that the logo shows it is drawn for the screen's.
  qputenv("QT_SCALE_FACTOR", "2");
  QApplication application(argc, argv);
  DialogsTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "dialogs_test.moc"
