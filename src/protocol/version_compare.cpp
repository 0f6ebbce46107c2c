#include "protocol/version_compare.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>
#include <string>

namespace lintrove {
namespace {

constexpr std::size_t kComparedComponents = 4;

bool IsBlank(char c) { return c >= 1 && c <= ' '; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// A quoted component runs to the closing quote; a doubled quote inside stands for one. Without a
// closing quote it runs to the end.
std::string QuotedComponent(std::string_view text, std::size_t& pos) {
  std::string component;
  ++pos;
  while (pos < text.size()) {
    if (text[pos] == '"') {
      if (pos + 1 < text.size() && text[pos + 1] == '"') {
        component += '"';
        pos += 2;
        continue;
      }
      ++pos;
      return component;
    }
    component += text[pos++];
  }
  return component;
}

// The first components of a delimited text. A NUL ends the text, as it ends a C string.
std::array<std::string, VersionComparison::kNumbers> Split(std::string_view text) {
  constexpr std::size_t kCountedComponents = VersionComparison::kNumbers;
  text = text.substr(0, text.find('\0'));
  std::array<std::string, kCountedComponents> components;
  std::size_t count = 0;
  auto add = [&](std::string component) {
    if (count < kCountedComponents) components[count] = std::move(component);
    ++count;
  };
  std::size_t pos = 0;
  auto skip_blanks = [&] {
    while (pos < text.size() && IsBlank(text[pos])) ++pos;
  };
  skip_blanks();
  while (pos < text.size() && count < kCountedComponents) {
    if (text[pos] == '"') {
      add(QuotedComponent(text, pos));
    } else {
      const std::size_t start = pos;
      while (pos < text.size() && !IsBlank(text[pos]) && text[pos] != '.') ++pos;
      add(std::string(text.substr(start, pos - start)));
    }
    skip_blanks();
    if (pos < text.size() && text[pos] == '.') {
      if (pos + 1 == text.size()) add(std::string());
      ++pos;
      skip_blanks();
    }
  }
  return components;
}

// Saturates instead of overflowing: a component beyond 32 bits is as large as one can be.
std::int32_t Accumulate(std::int64_t value, char digit) {
  value = value * 10 + (digit - '0');
  return static_cast<std::int32_t>(
      std::min<std::int64_t>(value, std::numeric_limits<std::int32_t>::max()));
}

std::int32_t ComponentValue(std::string_view component) {
  std::size_t pos = 0;
  const bool negative = !component.empty() && component[0] == '-';
  if (!component.empty() && (component[0] == '-' || component[0] == '+')) pos = 1;
  const std::size_t digits_start = pos;
  std::int32_t value = 0;
  while (pos < component.size() && IsDigit(component[pos])) {
    value = Accumulate(value, component[pos++]);
  }
  const bool valid = pos == component.size() && pos > digits_start;
  if (valid) return negative ? -value : value;
  // Not an integer: its leading digits count, and without any it is 0.
  return digits_start == 0 ? value : 0;
}

}  // namespace

std::array<std::int32_t, VersionComparison::kNumbers> VersionComparison::Numbers(
    std::string_view text) {
  const auto components = Split(text);
  std::array<std::int32_t, kNumbers> numbers{};
  for (std::size_t i = 0; i < kNumbers; ++i) numbers[i] = ComponentValue(components[i]);
  return numbers;
}

int VersionComparison::Compare(std::string_view a, std::string_view b) {
  const auto first = Numbers(a);
  const auto second = Numbers(b);
  for (std::size_t i = 0; i < kComparedComponents; ++i) {
    if (first[i] != second[i]) return first[i] < second[i] ? -1 : 1;
  }
  return 0;
}

}  // namespace lintrove
