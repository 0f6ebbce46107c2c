#include "app/application.h"

#include "app/error_box.h"

namespace lintrove::app {

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {}

bool Application::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (const std::exception& error) {
    ShowEscapedError(activeWindow(), error);
    return false;
  }
}

}  // namespace lintrove::app
