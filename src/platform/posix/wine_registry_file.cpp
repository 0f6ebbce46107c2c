#include "platform/posix/wine_registry_file.h"

#include "base/error.h"
#include "base/format.h"
#include "base/resource_strings.h"
#include "base/text.h"
#include "platform/regfile/reg_file.h"
#include "platform/regfile/reg_text.h"
#include "platform/registry_types.h"

namespace lintrove::platform {
namespace {

constexpr std::string_view kRelativeTo = ";; All keys relative to ";
constexpr std::string_view kLinkValue = "SymbolicLinkValue";
constexpr std::string_view kRegistryTop = "REGISTRY\\";

// Up to max_digits hex digits from text[pos] on; none when there is not one.
std::optional<std::uint32_t> TakeHex(std::string_view text, std::size_t& pos,
                                     std::size_t max_digits) {
  const std::size_t start = pos;
  std::uint32_t number = 0;
  while (pos < text.size() && pos - start < max_digits && HexDigitValue(text[pos]) >= 0) {
    number = number << 4 | static_cast<std::uint32_t>(HexDigitValue(text[pos++]));
  }
  if (pos == start) return std::nullopt;
  return number;
}

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() &&
         EqualsIgnoringAsciiCase(text.substr(0, prefix.size()), prefix);
}

std::vector<std::uint8_t> ToUtf16Le(std::u16string_view text) {
  std::vector<std::uint8_t> bytes;
  bytes.reserve(text.size() * 2);
  for (char16_t unit : text) {
    bytes.push_back(static_cast<std::uint8_t>(unit & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
  }
  return bytes;
}

bool HasLoneSurrogate(std::u16string_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t unit = text[i];
    if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      ++i;
    } else if (unit >= 0xD800 && unit <= 0xDFFF) {
      return true;
    }
  }
  return false;
}

// A path from the registry's top without that top: "Machine\System" for
// "\REGISTRY\Machine\System", "REGISTRY\Machine\System" or "\Machine\System".
std::string BelowRegistryTop(std::string_view path) {
  if (path.starts_with('\\')) path.remove_prefix(1);
  if (StartsWithIgnoringCase(path, kRegistryTop)) path.remove_prefix(kRegistryTop.size());
  return std::string(path);
}

// Components of a path separated by "\", without an empty first or last one.
std::vector<std::string> SplitAtBackslashes(std::string_view path) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = path.find('\\', start);
    if (end == std::string_view::npos) end = path.size();
    parts.emplace_back(path.substr(start, end - start));
    start = end + 1;
  }
  if (!parts.empty() && parts.front().empty()) parts.erase(parts.begin());
  if (!parts.empty() && parts.back().empty()) parts.pop_back();
  return parts;
}

class Parser {
 public:
  Parser(std::string_view text, std::string_view source) : text_(text), source_(source) {}

  WineRegistryFile Parse() {
    std::string_view line;
    const bool hasLine = NextLine(line);
    if (!hasLine) lineNumber_ = 1;
    if (!hasLine || line != kWineRegistryHeader) {
      Fail(Format(LoadResString(ResString::WineFileNoHeader), kWineRegistryHeader));
    }
    while (NextLine(line)) {
      if (continuing_) {
        ContinueHex(line, SkipBlanks(line, 0));
        continue;
      }
      const std::size_t start = SkipBlanks(line, 0);
      if (start == line.size()) continue;
      switch (line[start]) {
        case ';':
          if (line.starts_with(kRelativeTo)) RelativeTo(line.substr(kRelativeTo.size()));
          break;
        case '#':
          Option(line.substr(start + 1));
          break;
        case '[':
          Key(line, start + 1);
          break;
        case '"':
        case '@':
          Value(line, start);
          break;
        default:
          Fail(LoadResString(ResString::RegFileStrayLine));
      }
    }
    if (continuing_) FinishValue();
    ResolveLinks();
    return std::move(file_);
  }

 private:
  bool NextLine(std::string_view& line) {
    if (pos_ >= text_.size()) return false;
    ++lineNumber_;
    std::size_t end = text_.find('\n', pos_);
    if (end == std::string_view::npos) end = text_.size();
    line = text_.substr(pos_, end - pos_);
    if (line.ends_with('\r')) line.remove_suffix(1);
    pos_ = end + 1;
    return true;
  }

  [[noreturn]] void Fail(std::string_view what) const {
    ThrowRegFileError(source_, lineNumber_, what);
  }

