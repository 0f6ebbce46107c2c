#pragma once

#include <QUrl>
#include <QWidget>

class QWebEngineView;

namespace lintrove::app {

// The details' page "Feedback" (TabSheet2): the service's web page on the selected program, in
// an embedded browser (WebBrowser1). The browser is made on the first Open, so a window whose
// user never opens the page never starts the browser's processes.
class FeedbackPage : public QWidget {
  Q_OBJECT

 public:
  explicit FeedbackPage(QWidget* parent = nullptr);

  // Navigates to the address; the page loads in the background, and what goes wrong with it is
  // the browser's to show.
  void Open(const QUrl& address);

  // Null until the first Open.
  QWebEngineView* Browser() const { return browser_; }

 private:
  QWebEngineView* browser_ = nullptr;
};

}  // namespace lintrove::app
