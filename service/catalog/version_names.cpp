#include "catalog/version_names.h"

#include <array>
#include <string>

#include "protocol/version_compare.h"

namespace lintrove::service {
namespace {

bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool IsPreReleaseWord(std::string_view word) {
  static constexpr std::array<std::string_view, 11> kWords = {
      "alpha",   "beta",     "rc",     "pre",     "preview", "dev",
      "nightly", "snapshot", "canary", "insider", "ea"};
  for (std::string_view known : kWords) {
    if (word == known) return true;
  }
  return false;
}

}  // namespace

bool IsPreRelease(std::string_view version_name) {
  std::size_t pos = 0;
  while (pos < version_name.size()) {
    if (!IsLetter(version_name[pos])) {
      ++pos;
      continue;
    }
    std::string word;
    while (pos < version_name.size() && IsLetter(version_name[pos])) {
      const char c = version_name[pos++];
      word += c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    }
    if (IsPreReleaseWord(word)) return true;
    const bool before_digit = pos < version_name.size() && IsDigit(version_name[pos]);
    if ((word == "a" || word == "b") && before_digit) return true;
  }
  return false;
}

std::int32_t MajorNumber(std::string_view version_name) {
  return VersionComparison::Numbers(version_name)[0];
}

}  // namespace lintrove::service
