#include "protocol/property_reader.h"

#include <array>
#include <string_view>
#include <vector>

#include "protocol/answer_document.h"

namespace lintrove {
namespace {

// Room for the properties of every class read from answers without a heap allocation.
constexpr std::size_t kInlineProperties = 16;

struct FirstElement {
  pugi::xml_node element;
  bool found = false;
};

void ReadProperty(const PropertyInfo& property, pugi::xml_node element, Published& object) {
  const char* only = OnlyText(element);
  if (property.Kind() == PropertyKind::Integer) {
    property.SetInteger(object, only ? AnswerInteger(only) : AnswerInteger(TextContent(element)));
  } else if (property.IsText()) {
    property.SetText(object, only ? std::string(only) : TextContent(element));
  }
}

}  // namespace

void PropertyReader::ReadProperties(pugi::xml_node node, Published& object) {
  const auto properties = object.PublishedClassInfo().Properties();
  if (properties.empty()) return;
  std::array<FirstElement, kInlineProperties> inline_first{};
  std::vector<FirstElement> heap_first;
  std::span<FirstElement> first(inline_first.data(), properties.size());
  if (properties.size() > kInlineProperties) {
    heap_first.resize(properties.size());
    first = heap_first;
  }

  // One walk over the children finds the first element of every property's name. The search
  // starts after the last match, since services write the elements in declaration order. Every
  // node accessor is a call into the parser's library, so the walk asks as few as it can: the
  // type of a null node is node_null, which ends the walk.
  std::size_t next = 0;
  pugi::xml_node_type type;
  for (pugi::xml_node child = node.first_child(); (type = child.type()) != pugi::node_null;
       child = child.next_sibling()) {
    if (type != pugi::node_element) continue;
    const char* name = child.name();
    std::size_t i = next;
    for (std::size_t tried = 0; tried < properties.size(); ++tried, ++i) {
      if (i == properties.size()) i = 0;
      if (NameIs(name, properties[i]->Name())) {
        if (!first[i].found) first[i] = {child, true};
        next = i + 1;
        break;
      }
    }
  }
  for (std::size_t i = 0; i < properties.size(); ++i) {
    if (first[i].found) ReadProperty(*properties[i], first[i].element, object);
  }
}

}  // namespace lintrove
