#include "app/service_page.h"

#include <QVBoxLayout>
#include <QWebEngineView>
#include <QtGlobal>

#ifndef _WIN32
#include <unistd.h>
#endif

namespace lintrove::app {

ServicePage::ServicePage(const QString& name, QWidget* parent) : QWidget(parent) {
  setObjectName(name);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
}

void ServicePage::Open(const QUrl& address) {
  if (browser_ == nullptr) {
    PrepareBrowserEngine();
    browser_ = new QWebEngineView(this);
    browser_->setObjectName(QStringLiteral("WebBrowser1"));
    layout()->addWidget(browser_);
  }
  browser_->setUrl(address);
}

void PrepareBrowserEngine() {
#ifndef _WIN32
  static const bool prepared = [] {
    // The engine reads the variable when it starts, and hands it to its helper processes.
    if (geteuid() == 0 && !qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX")) {
      qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
      qInfo("Running as root: the browser engine's sandbox is turned off.");
    }
    return true;
  }();
  static_cast<void>(prepared);
#endif
}

}  // namespace lintrove::app
