#include "app/window_translation.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDockWidget>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMap>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextCharFormat>
#include <QTextEdit>
#include <QToolBar>
#include <QTreeWidget>
#include <QtTest>
#include <string>
#include <string_view>

#include "app/message_box.h"
#include "base/format.h"
#include "base/resource_strings.h"
#include "language_source.h"
#include "localization/localizer.h"
#include "startup/error_report.h"
#include "support/scoped_environment.h"
#include "support/temp_dir.h"

using lintrove::app::MessageBox;
using lintrove::app::TranslateWindow;

namespace {

using Texts = QMap<QString, QString>;

// A window with a component of every kind a language file addresses, designed in German. The
// check box sits in the group box and an action in the menu: components are reached at any
// depth.
struct ProbeWindow {
  explicit ProbeWindow(const QString& name = QStringLiteral("frm_probe"), QWidget* parent = nullptr)
      : window(parent) {
    window.setObjectName(name);
    window.setWindowTitle("Probe");
    window.resize(300, 200);
    label->setObjectName("lbl_title");
    label->setAccessibleName("Überschrift");
    group->setObjectName("grp_options");
    check->setObjectName("cb_ssl");
    check->setToolTip("Verschlüsselt zum Server");
    check->setAccessibleName(check->text());
    combo->setObjectName("cbo_reminder");
    combo->addItems({"-keine-", "jede Woche", "alle zwei Wochen"});
    edit->setObjectName("ed_search");
    memo->setObjectName("memo_notice");
    memo->setPlainText("erste\nzweite");
    empty->setObjectName("memo_empty");
    tree->setObjectName("lv_versions");
    tree->setHeaderLabels({"Name", "Version"});
    action->setObjectName("act_refresh");
    action->setToolTip("Scannt nach neuer Software");
    action->setStatusTip(action->toolTip());
    menu->setObjectName("mnu_datei");
    menu->addAction("&Beenden")->setObjectName("act_beenden");
    toolbar->setObjectName("tb_main");
    dock->setObjectName("dock_info");
  }

  Texts Current() const {
    return {
        {"window", window.windowTitle()},
        {"window.width", QString::number(window.width())},
        {"label", label->text()},
        {"label.accessible", label->accessibleName()},
        {"group", group->title()},
        {"check", check->text()},
        {"check.hint", check->toolTip()},
        {"check.accessible", check->accessibleName()},
        {"check.name", check->objectName()},
        {"items", combo->itemText(0) + "|" + combo->itemText(1) + "|" + combo->itemText(2)},
        {"edit", edit->text()},
        {"memo", memo->toPlainText()},
        {"empty", empty->toPlainText()},
        {"columns", tree->headerItem()->text(0) + "|" + tree->headerItem()->text(1)},
        {"action", action->text()},
        {"action.hint", action->toolTip()},
        {"action.status", action->statusTip()},
        {"menu", menu->title()},
        {"menu.action", menu->menuAction()->text()},
        {"menu.item", menu->findChild<QAction*>("act_beenden")->text()},
        {"toolbar", toolbar->windowTitle()},
        {"dock", dock->windowTitle()},
    };
  }

  QDialog window;
  QLabel* label = new QLabel("Titel", &window);
  QGroupBox* group = new QGroupBox("Optionen", &window);
  QCheckBox* check = new QCheckBox("SSL verwenden", group);
  QComboBox* combo = new QComboBox(&window);
  QLineEdit* edit = new QLineEdit("suchen", &window);
  QTextEdit* memo = new QTextEdit(&window);
  QPlainTextEdit* empty = new QPlainTextEdit(&window);
  QTreeWidget* tree = new QTreeWidget(&window);
  QAction* action = new QAction("Aktualisieren", &window);
  QMenu* menu = new QMenu("&Datei", &window);
  QToolBar* toolbar = new QToolBar("Werkzeuge", &window);
  QDockWidget* dock = new QDockWidget("Softwareinfo", &window);
};

// Side by side, one line a text, so that a failure names the text that differs.
QStringList Lines(const Texts& texts) {
  QStringList lines;
  for (auto text = texts.cbegin(); text != texts.cend(); ++text) {
    lines << text.key() + " = " + text.value();
  }
  return lines;
}

}  // namespace

class WindowTranslationTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase();
  void cleanup();
  void recordsReachEveryKindOfComponent_data();
  void recordsReachEveryKindOfComponent();
  void withoutALanguageTheDesignStays();
  void aFailingRecordIsShownAndTheRecordsBeforeItStay();
  void ancestorTablesApplyFirstAndLaterRecordsWin();
  void aRichTextLineKeepsItsLook();
  void loadingWithWindowsTranslatesEveryOpenWindowOnItsOwn();

 private:
  // Compiles the source into the language directory, as the build does, and loads it.
  static bool LoadLanguage(std::string_view source, bool translate_windows = false);

  lintrove::test::TempDir dir_;
  lintrove::test::ScopedEnvironment environment_;
};

void WindowTranslationTest::initTestCase() {
  environment_.Set("LINTROVE_LANGUAGE_DIR", dir_.Path().string());
  lintrove::ProcessLocalizer().SetLanguageDir(lintrove::ProgramLanguageDir());
}

void WindowTranslationTest::cleanup() {
  lintrove::ProcessLocalizer().UnloadLanguage();
  lintrove::ProcessLocalizer().SetOpenWindows(nullptr);
  MessageBox::ResetTestHook();
}

bool WindowTranslationTest::LoadLanguage(std::string_view source, bool translate_windows) {
  lintrove::LanguageFileLocalizer& localizer = lintrove::ProcessLocalizer();
  localizer.UnloadLanguage();
  const std::vector<std::uint8_t> image =
      lintrove::wlx::CompileLanguage(lintrove::wlx::ParseLanguageSource(source));
  lintrove::test::WriteFileBytes(localizer.LanguageFileName(lintrove::FallbackLanguage),
                                 std::string(image.begin(), image.end()));
  return localizer.LoadLanguage(lintrove::FallbackLanguage, translate_windows);
}

void WindowTranslationTest::recordsReachEveryKindOfComponent_data() {
  QTest::addColumn<QString>("records");
  QTest::addColumn<Texts>("changes");

  QTest::newRow("window") << R"(frm_probe.Caption = "Probe window")"
                          << Texts{{"window", "Probe window"}};
  QTest::newRow("window, other case")
      << R"(FRM_PROBE.caption = "Probe window")" << Texts{{"window", "Probe window"}};
  QTest::newRow("label, own accessible name")
      << R"(lbl_title.Caption = "Title")" << Texts{{"label", "Title"}};
  QTest::newRow("check box in a group, accessible name as its text")
      << R"(CB_SSL.Caption = "Use SSL")"
      << Texts{{"check", "Use SSL"}, {"check.accessible", "Use SSL"}};
  QTest::newRow("accessible name of its own")
      << R"(lbl_title.AccessibleName = "Heading")" << Texts{{"label.accessible", "Heading"}};
  QTest::newRow("hint") << R"(cb_ssl.Hint = "Encrypted")" << Texts{{"check.hint", "Encrypted"}};
  QTest::newRow("group box") << R"(grp_options.Caption = "Options")" << Texts{{"group", "Options"}};
  QTest::newRow("action") << "act_refresh.Caption = \"Refresh\"\n"
                             "act_refresh.Hint = \"Scans for new software\""
                          << Texts{{"action", "Refresh"},
                                   {"action.hint", "Scans for new software"},
                                   {"action.status", "Scans for new software"}};
  QTest::newRow("menu and its action")
      << "mnu_datei.Caption = \"&File\"\n"
         "act_beenden.Caption = \"E&xit\""
      << Texts{{"menu", "&File"}, {"menu.action", "&File"}, {"menu.item", "E&xit"}};
  QTest::newRow("toolbar") << R"(tb_main.Caption = "Tools")" << Texts{{"toolbar", "Tools"}};
  QTest::newRow("dock") << R"(dock_info.Caption = "Software info")"
                        << Texts{{"dock", "Software info"}};
  QTest::newRow("line edit") << R"(ed_search.Text = "search")" << Texts{{"edit", "search"}};
  QTest::newRow("text edit") << R"(memo_notice.Text = "one\ntwo\nthree")"
                             << Texts{{"memo", "one\ntwo\nthree"}};
  QTest::newRow("combo box item") << R"(cbo_reminder.Items(1).Text = "every week")"
                                  << Texts{{"items", "-keine-|every week|alle zwei Wochen"}};
  QTest::newRow("text edit line") << R"(memo_notice.Lines(0).Text = "first")"
                                  << Texts{{"memo", "first\nzweite"}};
  QTest::newRow("lines beyond the end") << "cbo_reminder.Items(3).Text = \"x\"\n"
                                           "memo_notice.Lines(2).Text = \"x\"\n"
                                           "memo_empty.Lines(0).Text = \"x\""
                                        << Texts{};
  QTest::newRow("plain text edit") << R"(memo_empty.Text = "filled")" << Texts{{"empty", "filled"}};
  QTest::newRow("columns") << "lv_versions.Columns<1>.Caption = \"Ver.\"\n"
                              "lv_versions.Columns<0>.Text = \"Program\""
                           << Texts{{"columns", "Program|Ver."}};
  QTest::newRow("properties that are no text") << "frm_probe.Width = \"10\"\n"
                                                  "cb_ssl.Name = \"renamed\"\n"
                                                  "lv_versions.Columns<1>.Width = \"5\"\n"
                                                  "cbo_reminder.Items = \"x\"\n"
                                                  "memo_notice.Lines = \"x\""
                                               << Texts{};
  QTest::newRow("nothing named") << "nobody.Caption = \"x\"\n"
                                    "lbl_title.Nothing = \"x\"\n"
                                    "Caption = \"x\"\n"
                                    "lbl_title.Caption.Text = \"x\""
                                 << Texts{};
  QTest::newRow("later wins") << "lbl_title.Caption = \"first\"\nlbl_title.Caption = \"second\""
                              << Texts{{"label", "second"}};
}

