#include "catalog/program_identity.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

#include "base/text.h"

namespace lintrove::service {
namespace {

constexpr std::string_view kRegistryClass = "tRegistryProgramm";
constexpr std::string_view kInstallerClass = "tWindowsInstallerProgramm";

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }
bool IsOpening(char c) { return c == '(' || c == '[' || c == '{'; }
bool IsClosing(char c) { return c == ')' || c == ']' || c == '}' || c == ',' || c == ';'; }

std::string Lower(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) c = LowerAscii(c);
  return lower;
}

// "23.01", "v2.1.3", "1.2.0-rc1", "3.12.0b1": digits, a full stop and a digit, then anything.
bool IsVersionNumber(std::string_view word) {
  if (!word.empty() && word.front() == 'v') word.remove_prefix(1);
  std::size_t pos = 0;
  while (pos < word.size() && IsDigit(word[pos])) ++pos;
  return pos > 0 && pos + 1 < word.size() && word[pos] == '.' && IsDigit(word[pos + 1]);
}

bool IsArchitectureWord(std::string_view word) {
  static constexpr std::array<std::string_view, 16> kWords = {
      "x64",   "x86",   "x86_64", "x86-64", "amd64", "arm64", "aarch64", "ia64",
      "win32", "win64", "32-bit", "64-bit", "32bit", "64bit", "i386",    "i686"};
  for (std::string_view known : kWords) {
    if (word == known) return true;
  }
  return false;
}

// A word of a name with the brackets and separators around it kept apart.
struct Token {
  std::string_view opening;
  std::string_view core;
  std::string_view closing;
  bool removed = false;
};

std::vector<Token> Tokens(std::string_view name) {
  std::vector<Token> tokens;
  std::size_t pos = 0;
  while (pos < name.size()) {
    while (pos < name.size() && IsBlank(name[pos])) ++pos;
    const std::size_t start = pos;
    while (pos < name.size() && !IsBlank(name[pos])) ++pos;
    if (start == pos) break;
    std::string_view word = name.substr(start, pos - start);
    std::size_t open = 0;
    while (open < word.size() && IsOpening(word[open])) ++open;
    std::size_t close = word.size();
    while (close > open && IsClosing(word[close - 1])) --close;
    tokens.push_back({word.substr(0, open), word.substr(open, close - open), word.substr(close)});
  }
  return tokens;
}

void MarkRemoved(std::vector<Token>& tokens) {
  for (std::size_t i = 0; i < tokens.size(); ++i) {
    const std::string core = Lower(tokens[i].core);
    if (IsVersionNumber(core) || IsArchitectureWord(core)) tokens[i].removed = true;
    // "64 bit", in two words.
    if (core == "bit" && i > 0 && (tokens[i - 1].core == "32" || tokens[i - 1].core == "64")) {
      tokens[i].removed = tokens[i - 1].removed = true;
    }
  }
}

// Removes "()" and the like, a blank after an opening bracket and before a closing one, and
// blanks and dashes at the ends.
std::string Tidy(std::string text) {
  std::string out;
  for (char c : text) {
    if (IsClosing(c) && c != ',' && c != ';' && !out.empty() && out.back() == ' ') out.pop_back();
    if (c == ' ' && (out.empty() || out.back() == ' ' || IsOpening(out.back()))) continue;
    const bool closes_empty =
        !out.empty() && ((out.back() == '(' && c == ')') || (out.back() == '[' && c == ']') ||
                         (out.back() == '{' && c == '}'));
    if (closes_empty) {
      out.pop_back();
      continue;
    }
    out += c;
  }
  while (!out.empty() && (out.back() == ' ' || out.back() == '-' || out.back() == ',')) {
    out.pop_back();
  }
  return out;
}

// The identity form of a name: without versions and architecture, letters A to Z small, no
// brackets, single blanks.
std::string NameKey(std::string_view name) {
  std::string key;
  for (char c : Lower(NameWithoutVersion(name))) {
    if (IsOpening(c) || IsClosing(c)) continue;
    if (IsBlank(c) && (key.empty() || key.back() == ' ')) continue;
    key += IsBlank(c) ? ' ' : c;
  }
  while (!key.empty() && key.back() == ' ') key.pop_back();
  return key;
}

