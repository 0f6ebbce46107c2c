#include <optional>

#include "base/error.h"
#include "base/format.h"
#include "base/resource_strings.h"
#include "base/text.h"
#include "platform/regfile/reg_file.h"
#include "platform/regfile/reg_text.h"

namespace lintrove::platform {
namespace {

constexpr std::string_view kVersion5Header = "Windows Registry Editor Version 5.00";
constexpr std::string_view kVersion4Header = "REGEDIT4";
// The format of Windows 3.1, which has no values and no key headers.
constexpr std::string_view kWindows31Header = "REGEDIT";

bool OnlyBlanksFrom(std::string_view text, std::size_t pos) {
  return SkipBlanks(text, pos) == text.size();
}

// Whether nothing but blanks and a comment follow: Windows allows a comment after a value.
bool AtLineEnd(std::string_view text, std::size_t pos) {
  pos = SkipBlanks(text, pos);
  return pos == text.size() || text[pos] == ';';
}

// Parses 1 to 8 hex digits from text[pos] on, moving pos past them.
std::optional<std::uint32_t> ParseHexNumber(std::string_view text, std::size_t& pos) {
  std::uint32_t number = 0;
  const std::size_t start = pos;
  while (pos < text.size() && HexDigitValue(text[pos]) >= 0) {
    if (pos - start == 8) return std::nullopt;
    number = (number << 4) | static_cast<std::uint32_t>(HexDigitValue(text[pos++]));
  }
  if (pos == start) return std::nullopt;
  return number;
}

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() &&
         EqualsIgnoringAsciiCase(text.substr(0, prefix.size()), prefix);
}

// The name escape "<hh>" (see FormatRegFile) at text[pos]: a control character, else none.
std::optional<char> NameEscapeAt(std::string_view text, std::size_t pos) {
  if (pos + 4 > text.size() || text[pos] != '<' || text[pos + 3] != '>') return std::nullopt;
  const int high = HexDigitValue(text[pos + 1]);
  const int low = HexDigitValue(text[pos + 2]);
  if (high < 0 || high > 1 || low < 0) return std::nullopt;
  return static_cast<char>(high << 4 | low);
}

// A lone surrogate from a UTF-16 line is kept in the UTF-8 text as its own three-byte form
// (ED A0..BF xx), which valid UTF-8 never holds, so that the parser can refuse it where it
// would become part of a name or text, and let it pass in a comment.
bool HoldsLoneSurrogate(std::string_view text) {
  for (std::size_t i = text.find('\xED'); i != std::string_view::npos;
       i = text.find('\xED', i + 1)) {
    if (i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) >= 0xA0) return true;
  }
  return false;
}

// Hands out the lines of the file without their line ends (CRLF, LF or CR alone, as Windows
// reads them). UTF-16LE lines are converted into one buffer that is reused, so the view Next
// gives lasts until the next call.
class LineSource {
 public:
  LineSource(std::span<const std::uint8_t> bytes, bool utf16, std::string_view source)
      : bytes_(bytes), utf16_(utf16), source_(source) {}

  bool Next(std::string_view& line) {
    if (pos_ >= bytes_.size()) return false;
    ++lineNumber_;
    if (utf16_) {
      line = NextUtf16Line();
    } else {
      const std::string_view text(reinterpret_cast<const char*>(bytes_.data()), bytes_.size());
      // A plain loop: find_first_of calls memchr on its set for every character.
      std::size_t end = pos_;
      while (end < text.size() && text[end] != '\n' && text[end] != '\r') ++end;
      line = text.substr(pos_, end - pos_);
      pos_ = end + (end + 1 < text.size() && text[end] == '\r' && text[end + 1] == '\n' ? 2 : 1);
    }
    return true;
  }

  int LineNumber() const { return lineNumber_; }
  // Whether the line Next gave last holds a lone surrogate (UTF-16 files only).
  bool LineHasLoneSurrogate() const { return loneSurrogate_; }

 private:
  char16_t UnitAt(std::size_t offset) const {
    return static_cast<char16_t>(bytes_[offset] | bytes_[offset + 1] << 8);
  }

