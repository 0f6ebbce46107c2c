#include "language_source.h"

#include <algorithm>
#include <charconv>
#include <optional>

#include "base/error.h"
#include "base/resource_strings.h"
#include "base/text.h"
#include "localization/window_translation.h"
#include "platform/pe/pe_resource_writer.h"

namespace lintrove::wlx {
namespace {

constexpr std::string_view kWindowSection = "window ";

class LineParser {
 public:
  LineParser(std::string_view line, std::size_t number) : line_(line), number_(number) {}

  [[noreturn]] void Fail(std::string_view what) const {
    throw Error("line " + std::to_string(number_) + ": " + std::string(what));
  }
  void SkipBlanks() {
    while (at_ < line_.size() && (line_[at_] == ' ' || line_[at_] == '\t')) ++at_;
  }
  bool AtEnd() {
    SkipBlanks();
    return at_ == line_.size() || line_[at_] == '#';
  }
  void Expect(char c) {
    SkipBlanks();
    if (at_ == line_.size() || line_[at_] != c) Fail(std::string("expected '") + c + "'");
    ++at_;
  }
  std::string Key() {
    SkipBlanks();
    if (at_ < line_.size() && line_[at_] == '"') return Quoted();
    const std::size_t start = at_;
    while (at_ < line_.size() && line_[at_] != ' ' && line_[at_] != '\t' && line_[at_] != '=')
      ++at_;
    if (at_ == start) Fail("expected a number or a path");
    return std::string(line_.substr(start, at_ - start));
  }
  std::string Quoted() {
    Expect('"');
    std::string text;
    while (true) {
      if (at_ == line_.size()) Fail("the text has no closing '\"'");
      const char c = line_[at_++];
      if (c == '"') return text;
      if (c != '\\') {
        text.push_back(c);
        continue;
      }
      if (at_ == line_.size()) Fail("the text has no closing '\"'");
      switch (const char escape = line_[at_++]) {
        case '\\':
        case '"':
          text.push_back(escape);
          break;
        case 'r':
          text.push_back('\r');
          break;
        case 'n':
          text.push_back('\n');
          break;
        case 't':
          text.push_back('\t');
          break;
        case '0':
          text.push_back('\0');
          break;
        case 'u':
          text += Utf16ToUtf8(std::u16string(1, HexUnit()));
          break;
        default:
          Fail(std::string("unknown escape '\\") + escape + "'");
      }
    }
  }

 private:
  char16_t HexUnit() {
    unsigned value = 0;
    const std::string_view digits = line_.substr(at_, 4);
    auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value, 16);
    if (digits.size() != 4 || error != std::errc() || end != digits.data() + 4) {
      Fail("\\u needs four hexadecimal digits");
    }
    at_ += 4;
    return static_cast<char16_t>(value);
  }

  std::string_view line_;
  std::size_t number_;
  std::size_t at_ = 0;
};

std::uint16_t MessageNumber(const std::string& key, const LineParser& parser) {
  unsigned value = 0;
  auto [end, error] = std::from_chars(key.data(), key.data() + key.size(), value);
  if (error != std::errc() || end != key.data() + key.size() || value > 0xFFFF) {
    parser.Fail("'" + key + "' is no message number (0 to 65535)");
  }
  return static_cast<std::uint16_t>(value);
}

std::string Quote(std::string_view text) {
  std::string quoted = "\"";
  for (char c : text) {
    switch (c) {
      case '\\':
        quoted += "\\\\";
        break;
      case '"':
        quoted += "\\\"";
        break;
      case '\r':
        quoted += "\\r";
        break;
      case '\n':
        quoted += "\\n";
        break;
      case '\t':
        quoted += "\\t";
        break;
      case '\0':
        quoted += "\\0";
        break;
      default:
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
          static constexpr char kHex[] = "0123456789ABCDEF";
          quoted += "\\u00";
          quoted.push_back(kHex[(c >> 4) & 0xF]);
          quoted.push_back(kHex[c & 0xF]);
        } else {
          quoted.push_back(c);
        }
    }
  }
  return quoted + '"';
}

// A path is written bare unless something in it would end or confuse a bare key.
std::string PathKey(std::string_view path) {
  const bool bare = !path.empty() && path.front() != '"' && path.front() != '#' &&
                    path.front() != '[' && path.find_first_of(" \t=\\") == std::string_view::npos &&
                    std::ranges::none_of(path, [](char c) {
                      return static_cast<unsigned char>(c) < 0x20 || c == 0x7F;
                    });
  return bare ? std::string(path) : Quote(path);
}

