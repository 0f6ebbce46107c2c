#include "app/error_box.h"

#include "app/message_box.h"
#include "startup/error_report.h"

namespace lintrove::app {

void ShowEscapedError(QWidget* parent, const std::exception& error) {
  if (dynamic_cast<const Abort*>(&error) != nullptr) return;
  MessageBox::ShowError(parent, QString::fromStdString(ErrorBoxText(error.what())));
}

void RunGuarded(QWidget* parent, const std::function<void()>& handler) {
  try {
    handler();
  } catch (const std::exception& error) {
    ShowEscapedError(parent, error);
  }
}

}  // namespace lintrove::app
