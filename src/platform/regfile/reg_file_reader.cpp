#include <cstring>
#include <optional>

#include "base/error.h"
#include "base/text.h"
#include "platform/regfile/reg_file.h"

namespace lintrove::platform {
namespace {

constexpr std::string_view kVersion5Header = "Windows Registry Editor Version 5.00";
constexpr std::string_view kVersion4Header = "REGEDIT4";

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::size_t SkipBlanks(std::string_view text, std::size_t pos) {
  while (pos < text.size() && IsBlank(text[pos])) ++pos;
  return pos;
}

bool OnlyBlanksFrom(std::string_view text, std::size_t pos) {
  return SkipBlanks(text, pos) == text.size();
}

int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
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

// Hands out the lines of the file without their line ends (LF or CRLF). UTF-16LE lines are
// converted into one buffer that is reused, so the view Next gives lasts until the next call.
class LineSource {
 public:
  LineSource(std::span<const std::uint8_t> bytes, bool utf16, std::string_view source)
      : bytes_(bytes), utf16_(utf16), source_(source) {}

  bool Next(std::string_view& line) {
    if (pos_ >= bytes_.size()) return false;
    ++lineNumber_;
    const std::size_t end = utf16_ ? FindUtf16LineFeed() : FindLineFeed();
    if (end == bytes_.size() && bytes_.size() % 2 != 0 && utf16_) {
      ThrowRegFileError(source_, lineNumber_, "UTF-16-Datei mit ungerader Anzahl von Bytes");
    }
    const auto content = bytes_.subspan(pos_, end - pos_);
    pos_ = end == bytes_.size() ? end : end + (utf16_ ? 2 : 1);
    if (utf16_) {
      buffer_.clear();
      AppendUtf16LeToUtf8(content, buffer_);
      line = buffer_;
    } else {
      line = {reinterpret_cast<const char*>(content.data()), content.size()};
    }
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return true;
  }

  int LineNumber() const { return lineNumber_; }

 private:
  std::size_t Offset(const void* found) const {
    return static_cast<std::size_t>(static_cast<const std::uint8_t*>(found) - bytes_.data());
  }

  std::size_t FindLineFeed() const {
    const void* found = std::memchr(bytes_.data() + pos_, '\n', bytes_.size() - pos_);
    return found ? Offset(found) : bytes_.size();
  }

  // memchr finds candidates fast; a 0x0A at an odd offset is the high byte of some unit, and
  // one followed by a non-zero byte is the low byte of a unit other than U+000A.
  std::size_t FindUtf16LineFeed() const {
    const std::size_t evenSize = bytes_.size() & ~std::size_t{1};
    std::size_t from = pos_;
    while (from < evenSize) {
      const void* found = std::memchr(bytes_.data() + from, '\n', evenSize - from);
      if (!found) break;
      const std::size_t at = Offset(found);
      if (at % 2 == 0 && bytes_[at + 1] == 0) return at;
      from = at + 1;
    }
    return bytes_.size();
  }

