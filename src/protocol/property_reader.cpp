#include "protocol/property_reader.h"

#include <array>
#include <cstring>
#include <string_view>
#include <vector>

#include "protocol/answer_document.h"

namespace lintrove {
namespace {

// Room for the properties of every class read from answers without a heap allocation.
constexpr std::size_t kInlineProperties = 16;

void ReadProperty(const PropertyInfo& property, pugi::xml_node element, Published& object) {
  std::string buffer;
  if (property.Kind() == PropertyKind::Integer) {
    property.SetInteger(object, AnswerInteger(TextContent(element, buffer)));
  } else if (property.IsText()) {
    property.SetText(object, std::string(TextContent(element, buffer)));
  }
}

}  // namespace

void PropertyReader::ReadProperties(pugi::xml_node node, Published& object) {
  const auto properties = object.PublishedClassInfo().Properties();
  std::array<pugi::xml_node, kInlineProperties> inline_first;
  std::vector<pugi::xml_node> heap_first;
  std::span<pugi::xml_node> first(inline_first.data(), properties.size());
  if (properties.size() > kInlineProperties) {
    heap_first.resize(properties.size());
    first = heap_first;
  }

  // One walk over the children finds the first element of every property's name. The search
  // starts after the last match, since services write the elements in declaration order.
  std::size_t next = 0;
  for (pugi::xml_node child = node.first_child(); child; child = child.next_sibling()) {
    if (child.type() != pugi::node_element || properties.empty()) continue;
    const char* name = child.name();
    for (std::size_t tried = 0; tried < properties.size(); ++tried) {
      const std::size_t i = (next + tried) % properties.size();
      const std::string_view wanted = properties[i]->Name();
      if (std::strncmp(name, wanted.data(), wanted.size()) == 0 && name[wanted.size()] == '\0') {
        if (!first[i]) first[i] = child;
        next = i + 1;
        break;
      }
    }
  }
  for (std::size_t i = 0; i < properties.size(); ++i) {
    if (first[i]) ReadProperty(*properties[i], first[i], object);
  }
}

}  // namespace lintrove