  std::string_view NextUtf16Line() {
    const std::size_t evenEnd = bytes_.size() & ~std::size_t{1};
    buffer_.clear();
    loneSurrogate_ = false;
    std::size_t at = pos_;
    while (at < evenEnd) {
      const char16_t unit = UnitAt(at);
      if (unit == u'\n' || unit == u'\r') break;
      at += 2;
      if (unit < 0x80) {
        buffer_.push_back(static_cast<char>(unit));
      } else if (unit >= 0xD800 && unit <= 0xDBFF && at < evenEnd && UnitAt(at) >= 0xDC00 &&
                 UnitAt(at) <= 0xDFFF) {
        AppendUtf8Character(0x10000 + ((unit - 0xD800) << 10) + (UnitAt(at) - 0xDC00), buffer_);
        at += 2;
      } else {
        if (unit >= 0xD800 && unit <= 0xDFFF) loneSurrogate_ = true;
        AppendUtf8Character(unit, buffer_);
      }
    }
    if (at >= evenEnd) {
      if (bytes_.size() % 2 != 0) {
        ThrowRegFileError(source_, lineNumber_, LoadResString(ResString::RegFileOddUtf16));
      }
      pos_ = bytes_.size();
    } else {
      const bool crlf = UnitAt(at) == u'\r' && at + 2 < evenEnd && UnitAt(at + 2) == u'\n';
      pos_ = at + (crlf ? 4 : 2);
    }
    return buffer_;
  }

  std::span<const std::uint8_t> bytes_;
  bool utf16_;
  std::string_view source_;
  std::size_t pos_ = 0;
  int lineNumber_ = 0;
  bool loneSurrogate_ = false;
  std::string buffer_;
};

// How the hex data of the string types is to be read in a REGEDIT4 file, whose strings are
// ANSI text that Windows stores converted to UTF-16LE.
enum class AnsiData { None, Utf8, Windows1252 };

bool IsStringType(std::uint32_t type) {
  return type == RegType::Sz || type == RegType::ExpandSz || type == RegType::MultiSz;
}

// The reader follows Windows' own import wherever that reads a line, and refuses the whole
// file, naming the line, where Windows would skip a line or a value: a skipped line would
// silently leave the registry different from the file.
class RegFileParser {
 public:
  RegFileParser(LineSource& lines, AnsiData ansi, std::string_view source, RegFileSink& sink)
      : lines_(lines), ansi_(ansi), source_(source), sink_(sink) {}

  void ParseBody() {
    std::string_view line;
    while (lines_.Next(line)) {
      lineNumber_ = lines_.LineNumber();
      const std::size_t start = SkipBlanks(line, 0);
      if (start == line.size()) continue;
      const std::string_view content = line.substr(start);
      switch (content.front()) {
        case ';':
          break;
        case '[':
          ParseKeyHeader(content);
          break;
        case '"':
        case '@':
          ParseValue(content);
          break;
        default:
          Fail(ResString::RegFileStrayLine);
      }
    }
  }

 private:
  template <typename... Args>
  [[noreturn]] void Fail(int message, const Args&... args) const {
    ThrowRegFileError(source_, lineNumber_, Format(LoadResString(message), args...));
  }

  void CheckNoLoneSurrogate(std::string_view text) const {
    if (lines_.LineHasLoneSurrogate() && HoldsLoneSurrogate(text)) {
      Fail(ResString::RegFileLoneSurrogate);
    }
  }

  void ParseKeyHeader(std::string_view line) {
    const std::size_t close = line.rfind(']');
    if (close == std::string_view::npos || !OnlyBlanksFrom(line, close + 1)) {
      Fail(ResString::RegFileKeyNotClosed);
    }
    std::string_view name = line.substr(1, close - 1);
    const bool deletion = !name.empty() && name.front() == '-';
    if (deletion) name.remove_prefix(1);
    CheckNoLoneSurrogate(name);
    const std::size_t separator = name.find('\\');
    const std::string_view rootName = name.substr(0, separator);
    std::string_view path =
        separator == std::string_view::npos ? std::string_view() : name.substr(separator + 1);
    // Windows opens "[HKEY_...\Key\\]" as the key without the trailing backslashes.
    while (!path.empty() && path.back() == '\\') path.remove_suffix(1);
    path = DecodeKeyPath(path);
    std::optional<RootKey> root = ParseRootKeyName(rootName);
    if (!root && EqualsIgnoringAsciiCase(rootName, "HKEY_CLASSES_ROOT")) {
      // The merged classes view; the program keeps the machine's part of it.
      root = RootKey::LocalMachine;
      classesPath_ = "SOFTWARE\\Classes";
      if (!path.empty()) classesPath_.append("\\").append(path);
      path = classesPath_;
    }
    if (!root) Fail(ResString::RegFileUnsupportedRoot, rootName);
    inKey_ = true;
    if (deletion) {
      sink_.OnDeleteKey(*root, path, lineNumber_);
    } else {
      sink_.OnKey(*root, path, lineNumber_);
    }
  }

