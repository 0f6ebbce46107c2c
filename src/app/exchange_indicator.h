#pragma once

#include <QString>
#include <functional>
#include <memory>

#include "app/app_texts.h"

class QMainWindow;
class QPushButton;
class QShortcut;

namespace lintrove::app {

// While the window talks to the service: the busy cursor (the window stays usable), and Escape
// or "Abbrechen" in the status bar to cancel. Both leave the window with the object.
class ExchangeIndicator {
 public:
  ExchangeIndicator(QMainWindow& window, const std::function<void()>& cancel);
  ~ExchangeIndicator();
  ExchangeIndicator(const ExchangeIndicator&) = delete;
  ExchangeIndicator& operator=(const ExchangeIndicator&) = delete;

 private:
  std::unique_ptr<QPushButton> cancelButton_;
  std::unique_ptr<QShortcut> escape_;
  // Busy, not waiting: the cancel entry can still be clicked.
  OverrideCursor cursor_{Qt::BusyCursor};
};

}  // namespace lintrove::app
