#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QTabWidget>
#include <QTextEdit>
#include <QtTest>
#include <functional>
#include <map>
#include <memory>
#include <set>

#include "app/about_box.h"
#include "app/download_window.h"
#include "app/main_window.h"
#include "app/notice_dialog.h"
#include "app/options_dialog.h"
#include "app/scan_progress_dialog.h"
#include "app/update_dialog.h"
#include "localization/localizer.h"
#include "platform/client_version.h"
#include "platform/posix/posix_installer_database.h"
#include "platform/posix/posix_registry.h"
#include "platform/posix/xdg_logon_entry.h"
#include "settings/client_settings.h"
#include "support/scoped_environment.h"
#include "support/temp_dir.h"

namespace {

// Every text a window shows or speaks, by the object and the property it is in.
using WindowTexts = std::map<QString, QString>;

void Collect(WindowTexts& texts, const QObject& object) {
  const QString name = object.objectName();
  const auto add = [&](const char* property, const QString& text) {
    if (!text.trimmed().isEmpty()) texts[name + "." + property] = text;
  };
  if (const auto* widget = qobject_cast<const QWidget*>(&object)) {
    if (widget->isWindow()) add("windowTitle", widget->windowTitle());
    add("toolTip", widget->toolTip());
    add("accessibleName", widget->accessibleName());
    add("accessibleDescription", widget->accessibleDescription());
  }
  if (const auto* label = qobject_cast<const QLabel*>(&object)) add("text", label->text());
  if (const auto* button = qobject_cast<const QAbstractButton*>(&object))
    add("text", button->text());
  if (const auto* menu = qobject_cast<const QMenu*>(&object)) add("title", menu->title());
  if (const auto* action = qobject_cast<const QAction*>(&object)) {
    add("text", action->text());
    add("toolTip", action->toolTip());
    add("statusTip", action->statusTip());
  }
  if (const auto* box = qobject_cast<const QComboBox*>(&object)) {
    for (int item = 0; item < box->count(); ++item) {
      add(qPrintable(QStringLiteral("item%1").arg(item)), box->itemText(item));
    }
  }
  if (const auto* edit = qobject_cast<const QTextEdit*>(&object)) add("text", edit->toPlainText());
  if (const auto* tabs = qobject_cast<const QTabWidget*>(&object)) {
    for (int tab = 0; tab < tabs->count(); ++tab) {
      add(qPrintable(QStringLiteral("tab%1").arg(tab)), tabs->tabText(tab));
    }
  }
  for (const QObject* child : object.children()) {
    if (!child->objectName().startsWith(QStringLiteral("qt_"))) Collect(texts, *child);
  }
}

}  // namespace

// Builds every window of the desktop client under a language and reads all its texts: in English
// none of the built-in German ones may be left, in German they are the built-in ones.
class WindowTextsTest : public QObject {
  Q_OBJECT

 private slots:
  void englishLeavesNoGermanText();

 private:
  // The texts of all windows, built under the language the locale variable chooses.
  std::map<QString, WindowTexts> BuildWindows(const std::string& lang);
};

std::map<QString, WindowTexts> WindowTextsTest::BuildWindows(const std::string& lang) {
  lintrove::test::ScopedEnvironment environment;
  environment.Set("LANG", lang);
  lintrove::LanguageFileLocalizer& localizer = lintrove::ProcessLocalizer();
  localizer.SetBaseName("lintrove");
  localizer.SetLanguageDir(LINTROVE_LANGUAGES_DIR);
  localizer.LoadUserLanguage(lintrove::FallbackLanguage, false);

  lintrove::test::TempDir dir;
  lintrove::platform::PosixRegistry registry(dir.Path() / "registry");
  lintrove::platform::PosixInstallerDatabase installer(registry);
  lintrove::platform::XdgLogonEntry logon("lintrove", dir.Path() / "autostart");
  lintrove::ClientSettings settings(registry, logon);

  std::map<QString, WindowTexts> windows;
  const auto read = [&](QWidget& window) { Collect(windows[window.objectName()], window); };
  {
    lintrove::app::MainWindow window(settings, {registry, installer});
    read(window);
  }
  std::unique_ptr<QWidget> dialogs[] = {
      std::make_unique<lintrove::app::OptionsDialog>(nullptr),
      std::make_unique<lintrove::app::NoticeDialog>(nullptr),
      std::make_unique<lintrove::app::AboutBox>(nullptr),
      std::make_unique<lintrove::app::ScanProgressDialog>(nullptr),
      std::make_unique<lintrove::app::UpdateDialog>(nullptr),
      std::make_unique<lintrove::app::DownloadWindow>(nullptr),
  };
  for (auto& dialog : dialogs) read(*dialog);
  localizer.UnloadLanguage();
  return windows;
}

void WindowTextsTest::englishLeavesNoGermanText() {
  const std::map<QString, WindowTexts> german = BuildWindows("de_DE.UTF-8");
  const std::map<QString, WindowTexts> english = BuildWindows("en_US.UTF-8");

  // Names and words that are the same in both languages.
  const QString version =
      QStringLiteral("Version: ") + QString::fromStdString(lintrove::ClientVersion());
  const std::set<QString> same = {
      "Lintrove",     "Dorv Lintrove", "Logo",
      "&Ok",          "Software:",     version,
      "Update",       "Download",      "0.0.0.0",
      "lbl_progress", "Feedback",      "Dorv Lintrove - www.lintrove.example - " + version};
  QStringList untranslated;
  for (const auto& [window, texts] : german) {
    QVERIFY2(english.contains(window), qPrintable(window));
    for (const auto& [property, text] : texts) {
      const auto translated = english.at(window).find(property);
      QVERIFY2(translated != english.at(window).end(), qPrintable(window + " " + property));
      if (translated->second == text && !same.contains(text)) {
        untranslated << window + " " + property + ": " + text;
      }
    }
  }
  QVERIFY2(untranslated.isEmpty(), qPrintable(untranslated.join("\n")));

  // German is the built-in language: its texts are the design texts themselves.
  QCOMPARE(german.at("frm_optionen").at("btn_cancel.text"), QStringLiteral("&Abbruch"));
  QCOMPARE(german.at("frm_main").at("mnu_extras.title"), QStringLiteral("&Extras"));
  QCOMPARE(german.at("frm_warten").at("Label2.text"), QStringLiteral("Technologie:"));
  QCOMPARE(german.at("frm_hinweis").at("CheckBox1.text"),
           QStringLiteral("diesen Hinweis nicht mehr anzeigen"));
  QCOMPARE(english.at("frm_optionen").at("btn_cancel.text"), QStringLiteral("&Cancel"));
}

QTEST_MAIN(WindowTextsTest)
#include "window_texts_test.moc"