  // A key name cannot hold a backslash, so regedit never writes an empty component: "\\<hh>"
  // is the name escape of a key path. Any other doubled backslash stays as it is.
  std::string_view DecodeKeyPath(std::string_view path) {
    std::size_t escape = path.find("\\\\<");
    if (escape == std::string_view::npos) return path;
    keyPath_.clear();
    std::size_t done = 0;
    while (escape != std::string_view::npos) {
      const auto character = NameEscapeAt(path, escape + 2);
      if (character) {
        keyPath_.append(path.substr(done, escape - done)).push_back(*character);
        done = escape + 6;
      }
      escape = path.find("\\\\<", character ? done : escape + 1);
    }
    keyPath_.append(path.substr(done));
    return keyPath_;
  }

  void ParseValue(std::string_view line) {
    if (!inKey_) Fail(ResString::RegFileValueOutsideKey);
    RegValue value;
    std::size_t pos = 1;
    if (line.front() == '"') {
      const auto name = ReadQuoted(line, pos, true);
      if (!name) Fail(ResString::RegFileUnterminatedName);
      CheckNoLoneSurrogate(*name);
      value.name = *name;
    }
    pos = SkipBlanks(line, pos);
    if (pos == line.size() || line[pos] != '=') Fail(ResString::RegFileMissingEquals);
    pos = SkipBlanks(line, pos + 1);
    const std::string_view data = line.substr(pos);
    const int valueLine = lineNumber_;
    if (!data.empty() && data.front() == '"') {
      ParseString(data, value);
    } else if (!data.empty() && data.front() == '-') {
      if (!AtLineEnd(data, 1)) Fail(ResString::RegFileTextAfterValue);
      sink_.OnDeleteValue(value.name, lineNumber_);
      return;
    } else if (StartsWithIgnoringCase(data, "dword:")) {
      ParseDword(data.substr(6), value);
    } else if (StartsWithIgnoringCase(data, "hex")) {
      ParseHex(data.substr(3), value);
    } else {
      Fail(ResString::RegFileUnknownType);
    }
    sink_.OnValue(std::move(value), valueLine);
  }

  // Reads a quoted text from the opening quote before pos on, leaving pos after the closing
  // quote; nullopt when the line ends first. \\ and \" stand for themselves, a name may also
  // hold the name escape \<hh>; any other backslash makes Windows skip the line, so it is an
  // error. The view points into the line when nothing was escaped, else into a buffer reused
  // for every line.
  std::optional<std::string_view> ReadQuoted(std::string_view line, std::size_t& pos, bool isName) {
    const std::size_t start = pos;
    const std::size_t plainEnd = line.find_first_of("\"\\", start);
    if (plainEnd == std::string_view::npos) return std::nullopt;
    if (line[plainEnd] == '"') {
      pos = plainEnd + 1;
      return line.substr(start, plainEnd - start);
    }
    unescaped_.assign(line.substr(start, plainEnd - start));
    for (std::size_t i = plainEnd; i < line.size(); ++i) {
      const char c = line[i];
      if (c == '"') {
        pos = i + 1;
        return unescaped_;
      }
      if (c != '\\') {
        unescaped_.push_back(c);
        continue;
      }
      if (i + 1 == line.size()) return std::nullopt;
      const char escaped = line[i + 1];
      if (escaped == '\\' || escaped == '"') {
        unescaped_.push_back(escaped);
        ++i;
      } else if (const auto control = isName ? NameEscapeAt(line, i + 1) : std::nullopt) {
        unescaped_.push_back(*control);
        i += 4;
      } else {
        Fail(ResString::RegFileBadEscape, BadEscapeText(line, i));
      }
    }
    return std::nullopt;
  }

  // The backslash at line[at] and the whole character after it.
  static std::string_view BadEscapeText(std::string_view line, std::size_t at) {
    std::size_t end = at + 2;
    while (end < line.size() && (static_cast<unsigned char>(line[end]) & 0xC0) == 0x80) ++end;
    return line.substr(at, end - at);
  }