void WindowTranslationTest::recordsReachEveryKindOfComponent() {
  QFETCH(QString, records);
  QFETCH(Texts, changes);
  QVERIFY(LoadLanguage("[window Tfrm_probe]\n" + records.toStdString()));
  ProbeWindow probe;
  Texts expected = probe.Current();
  for (auto change = changes.cbegin(); change != changes.cend(); ++change) {
    QVERIFY2(expected.contains(change.key()), qPrintable(change.key()));
    expected[change.key()] = change.value();
  }

  MessageBox::SetNextAnswer(QMessageBox::Ok);
  TranslateWindow(probe.window);
  QCOMPARE(Lines(probe.Current()), Lines(expected));
  QVERIFY2(!MessageBox::TakeAnswered(), "no error box");
}

void WindowTranslationTest::withoutALanguageTheDesignStays() {
  ProbeWindow probe;
  const Texts designed = probe.Current();
  TranslateWindow(probe.window);
  QCOMPARE(Lines(probe.Current()), Lines(designed));
}

void WindowTranslationTest::aFailingRecordIsShownAndTheRecordsBeforeItStay() {
  QVERIFY(
      LoadLanguage("[window Tfrm_probe]\n"
                   "lbl_title.Caption = \"Title\"\n"
                   "lv_versions.Columns<9>.Caption = \"Ninth\"\n"
                   "cb_ssl.Caption = \"Use SSL\"\n"));
  ProbeWindow probe;
  Texts expected = probe.Current();
  expected["label"] = "Title";

  MessageBox::SetNextAnswer(QMessageBox::Ok);
  TranslateWindow(probe.window);
  const std::optional<MessageBox::Shown> shown = MessageBox::TakeAnswered();
  QVERIFY2(shown, "the error box");
  QCOMPARE(shown->icon, QMessageBox::Critical);
  using namespace lintrove;
  const std::string message =
      Format(LoadResString(ResString::TranslationFailed), "lv_versions.Columns<9>.Caption", "Ninth",
             Format(LoadResString(ResString::ListIndexOutOfBounds), 9));
  QCOMPARE(shown->text, QString::fromStdString(ErrorBoxText(message)));
  QCOMPARE(Lines(probe.Current()), Lines(expected));
}

