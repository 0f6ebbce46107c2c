#include "app/application.h"

#include <QFont>

#include "app/error_box.h"
#include "platform/system_info.h"

namespace lintrove::app {

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {
  // Under Wine the dialog font Qt asks Windows for falls back to a serif one in which a line edit
  // draws neither text nor cursor; the sans-serif fonts of the Linux system Wine runs on serve.
  if (platform::RunsUnderWine()) {
    QFont font = QApplication::font();
    font.setFamilies({QStringLiteral("DejaVu Sans"), QStringLiteral("Liberation Sans"),
                      QStringLiteral("Noto Sans")});
    font.setStyleHint(QFont::SansSerif);
    setFont(font);
  }
}

bool Application::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (const std::exception& error) {
    ShowEscapedError(activeWindow(), error);
    return false;
  }
}

}  // namespace lintrove::app
