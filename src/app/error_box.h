#pragma once

#include <exception>
#include <functional>

class QWidget;

namespace lintrove::app {

// The one place that shows an error that escaped a handler: the error box with the message
// (see ErrorBoxText), or nothing for an Abort.
void ShowEscapedError(QWidget* parent, const std::exception& error);

// Every handler of a window runs through here: an error ends the handler and is shown, and the
// message loop goes on. Qt's own libraries cannot carry an exception back to the loop.
void RunGuarded(QWidget* parent, const std::function<void()>& handler);

}  // namespace lintrove::app