std::string PublisherKey(std::string_view publisher) {
  std::string key;
  for (char c : Trim(publisher)) {
    if (IsBlank(c) && (key.empty() || key.back() == ' ')) continue;
    key += IsBlank(c) ? ' ' : LowerAscii(c);
  }
  return key;
}

std::optional<ProgramIdentity> RegistryIdentity(const SentProgram& program) {
  const std::string_view display_name = program.Property("DisplayName");
  std::string_view key = program.Property("RegistryKey");
  // Entries keyed by a product code get a new key with every version.
  if (key.empty() || IsBracedGuid(key)) key = display_name;
  const std::string name_key = NameKey(key);
  if (name_key.empty()) return std::nullopt;
  const std::string_view publisher = program.Property("Publisher");
  return ProgramIdentity{"registry:" + name_key + "|" + PublisherKey(publisher),
                         NameWithoutVersion(display_name.empty() ? key : display_name),
                         std::string(publisher)};
}

std::optional<ProgramIdentity> InstallerIdentity(const SentProgram& program) {
  std::string_view name = program.Property("ProductName");
  if (name.empty()) name = program.Property("InstalledProductName");
  const std::string_view publisher = program.Property("Manufacturer");
  const std::string display_name = NameWithoutVersion(name);
  if (const std::string_view upgrade_code = program.Property("UpgradeCode");
      IsBracedGuid(upgrade_code)) {
    return ProgramIdentity{"installer:" + UpperAscii(upgrade_code), display_name,
                           std::string(publisher)};
  }
  const std::string name_key = NameKey(name);
  if (name_key.empty()) return std::nullopt;
  return ProgramIdentity{"installer:" + name_key + "|" + PublisherKey(publisher), display_name,
                         std::string(publisher)};
}

}  // namespace

bool IsBracedGuid(std::string_view text) {
  if (text.size() != 38 || text.front() != '{' || text.back() != '}') return false;
  for (std::size_t i = 1; i < 37; ++i) {
    const char c = text[i];
    const bool dash = i == 9 || i == 14 || i == 19 || i == 24;
    const bool hex = IsDigit(c) || (LowerAscii(c) >= 'a' && LowerAscii(c) <= 'f');
    if (dash ? c != '-' : !hex) return false;
  }
  return true;
}

std::string UpperAscii(std::string_view text) {
  std::string upper(text);
  for (char& c : upper) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return upper;
}

std::string NameWithoutVersion(std::string_view name) {
  std::vector<Token> tokens = Tokens(name);
  MarkRemoved(tokens);
  // A name with nothing to remove is kept as sent.
  if (std::none_of(tokens.begin(), tokens.end(), [](const Token& t) { return t.removed; })) {
    return std::string(Trim(name));
  }
  std::string text;
  for (const Token& token : tokens) {
    if (!text.empty()) text += ' ';
    text += token.opening;
    if (!token.removed) text += token.core;
    text += token.closing;
  }
  return Tidy(std::move(text));
}

std::optional<ProgramIdentity> IdentifyProgram(const SentProgram& program) {
  if (program.class_type == kRegistryClass) return RegistryIdentity(program);
  if (program.class_type == kInstallerClass) return InstallerIdentity(program);
  return std::nullopt;
}

std::string InstalledVersion(const SentProgram& program) {
  return std::string(program.class_type == kInstallerClass ? program.Property("VersionString")
                                                           : program.Property("DisplayVersion"));
}

std::string IdentityHash(std::string_view key) {
  std::uint64_t hash = 0xcbf29ce484222325ULL;
  for (char c : key) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 0x100000001b3ULL;
  }
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string text(16, '0');
  for (int i = 15; i >= 0; --i, hash >>= 4) text[static_cast<std::size_t>(i)] = kDigits[hash & 15];
  return text;
}

}  // namespace lintrove::service
