#include "main_window.h"

#include "base/resource_strings.h"
#include "platform/client_version.h"

namespace {

// Followed directly by "Version: " and the client's version.
constexpr char kDesignCaption[] = "Dorv Lintrove - www.lintrove.example - ";

}  // namespace

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent) {
  setObjectName(QStringLiteral("frm_main"));
  resize(807, 521);
  setWindowTitle(
      QString::fromUtf8(kDesignCaption) +
      QString::fromStdString(lintrove::LoadResString(lintrove::ResString::MainCaptionVersion) +
                             lintrove::ClientVersion()));
}