  void ParseString(std::string_view data, RegValue& value) {
    std::size_t pos = 1;
    const auto text = ReadQuoted(data, pos, false);
    if (!text) Fail(ResString::RegFileUnterminatedString);
    CheckNoLoneSurrogate(*text);
    if (!AtLineEnd(data, pos)) Fail(ResString::RegFileTextAfterValue);
    value.type = RegType::Sz;
    value.data.reserve(2 * text->size() + 2);
    AppendUtf8ToUtf16Le(*text, value.data);
    value.data.insert(value.data.end(), 2, 0);
  }

  void ParseDword(std::string_view digits, RegValue& value) {
    std::size_t pos = SkipBlanks(digits, 0);
    const auto number = ParseHexNumber(digits, pos);
    if (!number || !AtLineEnd(digits, pos)) Fail(ResString::RegFileBadDword);
    value.type = RegType::Dword;
    value.data = {static_cast<std::uint8_t>(*number), static_cast<std::uint8_t>(*number >> 8),
                  static_cast<std::uint8_t>(*number >> 16),
                  static_cast<std::uint8_t>(*number >> 24)};
  }

  // tag is what follows "hex": ":" for REG_BINARY, "(N):" with N the type in hex, or
  // "(N,exact):" for string data that is to stay without a terminating NUL (see FormatRegFile).
  void ParseHex(std::string_view tag, RegValue& value) {
    std::size_t pos = 0;
    bool exact = false;
    value.type = RegType::Binary;
    if (pos < tag.size() && tag[pos] == '(') {
      ++pos;
      const auto type = ParseHexNumber(tag, pos);
      if (!type) Fail(ResString::RegFileUnknownType);
      value.type = *type;
      constexpr std::string_view kExact = ",exact";
      if (IsStringType(value.type) && tag.substr(pos, kExact.size()) == kExact) {
        exact = true;
        pos += kExact.size();
      }
      if (pos == tag.size() || tag[pos] != ')') Fail(ResString::RegFileUnknownType);
      ++pos;
    }
    if (pos == tag.size() || tag[pos] != ':') Fail(ResString::RegFileUnknownType);
    ParseHexBytes(tag.substr(pos + 1), value.data);
    if (!IsStringType(value.type)) return;
    if (ansi_ != AnsiData::None) value.data = AnsiToUtf16Le(value.data);
    // Windows terminates string data that lacks a NUL at its end, but leaves empty expandable
    // and multi-string data empty.
    const std::size_t size = value.data.size();
    if (size == 0 && value.type != RegType::Sz) return;
    if (!exact && (size < 2 || value.data[size - 1] != 0 || value.data[size - 2] != 0)) {
      value.data.insert(value.data.end(), 2, 0);
    }
  }

  // Comma-separated byte pairs. A backslash where the next byte would be continues the list on
  // the next line that is neither blank nor a comment, and the end of the file ends it, as in
  // Windows. Windows drops a value whose continuation does not go on with a byte (and the line
  // it tried), so that is an error. Errors name the line where the list went wrong.
  void ParseHexBytes(std::string_view text, std::vector<std::uint8_t>& bytes) {
    bytes.reserve(text.size() / 3 + 1);
    std::size_t pos = 0;
    bool expectByte = true;
    for (;;) {
      pos = SkipBlanks(text, pos);
      if (pos == text.size() || text[pos] == ';') return;
      if (text[pos] == '\\') {
        if (!expectByte || !AtLineEnd(text, pos + 1)) Fail(ResString::RegFileBadHexByte);
        do {
          if (!lines_.Next(text)) return;
          lineNumber_ = lines_.LineNumber();
          pos = SkipBlanks(text, 0);
        } while (pos == text.size() || text[pos] == ';');
        if (HexDigitValue(text[pos]) < 0) Fail(ResString::RegFileBadHexByte);
        continue;
      }
      if (!expectByte) {
        if (text[pos] != ',') Fail(ResString::RegFileBadHexByte);
        ++pos;
        expectByte = true;
        continue;
      }
      const int high = pos + 1 < text.size() ? HexDigitValue(text[pos]) : -1;
      const int low = high >= 0 ? HexDigitValue(text[pos + 1]) : -1;
      if (low < 0) Fail(ResString::RegFileBadHexByte);
      bytes.push_back(static_cast<std::uint8_t>(high << 4 | low));
      pos += 2;
      expectByte = false;
    }
  }

