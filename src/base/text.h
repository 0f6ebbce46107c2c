#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace lintrove {

// All text in the program is UTF-8; UTF-16 appears only at the edges and is converted here.
// Ill-formed input (a lone surrogate, an invalid UTF-8 sequence) becomes U+FFFD.
std::string Utf16ToUtf8(std::u16string_view text);
std::u16string Utf8ToUtf16(std::string_view text);

// UTF-16LE byte data as Windows stores it. An odd trailing byte is ignored.
std::string Utf16LeToUtf8(std::span<const std::uint8_t> bytes);
std::vector<std::uint8_t> Utf8ToUtf16Le(std::string_view text);

// The same conversions appending to a buffer, for loops that reuse one buffer per line.
void AppendUtf16LeToUtf8(std::span<const std::uint8_t> bytes, std::string& out);
void AppendUtf8ToUtf16Le(std::string_view text, std::vector<std::uint8_t>& out);

bool IsValidUtf8(std::string_view text);

// Decodes the character at text[i] and moves i past it; none for an ill-formed sequence, which i
// then moves past (its maximal subpart).
std::optional<char32_t> NextUtf8Character(std::string_view text, std::size_t& i);
void AppendUtf8Character(char32_t character, std::string& out);
// Windows-1252 (the ANSI code page of western Windows) to UTF-8, for old ANSI files.
std::string Windows1252ToUtf8(std::string_view text);

// Compares without regard to the case of the letters A to Z, for keywords and root names.
bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b);

// Removes the characters with codes 0 to 32 from both ends.
std::string_view Trim(std::string_view text);

}  // namespace lintrove
