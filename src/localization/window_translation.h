#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "localization/translatable.h"
#include "platform/pe/pe_resources.h"

namespace lintrove {

// Window translation from a language module's form tables: one RCDATA resource per window
// class, named by the class name in upper case, holding (path, value) records.

// One element of a record's path: Name, Name(Index) or Name<Index>. An index that is not a
// whole number is -1.
struct PathElement {
  enum class Kind { Plain, Parenthesized, Angled };
  std::string name;
  Kind kind = Kind::Plain;
  int index = 0;
};
PathElement ParsePathElement(std::string_view element);

// Where a path led: the property found (if any), the object it belongs to, and the element
// where resolution stopped.
struct PathResolution {
  std::optional<TranslatableObject::Property> property;
  TranslatableObject* object = nullptr;
  PathElement::Kind kind = PathElement::Kind::Plain;
  int index = 0;
};
// Follows the path's elements (separated by dots, the component name already taken off) from
// the object, one element at a time: the language file decides how long a path is.
PathResolution ResolvePropertyPath(TranslatableObject& object, std::string_view elements);

// Applies one record to the component; records naming nothing translatable are skipped.
// Throws lintrove::Error when a step refuses (a collection index out of range, and so on).
void TranslateProperty(TranslatableComponent& component, std::string_view path, std::string value);

// The form tables of the component's class chain, ancestors first, in one buffer.
std::vector<std::uint8_t> CollectClassResources(const platform::PeResources& module,
                                                const TranslatableComponent& component);

// Reads a length-prefixed UTF-16LE text at position and moves past it; none when the length
// is negative or runs past the end of the buffer.
std::optional<std::string> ReadWideString(std::span<const std::uint8_t> buffer,
                                          std::size_t& position);

// Applies every record of the component's tables in order. The first record that fails ends
// the translation with the error naming its path and value; the records before it stay applied.
void TranslateComponent(const platform::PeResources& module, TranslatableComponent& component);

}  // namespace lintrove
