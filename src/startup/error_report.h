#pragma once

#include <string>
#include <string_view>

#include "base/error.h"

namespace lintrove {

// Ends a user's command without a message, as when the user cancels: the error box shows
// nothing for it.
class Abort : public Error {
 public:
  Abort() : Error("Abort") {}
};

// The text of the error box for an error's message: a "." is appended when the message is not
// empty and its last character sorts after ".".
std::string ErrorBoxText(std::string_view message);

}  // namespace lintrove
