#include "protocol/answer_document.h"

#include <charconv>
#include <limits>

#include "base/error.h"
#include "base/format.h"
#include "base/resource_strings.h"

namespace lintrove {
namespace {

// As a fragment, text outside the root element is kept instead of dropped, so that the check
// below sees it.
constexpr unsigned kParseOptions = pugi::parse_default | pugi::parse_fragment;

bool IsSingleRootDocument(const pugi::xml_document& document) {
  int elements = 0;
  for (pugi::xml_node child : document.children()) {
    switch (child.type()) {
      case pugi::node_element:
        ++elements;
        break;
      case pugi::node_pcdata:
      case pugi::node_cdata:
        return false;
      default:
        break;
    }
  }
  return elements == 1;
}

}  // namespace

void ParseAnswer(std::string_view text, pugi::xml_document& document) {
  document.reset();
  if (text.find_first_not_of(" \t\r\n") == std::string_view::npos) {
    throw AnswerNotXml(LoadResString(ResString::AnswerEmpty));
  }
  const pugi::xml_parse_result result =
      document.load_buffer(text.data(), text.size(), kParseOptions, pugi::encoding_auto);
  if (!result) {
    document.reset();
    throw AnswerNotXml(
        Format(LoadResString(ResString::AnswerNotXml), result.description(), result.offset));
  }
  if (!IsSingleRootDocument(document)) {
    document.reset();
    throw AnswerNotXml(LoadResString(ResString::AnswerWithoutSingleRoot));
  }
}

const char* OnlyText(pugi::xml_node node) {
  // The type of a missing node is node_null: one call less into the library than testing it.
  const pugi::xml_node only = node.first_child();
  const pugi::xml_node_type type = only.type();
  if (type != pugi::node_pcdata && type != pugi::node_cdata) return nullptr;
  if (only.next_sibling().type() != pugi::node_null) return nullptr;
  return only.value();
}

// A loop, not a recursion: the answer decides how deep the elements nest, and a recursion as
// deep as that would overflow the stack.
std::string TextContent(pugi::xml_node node) {
  std::string text;
  pugi::xml_node current = node.first_child();
  while (current) {
    const pugi::xml_node_type type = current.type();
    if (type == pugi::node_pcdata || type == pugi::node_cdata) {
      text += current.value();
    } else if (type == pugi::node_element && current.first_child()) {
      current = current.first_child();
      continue;
    }
    while (!current.next_sibling()) {
      current = current.parent();
      if (current == node) return text;
    }
    current = current.next_sibling();
  }
  return text;
}

std::string LowerAscii(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

std::int32_t AnswerInteger(const char* text) {
  const char* digit = *text == '-' ? text + 1 : text;
  std::int64_t magnitude = 0;
  for (; *digit >= '0' && *digit <= '9'; ++digit) {
    magnitude = magnitude * 10 + (*digit - '0');
    if (magnitude > std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1) break;
  }
  const std::int64_t value = *text == '-' ? -magnitude : magnitude;
  const bool digits_only = *digit == '\0' && digit != text && (digit != text + 1 || *text != '-');
  if (!digits_only || value < std::numeric_limits<std::int32_t>::min() ||
      value > std::numeric_limits<std::int32_t>::max()) {
    return AnswerInteger(std::string_view(text));  // raises with the whole text
  }
  return static_cast<std::int32_t>(value);
}

std::int32_t AnswerInteger(std::string_view text) {
  std::int32_t value = 0;
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value);
  if (text.empty() || error != std::errc() || stop != end) {
    throw Error(Format(LoadResString(ResString::InvalidInteger), text));
  }
  return value;
}

}  // namespace lintrove
