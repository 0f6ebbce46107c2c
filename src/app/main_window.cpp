#include "main_window.h"

#include <string>

#include "base/application.h"
#include "base/resource_strings.h"
#include "platform/client_version.h"

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent) {
  setObjectName(QStringLiteral("frm_main"));
  resize(807, 521);
  setWindowTitle(
      QString::fromUtf8(std::string(lintrove::ApplicationTitle) + " - " +
                        std::string(lintrove::ApplicationWebAddress) + " - ") +
      QString::fromStdString(lintrove::LoadResString(lintrove::ResString::MainCaptionVersion) +
                             lintrove::ClientVersion()));
}
