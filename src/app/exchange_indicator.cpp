#include "app/exchange_indicator.h"

#include <QKeySequence>
#include <QMainWindow>
#include <QPushButton>
#include <QShortcut>
#include <QStatusBar>

namespace lintrove::app {

ExchangeIndicator::ExchangeIndicator(QMainWindow& window, const std::function<void()>& cancel)
    : cancelButton_(std::make_unique<QPushButton>(ResText(ResString::CancelCheck))),
      escape_(std::make_unique<QShortcut>(QKeySequence(Qt::Key_Escape), &window)) {
  cancelButton_->setObjectName(QStringLiteral("btn_cancelcheck"));
  cancelButton_->setFlat(true);
  window.statusBar()->addPermanentWidget(cancelButton_.get());
  cancelButton_->show();
  QObject::connect(cancelButton_.get(), &QPushButton::clicked, cancel);
  QObject::connect(escape_.get(), &QShortcut::activated, cancel);
}

ExchangeIndicator::~ExchangeIndicator() = default;

}  // namespace lintrove::app
