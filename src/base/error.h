#pragma once

#include <stdexcept>
#include <string>

namespace lintrove {

// The one error type of the program: an exception carrying a UTF-8 message that is shown to the
// user as it stands.
class Error : public std::runtime_error {
 public:
  explicit Error(const std::string& message) : std::runtime_error(message) {}
};

// Ends a user's command without a message, as when the user cancels: the error box shows
// nothing for it.
class Abort : public Error {
 public:
  Abort() : Error("Abort") {}
};

}  // namespace lintrove