void AppendWideString(std::vector<std::uint8_t>& out, std::string_view text) {
  const std::vector<std::uint8_t> wide = Utf8ToUtf16Le(text);
  const auto length = static_cast<std::uint32_t>(wide.size());
  for (int shift = 0; shift < 32; shift += 8)
    out.push_back(static_cast<std::uint8_t>(length >> shift));
  out.insert(out.end(), wide.begin(), wide.end());
}

}  // namespace

LanguageSource ParseLanguageSource(std::string_view text) {
  LanguageSource source;
  enum class Section { None, Messages, Window } section = Section::None;
  std::size_t number = 0;
  for (std::size_t start = 0; start <= text.size(); ++number) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    start = end + 1;
    if (line.ends_with('\r')) line.remove_suffix(1);
    if (number == 0 && line.starts_with("\xEF\xBB\xBF")) line.remove_prefix(3);

    LineParser parser(line, number + 1);
    if (parser.AtEnd()) continue;
    const std::string_view content = Trim(line);
    if (content.starts_with('[')) {
      const std::string_view header = content.substr(1, content.find(']') - 1);
      if (content.find(']') == std::string_view::npos) parser.Fail("the section has no ']'");
      if (header == "messages") {
        section = Section::Messages;
      } else if (header.starts_with(kWindowSection) &&
                 !Trim(header.substr(kWindowSection.size())).empty()) {
        section = Section::Window;
        source.windows.push_back({std::string(Trim(header.substr(kWindowSection.size()))), {}});
      } else {
        parser.Fail("a section is [messages] or [window CLASSNAME]");
      }
      continue;
    }
    std::string key = parser.Key();
    parser.Expect('=');
    std::string value = parser.Quoted();
    if (!parser.AtEnd()) parser.Fail("unexpected text after the closing '\"'");
    switch (section) {
      case Section::None:
        parser.Fail("an entry must follow [messages] or [window CLASSNAME]");
      case Section::Messages:
        if (!source.messages.emplace(MessageNumber(key, parser), std::move(value)).second) {
          parser.Fail("message " + key + " is translated twice");
        }
        break;
      case Section::Window:
        source.windows.back().records.emplace_back(std::move(key), std::move(value));
        break;
    }
  }
  return source;
}

std::string FormatLanguageSource(const LanguageSource& source) {
  std::string text;
  if (!source.messages.empty()) {
    text += "[messages]\n";
    for (const auto& [id, message] : source.messages) {
      text += std::to_string(id) + " = " + Quote(message) + "\n";
    }
  }
  for (const LanguageSource::Window& window : source.windows) {
    if (!text.empty()) text += "\n";
    text += "[window " + window.class_name + "]\n";
    for (const auto& [path, value] : window.records) {
      text += PathKey(path) + " = " + Quote(value) + "\n";
    }
  }
  return text;
}

std::string MessageTemplate() {
  std::string text = "[messages]\n";
  for (int id : BuiltInResStringIds()) {
    text += "# " + Quote(BuiltInResString(id)) + "\n" + std::to_string(id) + " = \"\"\n";
  }
  return text;
}

std::vector<std::uint8_t> CompileLanguage(const LanguageSource& source) {
  std::vector<platform::ResourceToWrite> resources;
  for (const auto& [id, message] : source.messages) {
    resources.push_back({platform::kResourceTypeRcData, id, Utf8ToUtf16Le(message)});
  }
  for (const LanguageSource::Window& window : source.windows) {
    std::vector<std::uint8_t> table;
    for (const auto& [path, value] : window.records) {
      AppendWideString(table, path);
      AppendWideString(table, value);
    }
    resources.push_back({platform::kResourceTypeRcData,
                         platform::UpperCaseResourceName(window.class_name), std::move(table)});
  }
  return platform::WriteResourceModule(std::move(resources));
}

LanguageSource DecompileLanguage(const platform::PeResources& module) {
  LanguageSource source;
  for (const platform::PeResources::Entry& entry :
       module.Resources(platform::kResourceTypeRcData)) {
    if (const auto* id = std::get_if<std::uint16_t>(&entry.name)) {
      source.messages[*id] = Utf16LeToUtf8(entry.data);
      continue;
    }
    LanguageSource::Window window{Utf16ToUtf8(std::get<std::u16string>(entry.name)), {}};
    for (std::size_t position = 0; position < entry.data.size();) {
      std::optional<std::string> path = ReadWideString(entry.data, position);
      std::optional<std::string> value = path ? ReadWideString(entry.data, position) : std::nullopt;
      if (!value) {
        throw Error("window table " + window.class_name +
                    ": a record runs past the end of the table");
      }
      window.records.emplace_back(std::move(*path), std::move(*value));
    }
    source.windows.push_back(std::move(window));
  }
  return source;
}

}  // namespace lintrove::wlx
