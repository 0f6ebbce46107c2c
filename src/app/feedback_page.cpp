#include "app/feedback_page.h"

#include <QVBoxLayout>
#include <QWebEngineView>

namespace lintrove::app {

FeedbackPage::FeedbackPage(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("TabSheet2"));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
}

void FeedbackPage::Open(const QUrl& address) {
  if (browser_ == nullptr) {
    browser_ = new QWebEngineView(this);
    browser_->setObjectName(QStringLiteral("WebBrowser1"));
    layout()->addWidget(browser_);
  }
  browser_->load(address);
}

}  // namespace lintrove::app
