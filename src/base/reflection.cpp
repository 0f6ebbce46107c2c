#include "base/reflection.h"

#include <algorithm>

#include "base/format.h"

namespace lintrove {

namespace {

char AsciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool EqualsIgnoreAsciiCase(std::string_view a, std::string_view b) {
  return std::ranges::equal(a, b, [](char x, char y) { return AsciiUpper(x) == AsciiUpper(y); });
}

template <typename T, typename... Alternatives>
constexpr std::size_t IndexIn(const std::variant<Alternatives...>*) {
  constexpr bool kMatches[] = {std::is_same_v<T, Alternatives>...};
  return static_cast<std::size_t>(std::ranges::find(kMatches, true) - std::begin(kMatches));
}

// Names what a PropertyValue alternative holds, by its index.
std::string_view ValueName(std::size_t index) {
  constexpr std::string_view kNames[] = {
      "a text", "an integer", "a Boolean", "an ordinal", "a floating-point number", "an object"};
  return index < std::size(kNames) ? kNames[index] : "nothing";
}

}  // namespace

std::string_view PropertyKindName(PropertyKind kind) {
  switch (kind) {
    case PropertyKind::NarrowText:
      return "NarrowText";
    case PropertyKind::WideText:
      return "WideText";
    case PropertyKind::Integer:
      return "Integer";
    case PropertyKind::Boolean:
      return "Boolean";
    case PropertyKind::Enumeration:
      return "Enumeration";
    case PropertyKind::Float:
      return "Float";
    case PropertyKind::Object:
      return "Object";
  }
  return "unknown";
}

void PropertyInfo::CheckObject(const Published& object) const {
  const ClassInfo& owner = owner_();
  const ClassInfo& actual = object.PublishedClassInfo();
  if (!actual.InheritsFrom(owner)) {
    throw Error(Format("Property \"%s\" belongs to class %s, not to %s", name_, owner.Name(),
                       actual.Name()));
  }
}

void PropertyInfo::ThrowWrongValue(std::size_t value_index) const {
  throw Error(Format("Property \"%s\" of kind %s cannot hold %s", name_, PropertyKindName(kind_),
                     ValueName(value_index)));
}

PropertyValue PropertyInfo::Get(const Published& object) const {
  CheckObject(object);
  return getter_(object);
}

void PropertyInfo::Set(Published& object, PropertyValue value) const {
  CheckObject(object);
  if (setter_ == nullptr) throw Error(Format("Property \"%s\" is read-only", name_));
  if (value.index() != reflection_detail::ValueIndex(kind_)) ThrowWrongValue(value.index());
  if (referenced_ != nullptr) {
    const Published* target = std::get<Published*>(value);
    if (target != nullptr && !target->PublishedClassInfo().InheritsFrom(referenced_())) {
      throw Error(Format("Property \"%s\" takes an object of class %s, not of %s", name_,
                         referenced_().Name(), target->PublishedClassInfo().Name()));
    }
  }
  setter_(object, std::move(value));
}

template <typename T>
T PropertyInfo::GetAs(const Published& object) const {
  constexpr std::size_t kWanted = IndexIn<T>(static_cast<const PropertyValue*>(nullptr));
  if (reflection_detail::ValueIndex(kind_) != kWanted) ThrowWrongValue(kWanted);
  return std::get<T>(Get(object));
}

std::string PropertyInfo::GetText(const Published& object) const {
  return GetAs<std::string>(object);
}
void PropertyInfo::SetText(Published& object, std::string text) const {
  Set(object, std::move(text));
}
std::int32_t PropertyInfo::GetInteger(const Published& object) const {
  return GetAs<std::int32_t>(object);
}
void PropertyInfo::SetInteger(Published& object, std::int32_t value) const { Set(object, value); }
bool PropertyInfo::GetBoolean(const Published& object) const { return GetAs<bool>(object); }
void PropertyInfo::SetBoolean(Published& object, bool value) const { Set(object, value); }
std::int32_t PropertyInfo::GetOrdinal(const Published& object) const {
  return GetAs<Ordinal>(object).value;
}
void PropertyInfo::SetOrdinal(Published& object, std::int32_t ordinal) const {
  Set(object, Ordinal{ordinal});
}
double PropertyInfo::GetFloat(const Published& object) const { return GetAs<double>(object); }
void PropertyInfo::SetFloat(Published& object, double value) const { Set(object, value); }
Published* PropertyInfo::GetReference(const Published& object) const {
  return GetAs<Published*>(object);
}
void PropertyInfo::SetReference(Published& object, Published* target) const { Set(object, target); }

ClassInfo::ClassInfo(std::string_view name, const ClassInfo* parent,
                     std::span<const PropertyInfo> own_properties)
    : name_(name), parent_(parent), own_properties_(own_properties) {
  if (parent_ != nullptr) {
    properties_ = parent_->properties_;
    chain_ = parent_->chain_;
  }
  chain_.push_back(this);
  for (const PropertyInfo& property : own_properties_) {
    const auto inherited = std::ranges::find_if(properties_, [&](const PropertyInfo* other) {
      return EqualsIgnoreAsciiCase(other->Name(), property.Name());
    });
    if (inherited != properties_.end()) {
      *inherited = &property;
    } else {
      properties_.push_back(&property);
    }
  }
}

bool ClassInfo::InheritsFrom(const ClassInfo& ancestor) const {
  for (const ClassInfo* info = this; info != nullptr; info = info->parent_) {
    if (info == &ancestor) return true;
  }
  return false;
}

const PropertyInfo* ClassInfo::FindProperty(std::string_view name) const {
  const auto found = std::ranges::find(properties_, name, &PropertyInfo::Name);
  return found != properties_.end() ? *found : nullptr;
}

const PropertyInfo* ClassInfo::FindPropertyIgnoreCase(std::string_view name) const {
  const auto found = std::ranges::find_if(properties_, [&](const PropertyInfo* property) {
    return EqualsIgnoreAsciiCase(property->Name(), name);
  });
  return found != properties_.end() ? *found : nullptr;
}

}  // namespace lintrove
