#pragma once

#include <string>
#include <string_view>

#include "base/error.h"

namespace lintrove {

// The text of the error box for an error's message: a "." is appended when the message is not
// empty and its last character sorts after ".".
std::string ErrorBoxText(std::string_view message);

}  // namespace lintrove
