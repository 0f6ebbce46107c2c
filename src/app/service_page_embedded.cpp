#include <unistd.h>

#include <QWebEngineView>
#include <QtGlobal>

#include "app/service_page.h"

namespace lintrove::app {
namespace {

// The engine's sandbox cannot work for the root user, and the engine then ends the whole
// process; so for root alone it is turned off, which the log says once. The engine reads the
// variable when it starts, and hands it to its helper processes.
void PrepareBrowserEngine() {
  [[maybe_unused]] static const bool prepared = [] {
    if (geteuid() == 0 && !qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX")) {
      qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
      qInfo("Running as root: the browser engine's sandbox is turned off.");
    }
    return true;
  }();
}

}  // namespace

QWidget* ServicePage::MakeView() {
  PrepareBrowserEngine();
  auto* browser = new QWebEngineView(this);
  browser->setObjectName(QStringLiteral("WebBrowser1"));
  return browser;
}

void ServicePage::Show(const QUrl& address) {
  static_cast<QWebEngineView*>(view_)->setUrl(address);
}

}  // namespace lintrove::app
