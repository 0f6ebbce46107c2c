#pragma once

#include <string>
#include <string_view>

namespace lintrove::platform {

// The upper case of one Unicode character, as the system maps it for names it compares
// without regard to case (registry keys, resource names); the character itself when it has none.
char32_t UpperCaseOf(char32_t character);

// The text in Normalization Form C (composed characters); the text as it is when the system
// cannot normalize it.
std::u16string ComposedForm(std::u16string_view text);

}  // namespace lintrove::platform