  std::vector<std::uint8_t> AnsiToUtf16Le(const std::vector<std::uint8_t>& ansi) const {
    const std::string_view text(reinterpret_cast<const char*>(ansi.data()), ansi.size());
    if (ansi_ == AnsiData::Utf8 && IsValidUtf8(text)) return Utf8ToUtf16Le(text);
    return Utf8ToUtf16Le(Windows1252ToUtf8(text));
  }

  LineSource& lines_;
  const AnsiData ansi_;
  const std::string_view source_;
  RegFileSink& sink_;
  int lineNumber_ = 0;
  bool inKey_ = false;
  std::string unescaped_;
  std::string keyPath_;
  std::string classesPath_;
};

// The version line, blanks around it allowed; nullopt for anything else.
std::optional<std::string_view> FileVersion(std::string_view firstLine) {
  const std::size_t start = SkipBlanks(firstLine, 0);
  std::size_t end = firstLine.size();
  while (end > start && IsBlank(firstLine[end - 1])) --end;
  firstLine = firstLine.substr(start, end - start);
  if (firstLine == kVersion5Header) return kVersion5Header;
  if (firstLine == kVersion4Header) return kVersion4Header;
  if (firstLine == kWindows31Header) return kWindows31Header;
  return std::nullopt;
}

// Windows imports a file of the Windows 3.1 format that holds only its header, and nothing from
// it; one with content is not read here.
void CheckNothingAfterWindows31Header(LineSource& lines, std::string_view source) {
  std::string_view line;
  while (lines.Next(line)) {
    if (!OnlyBlanksFrom(line, 0)) {
      ThrowRegFileError(source, lines.LineNumber(),
                        LoadResString(ResString::RegFileWindows31Content));
    }
  }
}

// Reads the version line and then the rest of the file.
void ParseLines(LineSource& lines, AnsiData regedit4Ansi, std::string_view source,
                RegFileSink& sink) {
  std::string_view line;
  const auto version = lines.Next(line) ? FileVersion(line) : std::nullopt;
  if (!version) {
    ThrowRegFileError(
        source, 1,
        Format(LoadResString(ResString::RegFileNoHeader), kVersion5Header, kVersion4Header));
  }
  if (*version == kWindows31Header) {
    CheckNothingAfterWindows31Header(lines, source);
    return;
  }
  const AnsiData ansi = *version == kVersion4Header ? regedit4Ansi : AnsiData::None;
  RegFileParser(lines, ansi, source, sink).ParseBody();
}

}  // namespace

void ThrowRegFileError(std::string_view source, int line, std::string_view what) {
  throw Error(Format(LoadResString(ResString::RegFileLine), source, line, what));
}

void ParseRegFile(std::span<const std::uint8_t> bytes, std::string_view source, RegFileSink& sink) {
  const bool utf16 = bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE;
  const bool utf8Bom =
      bytes.size() >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF;
  bytes = bytes.subspan(utf16 ? 2 : utf8Bom ? 3 : 0);

  if (utf16) {
    // Even a Unicode REGEDIT4 file keeps the hex data of its strings in the ANSI code page.
    LineSource lines(bytes, true, source);
    ParseLines(lines, AnsiData::Utf8, source, sink);
    return;
  }

  std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  AnsiData regedit4Ansi = AnsiData::Utf8;
  // Text that is not UTF-8 is recoded once up front, so that every line is UTF-8: a REGEDIT4
  // file from the ANSI code page, anything else with the faulty bytes replaced.
  std::string recoded;
  if (!IsValidUtf8(text)) {
    const bool regedit4 = FileVersion(text.substr(0, text.find_first_of("\r\n"))) ==
                          std::optional<std::string_view>(kVersion4Header);
    if (regedit4) regedit4Ansi = AnsiData::Windows1252;
    recoded = regedit4 ? Windows1252ToUtf8(text) : Utf16ToUtf8(Utf8ToUtf16(text));
    text = recoded;
  }
  LineSource lines({reinterpret_cast<const std::uint8_t*>(text.data()), text.size()}, false,
                   source);
  ParseLines(lines, regedit4Ansi, source, sink);
}

}  // namespace lintrove::platform
