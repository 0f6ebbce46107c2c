#include "base/format.h"

#include <cstddef>

#include "base/error.h"

namespace lintrove {

namespace {

// Large enough for any layout, small enough that a damaged pattern cannot exhaust memory.
constexpr std::size_t kMaxWidth = 1024;

[[noreturn]] void ThrowBadPattern(std::string_view pattern, std::string_view reason) {
  std::string message = "Format \"";
  message += pattern;
  message += "\" invalid: ";
  message += reason;
  throw Error(message);
}

struct Conversion {
  bool zero_padded = false;
  std::size_t width = 0;
  char type = 0;
};

std::string Digits(std::uint64_t value, unsigned base, bool upper_case) {
  const char* digit_set = upper_case ? "0123456789ABCDEF" : "0123456789abcdef";
  std::string reversed;
  do {
    reversed += digit_set[value % base];
    value /= base;
  } while (value != 0);
  return {reversed.rbegin(), reversed.rend()};
}

std::size_t CountCodePoints(std::string_view text) {
  std::size_t count = 0;
  for (const char c : text) {
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++count;
  }
  return count;
}

void AppendPadded(std::string& out, std::string_view sign, std::string_view body,
                  std::size_t body_width, std::size_t width, bool zero_padded) {
  const std::size_t used = sign.size() + body_width;
  const std::size_t padding = width > used ? width - used : 0;
  if (zero_padded) {
    out += sign;
    out.append(padding, '0');
  } else {
    out.append(padding, ' ');
    out += sign;
  }
  out += body;
}

void AppendNumber(std::string& out, const FormatArg& arg, const Conversion& conversion) {
  std::string digits;
  std::string_view sign;
  switch (conversion.type) {
    case 'd':
      digits = Digits(arg.Magnitude(), 10, false);
      if (arg.IsNegative()) sign = "-";
      break;
    case 'u':
      digits = Digits(arg.UnsignedBits(), 10, false);
      break;
    default:
      digits = Digits(arg.UnsignedBits(), 16, conversion.type == 'X');
      break;
  }
  AppendPadded(out, sign, digits, digits.size(), conversion.width, conversion.zero_padded);
}

// Reads the flag, width and type that follow a "%" at `pos`; `pos` ends after the type.
Conversion ParseConversion(std::string_view pattern, std::size_t& pos) {
  Conversion conversion;
  if (pos < pattern.size() && pattern[pos] == '0') {
    conversion.zero_padded = true;
    ++pos;
  }
  while (pos < pattern.size() && pattern[pos] >= '0' && pattern[pos] <= '9') {
    conversion.width = conversion.width * 10 + static_cast<std::size_t>(pattern[pos] - '0');
    if (conversion.width > kMaxWidth) ThrowBadPattern(pattern, "field width too large");
    ++pos;
  }
  if (pos == pattern.size()) ThrowBadPattern(pattern, "incomplete conversion at the end");
  conversion.type = pattern[pos++];
  return conversion;
}

}  // namespace

std::string FormatList(std::string_view pattern, std::span<const FormatArg> args) {
  std::string out;
  out.reserve(pattern.size() + 16 * args.size());
  std::size_t next_arg = 0;
  std::size_t pos = 0;
  while (pos < pattern.size()) {
    const std::size_t percent = pattern.find('%', pos);
    out += pattern.substr(pos, percent - pos);
    if (percent == std::string_view::npos) break;
    pos = percent + 1;
    if (pos < pattern.size() && pattern[pos] == '%') {
      out += '%';
      ++pos;
      continue;
    }
    const Conversion conversion = ParseConversion(pattern, pos);
    const bool wants_text = conversion.type == 's';
    if (!wants_text && conversion.type != 'd' && conversion.type != 'u' && conversion.type != 'x' &&
        conversion.type != 'X') {
      ThrowBadPattern(pattern, "unknown conversion \"%" + std::string(1, conversion.type) +
                                   "\" at position " + std::to_string(percent + 1));
    }
    if (next_arg == args.size()) {
      ThrowBadPattern(pattern, "missing argument " + std::to_string(next_arg + 1));
    }
    const FormatArg& arg = args[next_arg++];
    if (arg.IsText() != wants_text) {
      ThrowBadPattern(pattern,
                      "argument " + std::to_string(next_arg) +
                          (wants_text ? " is a number, not a text" : " is a text, not a number"));
    }
    if (wants_text) {
      // Zeros never pad a text.
      AppendPadded(out, {}, arg.Text(), CountCodePoints(arg.Text()), conversion.width, false);
    } else {
      AppendNumber(out, arg, conversion);
    }
  }
  return out;
}

}  // namespace lintrove