  std::span<const std::uint8_t> bytes_;
  bool utf16_;
  std::string_view source_;
  std::size_t pos_ = 0;
  int lineNumber_ = 0;
  std::string buffer_;
};

// How the hex data of the string types is to be read in a REGEDIT4 file, whose strings are
// ANSI text that Windows stores converted to UTF-16LE.
enum class AnsiData { None, Utf8, Windows1252 };

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
          Fail("weder Schlüssel noch Wert noch Kommentar");
      }
    }
  }

 private:
  [[noreturn]] void Fail(std::string_view what) const {
    ThrowRegFileError(source_, lineNumber_, what);
  }

  void ParseKeyHeader(std::string_view line) {
    const std::size_t close = line.rfind(']');
    if (close == std::string_view::npos) Fail("Schlüsselname ohne schließende Klammer");
    if (!OnlyBlanksFrom(line, close + 1)) Fail("unerwarteter Text nach dem Schlüsselnamen");
    std::string_view name = line.substr(1, close - 1);
    const bool deletion = !name.empty() && name.front() == '-';
    if (deletion) name.remove_prefix(1);
    const std::size_t separator = name.find('\\');
    const std::string_view rootName = name.substr(0, separator);
    std::string_view path =
        separator == std::string_view::npos ? std::string_view() : name.substr(separator + 1);
    std::optional<RootKey> root = ParseRootKeyName(rootName);
    if (!root && EqualsIgnoringAsciiCase(rootName, "HKEY_CLASSES_ROOT")) {
      // The merged classes view; the program keeps the machine's part of it.
      root = RootKey::LocalMachine;
      classesPath_ = "SOFTWARE\\Classes";
      if (!path.empty()) classesPath_.append("\\").append(path);
      path = classesPath_;
    }
    if (!root) Fail("nicht unterstützter Stammschlüssel „" + std::string(rootName) + "“");
    inKey_ = true;
    if (deletion) {
      sink_.OnDeleteKey(*root, path, lineNumber_);
    } else {
      sink_.OnKey(*root, path, lineNumber_);
    }
  }

  void ParseValue(std::string_view line) {
    if (!inKey_) Fail("Wert außerhalb eines Schlüssels");
    RegValue value;
    std::size_t pos = 1;
    if (line.front() == '"') {
      const auto name = ReadQuoted(line, pos, false);
      if (!name) Fail("nicht abgeschlossener Wertname");
      value.name = *name;
    }
    pos = SkipBlanks(line, pos);
    if (pos == line.size() || line[pos] != '=') Fail("„=“ fehlt nach dem Wertnamen");
    pos = SkipBlanks(line, pos + 1);
    const std::string_view data = line.substr(pos);
    if (!data.empty() && data.front() == '"') {
      ParseString(data, value);
    } else if (!data.empty() && data.front() == '-') {
      if (!OnlyBlanksFrom(data, 1)) Fail("unerwarteter Text nach dem Wert");
      sink_.OnDeleteValue(value.name, lineNumber_);
      return;
    } else if (StartsWithIgnoringCase(data, "dword:")) {
      ParseDword(data.substr(6), value);
    } else if (StartsWithIgnoringCase(data, "hex")) {
      ParseHex(data.substr(3), value);
    } else {
      Fail("unbekannter Werttyp");
    }
    sink_.OnValue(std::move(value), lineNumber_);
  }

  // Reads a quoted text from the opening quote before pos on, leaving pos after the closing
  // quote. \\ and \" stand for themselves in names and data; data may also hold \n, \r and \0
  // as other tools write them. Any other backslash is kept with the character after it. The view
  // points into the line when nothing was escaped, else into a buffer reused for every line.
  std::optional<std::string_view> ReadQuoted(std::string_view line, std::size_t& pos,
                                             bool controlEscapes) {
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
      if (c != '\\' || i + 1 == line.size()) {
        unescaped_.push_back(c);
        continue;
      }
      const char escaped = line[++i];
      if (escaped == '\\' || escaped == '"') {
        unescaped_.push_back(escaped);
      } else if (controlEscapes && escaped == 'n') {
        unescaped_.push_back('\n');
      } else if (controlEscapes && escaped == 'r') {
        unescaped_.push_back('\r');
      } else if (controlEscapes && escaped == '0') {
        unescaped_.push_back('\0');
      } else {
        unescaped_.push_back('\\');
        unescaped_.push_back(escaped);
      }
    }
    return std::nullopt;
  }

  void ParseString(std::string_view data, RegValue& value) {
    std::size_t pos = 1;
    const auto text = ReadQuoted(data, pos, true);
    if (!text) Fail("nicht abgeschlossene Zeichenkette");
    if (!OnlyBlanksFrom(data, pos)) Fail("unerwarteter Text nach dem Wert");
    value.type = RegType::Sz;
    value.data.reserve(2 * text->size() + 2);
    AppendUtf8ToUtf16Le(*text, value.data);
    value.data.insert(value.data.end(), 2, 0);
  }

  void ParseDword(std::string_view digits, RegValue& value) {
    std::size_t pos = 0;
    const auto number = ParseHexNumber(digits, pos);
    if (!number || !OnlyBlanksFrom(digits, pos)) Fail("ungültiger DWORD-Wert");
    value.type = RegType::Dword;
    value.data = {static_cast<std::uint8_t>(*number), static_cast<std::uint8_t>(*number >> 8),
                  static_cast<std::uint8_t>(*number >> 16),
                  static_cast<std::uint8_t>(*number >> 24)};
  }

  // tag is what follows "hex": ":" for REG_BINARY or "(N):" with N the type in hex.
  void ParseHex(std::string_view tag, RegValue& value) {
    std::size_t pos = 0;
    value.type = RegType::Binary;
    if (pos < tag.size() && tag[pos] == '(') {
      ++pos;
      const auto type = ParseHexNumber(tag, pos);
      if (!type || pos == tag.size() || tag[pos] != ')') Fail("unbekannter Werttyp");
      value.type = *type;
      ++pos;
    }
    if (pos == tag.size() || tag[pos] != ':') Fail("unbekannter Werttyp");
    ParseHexBytes(tag.substr(pos + 1), value.data);
    const bool stringType = value.type == RegType::Sz || value.type == RegType::ExpandSz ||
                            value.type == RegType::MultiSz;
    if (ansi_ != AnsiData::None && stringType) value.data = AnsiToUtf16Le(value.data);
  }

  // Comma-separated byte pairs; a backslash at the end of a line continues the list on the next
  // one. Errors name the line the value starts on.
  void ParseHexBytes(std::string_view text, std::vector<std::uint8_t>& bytes) {
    bytes.reserve(text.size() / 3 + 1);
    std::size_t pos = 0;
    bool expectByte = true;
    for (;;) {
      pos = SkipBlanks(text, pos);
      if (pos == text.size()) return;
      if (text[pos] == '\\' && OnlyBlanksFrom(text, pos + 1)) {
        if (!lines_.Next(text)) Fail("Hex-Daten brechen am Dateiende ab");
        pos = 0;
        expectByte = true;
        continue;
      }
      if (!expectByte) {
        if (text[pos] != ',') Fail("ungültiges Hex-Byte");
        ++pos;
        expectByte = true;
        continue;
      }
      const int high = pos + 1 < text.size() ? HexDigitValue(text[pos]) : -1;
      const int low = high >= 0 ? HexDigitValue(text[pos + 1]) : -1;
      if (low < 0) Fail("ungültiges Hex-Byte");
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
  std::string classesPath_;
};

std::string_view TrimEnd(std::string_view text) {
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

// The version line, trailing blanks allowed; nullopt for anything else.
std::optional<std::string_view> FileVersion(std::string_view firstLine) {
  firstLine = TrimEnd(firstLine);
  if (firstLine == kVersion5Header || firstLine == kVersion4Header) return firstLine;
  return std::nullopt;
}

std::string_view FirstUtf8Line(std::string_view text) {
  std::string_view line = text.substr(0, text.find('\n'));
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  return line;
}

[[noreturn]] void ThrowNotARegFile(std::string_view source) {
  ThrowRegFileError(source, 1,
                    "keine Registrierungsdatei: die erste Zeile muss „" +
                        std::string(kVersion5Header) + "“ oder „" + std::string(kVersion4Header) +
                        "“ lauten");
}

}  // namespace

void ThrowRegFileError(std::string_view source, int line, std::string_view what) {
  std::string message(source);
  message.append(", Zeile ").append(std::to_string(line)).append(": ").append(what);
  throw Error(message);
}

void ParseRegFile(std::span<const std::uint8_t> bytes, std::string_view source, RegFileSink& sink) {
  const bool utf16 = bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE;
  const bool utf8Bom =
      bytes.size() >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF;
  bytes = bytes.subspan(utf16 ? 2 : utf8Bom ? 3 : 0);
  std::string_view line;

  if (utf16) {
    LineSource lines(bytes, true, source);
    const auto version = lines.Next(line) ? FileVersion(line) : std::nullopt;
    if (!version) ThrowNotARegFile(source);
    // Even a Unicode REGEDIT4 file keeps the hex data of its strings in the ANSI code page.
    const AnsiData ansi = *version == kVersion4Header ? AnsiData::Utf8 : AnsiData::None;
    RegFileParser(lines, ansi, source, sink).ParseBody();
    return;
  }

  std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  const auto version = FileVersion(FirstUtf8Line(text));
  if (!version) ThrowNotARegFile(source);
  const bool regedit4 = *version == kVersion4Header;
  AnsiData ansi = regedit4 ? AnsiData::Utf8 : AnsiData::None;
  // Text that is not UTF-8 is recoded once up front, so that every line is UTF-8.
  std::string recoded;
  if (!IsValidUtf8(text)) {
    if (regedit4) ansi = AnsiData::Windows1252;
    recoded = regedit4 ? Windows1252ToUtf8(text) : Utf16ToUtf8(Utf8ToUtf16(text));
    text = recoded;
  }
  LineSource lines({reinterpret_cast<const std::uint8_t*>(text.data()), text.size()}, false,
                   source);
  lines.Next(line);
  RegFileParser(lines, ansi, source, sink).ParseBody();
}

}  // namespace lintrove::platform
