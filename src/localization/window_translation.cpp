#include "localization/window_translation.h"

#include <charconv>

#include "base/error.h"
#include "base/format.h"
#include "base/resource_strings.h"
#include "base/text.h"
#include "platform/locale.h"

namespace lintrove {
namespace {

int ParseIndex(std::string_view text) {
  int index = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), index);
  return error == std::errc() && end == text.data() + text.size() ? index : -1;
}

std::optional<TranslatableObject::Property> FindProperty(const TranslatableObject& object,
                                                         std::string_view name) {
  for (TranslatableObject::Property& property : object.Properties()) {
    if (platform::EqualsIgnoringCase(property.name, name)) return std::move(property);
  }
  return std::nullopt;
}

TranslatableObject* Target(TranslatableComponent& component, std::string_view name) {
  if (platform::EqualsIgnoringCase(component.Name(), name)) return &component;
  for (TranslatableComponent* owned : component.Components()) {
    if (owned && platform::EqualsIgnoringCase(owned->Name(), name)) return owned;
  }
  return nullptr;
}

// A line beyond the end is skipped like any record that names nothing; a negative index is a
// fault of the language file.
void SetLine(TranslatableObject& list, int index, std::string value) {
  if (index >= *list.LineCount()) return;
  if (index < 0) throw Error(Format(LoadResString(ResString::ListIndexOutOfBounds), index));
  list.SetLine(index, std::move(value));
}

}  // namespace

PathElement ParsePathElement(std::string_view element) {
  auto bracketed = [&](char open, char close, PathElement::Kind kind) {
    const std::size_t start = element.find(open);
    const std::size_t end = element.find(close);
    // Without a closing bracket after the opening one the index is empty, so -1.
    const std::size_t length = end == std::string_view::npos || end < start ? 0 : end - start - 1;
    return PathElement{std::string(element.substr(0, start)), kind,
                       ParseIndex(element.substr(start + 1, length))};
  };
  if (element.find('<') != std::string_view::npos) {
    return bracketed('<', '>', PathElement::Kind::Angled);
  }
  if (element.find('(') != std::string_view::npos) {
    return bracketed('(', ')', PathElement::Kind::Parenthesized);
  }
  return PathElement{std::string(element), PathElement::Kind::Plain, 0};
}

PathResolution ResolvePropertyPath(TranslatableObject& object, std::string_view elements) {
  TranslatableObject* current = &object;
  for (std::size_t start = 0;;) {
    // Split exactly at every dot: two dots in a row give an empty element.
    const std::size_t dot = elements.find('.', start);
    const bool last = dot == std::string_view::npos;
    const PathElement element = ParsePathElement(elements.substr(start, last ? dot : dot - start));
    std::optional<TranslatableObject::Property> property = FindProperty(*current, element.name);
    if (!property) return {};
    if (last) return {std::move(property), current, element.kind, element.index};
    if (property->type != TranslatableObject::PropertyType::Object) return {};
    TranslatableObject* held = current->GetObject(property->name);
    switch (element.kind) {
      case PathElement::Kind::Parenthesized:
        return {std::nullopt, held, element.kind, element.index};
      case PathElement::Kind::Angled: {
        if (!held || !held->ItemCount()) {
          throw Error(Format(LoadResString(ResString::NotACollection), property->name));
        }
        if (element.index < 0 || element.index >= *held->ItemCount()) {
          throw Error(Format(LoadResString(ResString::ListIndexOutOfBounds), element.index));
        }
        held = held->Item(element.index);
        break;
      }
      case PathElement::Kind::Plain:
        break;
    }
    if (!held) return {};
    current = held;
    start = dot + 1;
  }
}

void TranslateProperty(TranslatableComponent& component, std::string_view path, std::string value) {
  const std::size_t dot = path.find('.');
  if (dot == std::string_view::npos) return;
  TranslatableObject* target = Target(component, path.substr(0, dot));
  if (!target) return;
  PathResolution resolution = ResolvePropertyPath(*target, path.substr(dot + 1));
  if (resolution.property) {
    if (resolution.property->type == TranslatableObject::PropertyType::Text &&
        resolution.property->writable) {
      resolution.object->SetText(resolution.property->name, std::move(value));
    }
    return;
  }
  if (resolution.object && resolution.object->LineCount() &&
      resolution.kind == PathElement::Kind::Parenthesized) {
    SetLine(*resolution.object, resolution.index, std::move(value));
  }
}

std::vector<std::uint8_t> CollectClassResources(const platform::PeResources& module,
                                                const TranslatableComponent& component) {
  std::vector<std::uint8_t> buffer;
  for (const std::string& class_name : component.ClassChain()) {
    if (auto table = module.FindRcData(std::string_view(class_name)); table && !table->empty()) {
      buffer.insert(buffer.end(), table->begin(), table->end());
    }
  }
  return buffer;
}

std::optional<std::string> ReadWideString(std::span<const std::uint8_t> buffer,
                                          std::size_t& position) {
  if (buffer.size() - position < 4) return std::nullopt;
  const std::int32_t length =
      static_cast<std::int32_t>(static_cast<std::uint32_t>(buffer[position]) |
                                static_cast<std::uint32_t>(buffer[position + 1]) << 8 |
                                static_cast<std::uint32_t>(buffer[position + 2]) << 16 |
                                static_cast<std::uint32_t>(buffer[position + 3]) << 24);
  position += 4;
  if (length < 0 || static_cast<std::size_t>(length) > buffer.size() - position) {
    return std::nullopt;
  }
  std::string text = Utf16LeToUtf8(buffer.subspan(position, static_cast<std::size_t>(length)));
  position += static_cast<std::size_t>(length);
  return text;
}

void TranslateComponent(const platform::PeResources& module, TranslatableComponent& component) {
  const std::vector<std::uint8_t> buffer = CollectClassResources(module, component);
  std::size_t position = 0;
  while (position < buffer.size()) {
    std::optional<std::string> path = ReadWideString(buffer, position);
    std::optional<std::string> value = path ? ReadWideString(buffer, position) : std::nullopt;
    try {
      if (!value) throw Error(LoadResString(ResString::TruncatedTranslationRecord));
      TranslateProperty(component, *path, *value);
    } catch (const std::exception& error) {
      throw Error(Format(LoadResString(ResString::TranslationFailed), path.value_or(""),
                         value.value_or(""), error.what()));
    }
  }
}

}  // namespace lintrove
