#include "platform/unicode.h"

#include <unicode/uchar.h>
#include <unicode/unorm2.h>

#include <cstdint>

namespace lintrove::platform {

// Windows maps a character to its capital only where the capital maps back to it: "ı", "ſ" or
// "µ" keep their own case, since "I", "S" and "Μ" belong to "i", "s" and "μ". Registry keys
// named with them stay apart, as on Windows.
char32_t UpperCaseOf(char32_t character) {
  const UChar32 upper = u_toupper(static_cast<UChar32>(character));
  return u_tolower(upper) == static_cast<UChar32>(character) ? static_cast<char32_t>(upper)
                                                             : character;
}

std::u16string ComposedForm(std::u16string_view text) {
  UErrorCode status = U_ZERO_ERROR;
  const UNormalizer2* nfc = unorm2_getNFCInstance(&status);
  if (U_FAILURE(status)) return std::u16string(text);
  // Composition never lengthens a text by more than three times.
  std::u16string composed(text.size() * 3, u'\0');
  const auto length =
      unorm2_normalize(nfc, text.data(), static_cast<std::int32_t>(text.size()), composed.data(),
                       static_cast<std::int32_t>(composed.size()), &status);
  if (U_FAILURE(status)) return std::u16string(text);
  composed.resize(static_cast<std::size_t>(length));
  return composed;
}

}  // namespace lintrove::platform
