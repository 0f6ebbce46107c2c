#pragma once

#include <QApplication>
#include <QString>

#include "base/resource_strings.h"

namespace lintrove::app {

// A numbered message text in the loaded language.
inline QString ResText(int id) { return QString::fromStdString(LoadResString(id)); }

// An application-wide cursor for a scope, given back on every way out of it.
class OverrideCursor {
 public:
  explicit OverrideCursor(Qt::CursorShape shape) { QApplication::setOverrideCursor(shape); }
  ~OverrideCursor() { QApplication::restoreOverrideCursor(); }
  OverrideCursor(const OverrideCursor&) = delete;
  OverrideCursor& operator=(const OverrideCursor&) = delete;
};

}  // namespace lintrove::app
