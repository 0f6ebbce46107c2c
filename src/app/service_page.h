#pragma once

#include <QUrl>
#include <QWidget>

#include "platform/shell.h"

namespace lintrove::app {

// The one way the client shows a page of the service (the feedback page on a program, the
// information page of a new version). On Linux the page is shown in an embedded browser
// (WebBrowser1), made on the first Open, so a window whose user never opens the page never starts
// the browser's processes. The Windows build has no browser engine to embed: there the page says
// that it opens in the user's own browser, and a button does so.
class ServicePage : public QWidget {
  Q_OBJECT

 public:
  ServicePage(const QString& name, QWidget* parent,
              platform::Shell& shell = platform::SystemShell());

  // Shows the page at the address (the embedded browser loads it in the background, and what
  // goes wrong with it is the browser's to show).
  void Open(const QUrl& address);

  // The address of the last Open; empty before.
  const QUrl& Address() const { return address_; }
  // What shows the page; null until the first Open.
  QWidget* View() const { return view_; }

 private:
  QWidget* MakeView();
  void Show(const QUrl& address);

  platform::Shell& shell_;
  QUrl address_;
  QWidget* view_ = nullptr;
};

}  // namespace lintrove::app
