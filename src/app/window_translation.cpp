#include "app/window_translation.h"

#include <QApplication>
#include <QWidget>

#include "app/error_box.h"
#include "app/qt_translation_adapter.h"
#include "localization/localizer.h"

namespace lintrove::app {

void TranslateWindow(QWidget& window) {
  // The window is not shown yet: the box belongs to the window that opens it.
  RunGuarded(window.parentWidget(), [&window] {
    QtTranslatableWindow translatable(window);
    ProcessLocalizer().TranslateComponent(&translatable);
  });
}

void InstallWindowTranslation() {
  ProcessLocalizer().SetOpenWindows([](const LanguageFileLocalizer::WindowVisitor& visit) {
    // Taken once: a window that opens meanwhile translates itself.
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget* window : windows) {
      if (!IsTranslatableWindow(*window)) continue;
      QtTranslatableWindow translatable(*window);
      visit(translatable);
    }
  });
}

}  // namespace lintrove::app