  // Wine's string escapes, up to the unescaped end character: \a \b \e \f \n \r \t \v, \x with
  // one to four hex digits, one to three octal digits; a backslash before any other character
  // stands for that character. None when the end character does not come.
  std::optional<std::u16string> Unescape(std::string_view line, std::size_t& pos, char end) const {
    std::u16string text;
    while (pos < line.size() && line[pos] != end) {
      const char c = line[pos];
      if (c != '\\') {
        AppendCharacter(line, pos, text);
        continue;
      }
      if (++pos == line.size()) return std::nullopt;
      const char escaped = line[pos];
      if (const char16_t control = ControlEscape(escaped)) {
        text.push_back(control);
        ++pos;
      } else if (escaped == 'x') {
        ++pos;
        const auto code = TakeHex(line, pos, 4);
        text.push_back(code ? static_cast<char16_t>(*code) : u'x');
      } else if (escaped >= '0' && escaped <= '7') {
        std::uint32_t code = 0;
        for (int digits = 0;
             digits < 3 && pos < line.size() && line[pos] >= '0' && line[pos] <= '7'; ++digits) {
          code = code * 8 + static_cast<std::uint32_t>(line[pos++] - '0');
        }
        text.push_back(static_cast<char16_t>(code));
      } else {
        AppendCharacter(line, pos, text);
      }
    }
    if (pos == line.size()) return std::nullopt;
    ++pos;
    return text;
  }

  static char16_t ControlEscape(char c) {
    switch (c) {
      case 'a':
        return u'\a';
      case 'b':
        return u'\b';
      case 'e':
        return 0x1B;
      case 'f':
        return u'\f';
      case 'n':
        return u'\n';
      case 'r':
        return u'\r';
      case 't':
        return u'\t';
      case 'v':
        return u'\v';
      default:
        return 0;
    }
  }

  // Wine writes every character beyond ASCII as an escape; a file edited by hand may hold UTF-8.
  void AppendCharacter(std::string_view line, std::size_t& pos, std::u16string& text) const {
    const auto character = NextUtf8Character(line, pos);
    if (!character) Fail(LoadResString(ResString::WineFileInvalidUtf8));
    if (*character < 0x10000) {
      text.push_back(static_cast<char16_t>(*character));
    } else {
      text.push_back(static_cast<char16_t>(0xD800 + ((*character - 0x10000) >> 10)));
      text.push_back(static_cast<char16_t>(0xDC00 + ((*character - 0x10000) & 0x3FF)));
    }
  }

  std::string Name(std::u16string_view name) const {
    if (HasLoneSurrogate(name)) Fail(LoadResString(ResString::RegFileLoneSurrogate));
    return Utf16ToUtf8(name);
  }

  // Wine writes the path with its backslashes escaped, from the registry's top
  // ("REGISTRY\\Machine"; older versions "\\Machine").
  void RelativeTo(std::string_view path) {
    std::size_t pos = 0;
    std::string line(path);
    line += '\n';
    if (const auto base = Unescape(line, pos, '\n')) file_.base = BelowRegistryTop(Name(*base));
  }

  void Option(std::string_view option) {
    if (option.starts_with("arch=")) {
      const std::string_view arch = option.substr(5);
      if (arch == "win32" || arch == "win64") {
        file_.win64 = arch == "win64";
      } else {
        Fail(Format(LoadResString(ResString::WineFileUnknownArch), arch));
      }
    } else if (option == "link" && current_ && current_ != &file_.tree) {
      linkKeys_.push_back(current_);
    }
    // "#time=" and "#class=" say nothing the inventory reads.
  }

  void Key(std::string_view line, std::size_t pos) {
    const auto path = Unescape(line, pos, ']');
    if (!path) Fail(LoadResString(ResString::RegFileKeyNotClosed));
    pos = SkipBlanks(line, pos);
    while (pos < line.size() && line[pos] >= '0' && line[pos] <= '9') ++pos;
    if (SkipBlanks(line, pos) != line.size()) Fail(LoadResString(ResString::RegFileTextAfterValue));

    const std::string fullPath = Name(*path);
    const std::vector<std::string> names = SplitAtBackslashes(fullPath);
    try {
      CheckKeyDepth(names.size(), fullPath);
      RegKey* key = &file_.tree;
      for (const std::string& name : names) {
        if (name.empty()) {
          throw Error(Format(LoadResString(ResString::RegistryKeyPathEmptyName), fullPath));
        }
        CheckKeyName(name);
        key = &key->AddSubkey(name);
      }
      current_ = key;
    } catch (const Error& error) {
      Fail(error.what());
    }
  }

  void Value(std::string_view line, std::size_t pos) {
    if (!current_) Fail(LoadResString(ResString::RegFileValueOutsideKey));
    value_ = RegValue{};
    if (line[pos] == '@') {
      ++pos;
    } else {
      ++pos;
      const auto name = Unescape(line, pos, '"');
      if (!name) Fail(LoadResString(ResString::RegFileUnterminatedName));
      value_.name = Name(*name);
      try {
        CheckValueName(value_.name);
      } catch (const Error& error) {
        Fail(error.what());
      }
    }
    pos = SkipBlanks(line, pos);
    if (pos == line.size() || line[pos] != '=')
      Fail(LoadResString(ResString::RegFileMissingEquals));
    Data(line, SkipBlanks(line, pos + 1));
  }

