#include "app/qt_startup_ui.h"

#include <QApplication>

#include "app/main_window.h"
#include "app/message_box.h"
#include "platform/installer_database.h"
#include "platform/registry.h"
#include "settings/client_settings.h"

namespace lintrove::app {

bool QtStartupUi::Confirm(const std::string& question) {
  return MessageBox::AskYesNo(nullptr, QString::fromStdString(question));
}

void QtStartupUi::RunMainWindow() {
  std::optional<std::filesystem::path> prefix;
  if (winePrefix_) prefix = *winePrefix_;
  MainWindow window(ClientSettings::Instance(),
                    {platform::SystemRegistry(), platform::SystemInstallerDatabase(), prefix});
  window.show();
  // Closing the window, the last one, ends the loop.
  QApplication::exec();
}

void QtStartupUi::ShowFatalError(const std::string& text) {
  MessageBox::ShowError(nullptr, QString::fromStdString(text));
}

}  // namespace lintrove::app
