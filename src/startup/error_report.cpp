#include "startup/error_report.h"

namespace lintrove {

std::string ErrorBoxText(std::string_view message) {
  std::string text(message);
  // In UTF-8 the last byte of a character beyond ASCII is above "." as the character is.
  if (!text.empty() && static_cast<unsigned char>(text.back()) > '.') text += '.';
  return text;
}

}  // namespace lintrove