  void Data(std::string_view line, std::size_t pos) {
    const std::string_view rest = line.substr(pos);
    if (rest.starts_with('"')) {
      String(line, pos + 1, RegType::Sz);
    } else if (rest.starts_with("str(")) {
      pos += 4;
      const auto type = TakeHex(line, pos, 8);
      if (!type || line.substr(pos, 3) != "):\"")
        Fail(LoadResString(ResString::RegFileUnknownType));
      String(line, pos + 3, *type);
    } else if (rest.starts_with("dword:")) {
      pos += 6;
      const auto number = TakeHex(line, pos, 8);
      if (!number || SkipBlanks(line, pos) != line.size()) {
        Fail(LoadResString(ResString::RegFileBadDword));
      }
      value_.type = RegType::Dword;
      for (int shift = 0; shift < 32; shift += 8) {
        value_.data.push_back(static_cast<std::uint8_t>(*number >> shift));
      }
      FinishValue();
    } else if (rest.starts_with("hex:")) {
      value_.type = RegType::Binary;
      ContinueHex(line, pos + 4);
    } else if (rest.starts_with("hex(")) {
      pos += 4;
      const auto type = TakeHex(line, pos, 8);
      if (!type || line.substr(pos, 2) != "):") Fail(LoadResString(ResString::RegFileUnknownType));
      value_.type = *type;
      ContinueHex(line, pos + 2);
    } else {
      Fail(LoadResString(ResString::RegFileUnknownType));
    }
  }

  // The string's data as Wine keeps it: UTF-16LE with its terminating NUL.
  void String(std::string_view line, std::size_t pos, std::uint32_t type) {
    auto text = Unescape(line, pos, '"');
    if (!text) Fail(LoadResString(ResString::RegFileUnterminatedString));
    if (SkipBlanks(line, pos) != line.size()) Fail(LoadResString(ResString::RegFileTextAfterValue));
    text->push_back(u'\0');
    value_.type = type;
    value_.data = ToUtf16Le(*text);
    FinishValue();
  }

  // Bytes as two hex digits each, separated by commas; a backslash at the end of the line
  // continues them on the next.
  void ContinueHex(std::string_view line, std::size_t pos) {
    continuing_ = false;
    while (true) {
      pos = SkipBlanks(line, pos);
      if (pos == line.size()) break;
      if (line[pos] == '\\' && SkipBlanks(line, pos + 1) == line.size()) {
        continuing_ = true;
        return;
      }
      const auto byte = TakeHex(line, pos, 2);
      if (!byte) Fail(LoadResString(ResString::RegFileBadHexByte));
      value_.data.push_back(static_cast<std::uint8_t>(*byte));
      pos = SkipBlanks(line, pos);
      if (pos < line.size() && line[pos] == ',') {
        ++pos;
      } else if (pos < line.size() && line[pos] != '\\') {
        Fail(LoadResString(ResString::RegFileBadHexByte));
      }
    }
    FinishValue();
  }

  void FinishValue() {
    continuing_ = false;
    current_->SetValue(std::move(value_));
  }

  // A link's target is a path from the registry's top ("\Registry\Machine\System\ControlSet001");
  // only one below this file's own root can be followed here.
  void ResolveLinks() {
    for (const RegKey* key : linkKeys_) {
      const RegValue* target = key->FindValue(kLinkValue);
      if (!target || target->type != RegType::Link || file_.base.empty()) continue;
      const std::string path = BelowRegistryTop(Utf16LeToUtf8(target->data));
      if (!StartsWithIgnoringCase(path, file_.base)) continue;
      const std::string_view below = std::string_view(path).substr(file_.base.size());
      if (!below.empty() && below.front() != '\\') continue;
      file_.links[key] = SplitAtBackslashes(below);
    }
  }

  std::string_view text_;
  std::string_view source_;
  std::size_t pos_ = 0;
  int lineNumber_ = 0;
  WineRegistryFile file_;
  RegKey* current_ = nullptr;
  RegValue value_;
  bool continuing_ = false;
  std::vector<const RegKey*> linkKeys_;
};

}  // namespace

const RegKey* WineRegistryFile::FindKey(std::span<const std::string> path) const {
  // Links may point at links; a cycle ends after as many hops as Windows follows.
  constexpr int kMaxLinkHops = 16;
  std::vector<std::string> remaining(path.begin(), path.end());
  const RegKey* key = &tree;
  std::size_t next = 0;
  int hops = 0;
  while (next < remaining.size()) {
    key = key->FindSubkey(remaining[next++]);
    if (!key) return nullptr;
    const auto link = links.find(key);
    if (link == links.end()) continue;
    if (++hops > kMaxLinkHops) return nullptr;
    std::vector<std::string> followed = link->second;
    followed.insert(followed.end(), remaining.begin() + static_cast<std::ptrdiff_t>(next),
                    remaining.end());
    remaining = std::move(followed);
    key = &tree;
    next = 0;
  }
  return key;
}

WineRegistryFile ParseWineRegistryFile(std::span<const std::uint8_t> bytes,
                                       std::string_view source) {
  const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  return Parser(text, source).Parse();
}

}  // namespace lintrove::platform
