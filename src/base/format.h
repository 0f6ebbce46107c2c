#pragma once

#include <array>
#include <concepts>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>

namespace lintrove {

template <typename T>
concept FormatInteger = std::integral<T> && !std::same_as<T, bool> && !std::same_as<T, char> &&
                        !std::same_as<T, char8_t> && !std::same_as<T, char16_t> &&
                        !std::same_as<T, char32_t> && !std::same_as<T, wchar_t>;

// One argument of Format: a text or an integer, referring to the caller's data for the duration of
// the call. Characters and Booleans are refused at compile time: whether they mean a letter or a
// number is the caller's decision.
class FormatArg {
 public:
  FormatArg(std::string_view text) : text_(text), is_text_(true) {}
  FormatArg(const std::string& text) : FormatArg(std::string_view(text)) {}
  // A null pointer is an empty text, as a nil PChar is.
  FormatArg(const char* text) : FormatArg(text ? std::string_view(text) : std::string_view()) {}

  template <FormatInteger T>
  FormatArg(T value)
      : negative_(std::cmp_less(value, 0)),
        magnitude_(negative_ ? 0 - static_cast<std::uint64_t>(value)
                             : static_cast<std::uint64_t>(value)),
        // %u and %x show a negative number as its two's complement in its own width, so an
        // int32_t -1 is ffffffff and not sixteen digits.
        bits_(static_cast<std::make_unsigned_t<T>>(value)) {}

  bool IsText() const { return is_text_; }
  std::string_view Text() const { return text_; }
  bool IsNegative() const { return negative_; }
  std::uint64_t Magnitude() const { return magnitude_; }
  std::uint64_t UnsignedBits() const { return bits_; }

 private:
  std::string_view text_;
  bool is_text_ = false;
  bool negative_ = false;
  std::uint64_t magnitude_ = 0;
  std::uint64_t bits_ = 0;
};

// Formats a message text in the manner of printf. A conversion is "%" [0] [width] type, the type
// one of s (text), d (signed decimal), u (unsigned decimal), x and X (hexadecimal); "%%" is a
// percent sign. The width pads on the left with blanks, or with zeros after the sign when "0" is
// given for a number; a text's width counts code points. Extra arguments are ignored.
// Patterns come from language files, so a pattern that does not fit its arguments throws
// lintrove::Error naming the pattern, and never reads past either.
std::string FormatList(std::string_view pattern, std::span<const FormatArg> args);

template <typename... Args>
std::string Format(std::string_view pattern, const Args&... args) {
  const std::array<FormatArg, sizeof...(Args)> list{FormatArg(args)...};
  return FormatList(pattern, list);
}

}  // namespace lintrove
