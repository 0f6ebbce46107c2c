#pragma once

class QWidget;

namespace lintrove::app {

// Translates the window from the loaded language; each window calls it at the end of its own
// constructor, once its components exist. It translates that window alone: others may have
// changed their texts since their own translation (the main window's caption carries the
// version). A failing record is shown in the error box, and the window keeps the records
// applied before it.
void TranslateWindow(QWidget& window);

// Lets the localizer translate the application's open windows whenever a language is loaded
// with its windows: every top-level window with an objectName, in Qt's list of them. The
// application calls it once at start-up, after its application object exists.
void InstallWindowTranslation();

}  // namespace lintrove::app