void WindowTranslationTest::ancestorTablesApplyFirstAndLaterRecordsWin() {
  // The file's order of the tables does not count, the class chain's does.
  QVERIFY(
      LoadLanguage("[window Tfrm_probe]\n"
                   "cb_ssl.Caption = \"own\"\n"
                   "[window TForm]\n"
                   "cb_ssl.Caption = \"form\"\n"
                   "lbl_title.Caption = \"form\"\n"
                   "frm_probe.Caption = \"form\"\n"
                   "[window TComponent]\n"
                   "lbl_title.Caption = \"component\"\n"
                   "frm_probe.Caption = \"component\"\n"
                   "grp_options.Caption = \"component\"\n"
                   "[window Tfrm_other]\n"
                   "ed_search.Text = \"other window\"\n"));
  ProbeWindow probe;
  Texts expected = probe.Current();
  expected["check"] = expected["check.accessible"] = "own";
  expected["label"] = expected["window"] = "form";
  expected["group"] = "component";

  TranslateWindow(probe.window);
  QCOMPARE(Lines(probe.Current()), Lines(expected));
}

void WindowTranslationTest::aRichTextLineKeepsItsLook() {
  QVERIFY(
      LoadLanguage("[window Tfrm_probe]\n"
                   "memo_notice.Lines(1).Text = \"Heading\"\n"
                   "memo_notice.Lines(2).Text = \"Lintrove is a project of Dorv\"\n"
                   "memo_notice.Lines(3).Text = \"Home page\"\n"));
  ProbeWindow probe;
  probe.memo->setHtml(
      "<p>erste</p><p><b>Überschrift</b></p><p><b>Lintrove</b> ist ein Projekt von <b>Dorv</b></p>"
      "<p><a href=\"https://www.lintrove.example\">Startseite</a></p>");

  TranslateWindow(probe.window);
  QCOMPARE(probe.memo->toPlainText(),
           QString("erste\nHeading\nLintrove is a project of Dorv\nHome page"));
  // The looks of a line's runs of text.
  const auto looks = [&](int line) {
    QList<QTextCharFormat> formats;
    const QTextBlock block = probe.memo->document()->findBlockByNumber(line);
    for (auto fragment = block.begin(); !fragment.atEnd(); ++fragment) {
      formats << fragment.fragment().charFormat();
    }
    return formats;
  };
  const QList<QTextCharFormat> heading = looks(1);
  QCOMPARE(heading.size(), 1);
  QCOMPARE(heading[0].fontWeight(), int(QFont::Bold));
  // The bold names cannot be found in the translated words.
  const QList<QTextCharFormat> mixed = looks(2);
  QCOMPARE(mixed.size(), 1);
  QCOMPARE(mixed[0].fontWeight(), int(QFont::Normal));
  const QList<QTextCharFormat> address = looks(3);
  QCOMPARE(address.size(), 1);
  QCOMPARE(address[0].anchorHref(), QString("https://www.lintrove.example"));
}

void WindowTranslationTest::loadingWithWindowsTranslatesEveryOpenWindowOnItsOwn() {
  lintrove::app::InstallWindowTranslation();
  ProbeWindow probe;
  ProbeWindow second("frm_second");
  // Parented to the probe, yet a window of its own, translated by its own table alone.
  QDialog child(&probe.window);
  child.setObjectName("frm_child");
  child.setWindowTitle("Kind");
  auto* childLabel = new QLabel("Beschriftung", &child);
  childLabel->setObjectName("lbl_child");
  ProbeWindow unnamed("");
  // A top-level popup is part of a window, not one itself.
  QMenu popup("Aufklappen");
  popup.setObjectName("mnu_popup");

  QVERIFY(
      LoadLanguage("[window TForm]\n"
                   "lbl_title.Caption = \"Title\"\n"
                   "mnu_popup.Caption = \"visited as a window\"\n"
                   "[window Tfrm_probe]\n"
                   "lbl_child.Caption = \"reached through its parent\"\n"
                   "[window Tfrm_child]\n"
                   "frm_child.Caption = \"Child\"\n",
                   true));
  QCOMPARE(probe.label->text(), QString("Title"));
  QCOMPARE(second.label->text(), QString("Title"));
  QCOMPARE(child.windowTitle(), QString("Child"));
  QCOMPARE(childLabel->text(), QString("Beschriftung"));
  QCOMPARE(unnamed.label->text(), QString("Titel"));
  QCOMPARE(popup.title(), QString("Aufklappen"));
  QCOMPARE(popup.windowTitle(), QString());
}

QTEST_MAIN(WindowTranslationTest)
#include "window_translation_test.moc"
