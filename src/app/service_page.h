#pragma once

#include <QUrl>
#include <QWidget>

class QWebEngineView;

namespace lintrove::app {

// The one way the client shows a page of the service (the feedback page on a program, the
// information page of a new version): on Linux in an embedded browser (WebBrowser1). The browser
// is made on the first Open, so a window whose user never opens the page never starts the
// browser's processes.
class ServicePage : public QWidget {
  Q_OBJECT

 public:
  ServicePage(const QString& name, QWidget* parent);

  // Navigates to the address; the page loads in the background, and what goes wrong with it is
  // the browser's to show.
  void Open(const QUrl& address);

  // Null until the first Open.
  QWebEngineView* Browser() const { return browser_; }

 private:
  QWebEngineView* browser_ = nullptr;
};

// Readies the browser engine for its first page. The engine's sandbox cannot work for the root
// user, and the engine then ends the whole process; so for root alone it is turned off, which
// the log says once. Has no effect once the engine runs.
void PrepareBrowserEngine();

}  // namespace lintrove::app
