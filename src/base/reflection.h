#pragma once

// Published properties: one reflection mechanism for everything that reads or writes an object's
// data by name — the settings store, the XML writer and reader, and the window translation.
//
// A class takes part by deriving from PublishedClass and declaring, once, its name and a table of
// its own properties, in their order:
//
//   class OfferedVersion : public lintrove::PublishedClass<OfferedVersion> {
//    public:
//     static constexpr std::string_view kClassName = "TVersion";
//     std::string str_versionsname;
//     std::int32_t int_version = 0;
//     static constexpr std::array kPublished{
//         lintrove::Publish<&OfferedVersion::str_versionsname>("str_versionsname"),
//         lintrove::Publish<&OfferedVersion::int_version>("int_version"),
//     };
//   };
//
// A property is a data member, or a const getter with an optional setter:
// Publish<&C::Caption, &C::SetCaption>("Caption"); a getter without a setter is read-only. The
// kind follows from the C++ type; a std::string may be declared PropertyKind::WideText instead.
// Both members must be public, and the names string literals.

#include <concepts>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

#include "base/error.h"

namespace lintrove {

// NarrowText and WideText both hold UTF-8; the kind tells users that treat them differently.
// Integer is int32_t, Enumeration any other enum (as its ordinal), Float a double (DateTime
// too), Object a pointer to another published object, possibly null.
enum class PropertyKind { NarrowText, WideText, Integer, Boolean, Enumeration, Float, Object };

std::string_view PropertyKindName(PropertyKind kind);

class Published;
class ClassInfo;

// An enumeration value as its ordinal, a type of its own so that it is never taken for an Integer.
struct Ordinal {
  std::int32_t value = 0;
  friend bool operator==(Ordinal, Ordinal) = default;
};

// One alternative for each kind; both text kinds use the string.
using PropertyValue = std::variant<std::string, std::int32_t, bool, Ordinal, double, Published*>;

class Published {
 public:
  virtual ~Published() = default;
  // The class of the object itself, not of the reference it is reached through. (Not called
  // GetClassInfo: <windows.h> makes that name a macro, as it does GetObject.)
  virtual const ClassInfo& PublishedClassInfo() const = 0;

 protected:
  Published() = default;
  Published(const Published&) = default;
  Published& operator=(const Published&) = default;
  Published(Published&&) = default;
  Published& operator=(Published&&) = default;
};

// One published property. Get and Set accept any object of the declaring class or of a class
// derived from it, and throw lintrove::Error naming the property for any other object, for a
// value of another kind and, from Set, for a read-only property. Errors of the getter or setter
// itself pass through unchanged.
class PropertyInfo {
 public:
  using Getter = PropertyValue (*)(const Published&);
  using Setter = void (*)(Published&, PropertyValue&&);
  using ClassAccessor = const ClassInfo& (*)();

  // Publish builds these; `referenced` is the class an Object property's object must belong to
  // (null: any).
  constexpr PropertyInfo(std::string_view name, PropertyKind kind, ClassAccessor owner,
                         Getter getter, Setter setter, ClassAccessor referenced)
      : name_(name),
        kind_(kind),
        owner_(owner),
        getter_(getter),
        setter_(setter),
        referenced_(referenced) {}

  std::string_view Name() const { return name_; }
  PropertyKind Kind() const { return kind_; }
  bool IsText() const {
    return kind_ == PropertyKind::NarrowText || kind_ == PropertyKind::WideText;
  }
  bool IsWritable() const { return setter_ != nullptr; }

  PropertyValue Get(const Published& object) const;
  void Set(Published& object, PropertyValue value) const;

  std::string GetText(const Published& object) const;
  void SetText(Published& object, std::string text) const;
  std::int32_t GetInteger(const Published& object) const;
  void SetInteger(Published& object, std::int32_t value) const;
  bool GetBoolean(const Published& object) const;
  void SetBoolean(Published& object, bool value) const;
  std::int32_t GetOrdinal(const Published& object) const;
  void SetOrdinal(Published& object, std::int32_t ordinal) const;
  double GetFloat(const Published& object) const;
  void SetFloat(Published& object, double value) const;
  Published* GetReference(const Published& object) const;
  void SetReference(Published& object, Published* target) const;

 private:
  template <typename T>
  T GetAs(const Published& object) const;
  void CheckObject(const Published& object) const;
  [[noreturn]] void ThrowWrongValue(std::size_t value_index) const;

  std::string_view name_;
  PropertyKind kind_;
  ClassAccessor owner_;
  Getter getter_;
  Setter setter_;
  ClassAccessor referenced_;
};

// The published face of one class: built once, on first use, and never changed.
class ClassInfo {
 public:
  // Names of the own properties are unique in the class; one that equals an inherited name
  // (without regard to case) takes that property's place in the order, as a redeclaration does.
  ClassInfo(std::string_view name, const ClassInfo* parent,
            std::span<const PropertyInfo> own_properties);
  ClassInfo(const ClassInfo&) = delete;
  ClassInfo& operator=(const ClassInfo&) = delete;

  // The name the class has on the wire and in translation tables, e.g. "tRegistryProgramm".
  std::string_view Name() const { return name_; }
  const ClassInfo* Parent() const { return parent_; }
  std::span<const PropertyInfo> OwnProperties() const { return own_properties_; }
  // Every property, inherited ones first, each class's in declaration order.
  std::span<const PropertyInfo* const> Properties() const { return properties_; }
  // From the most basic class down to this one.
  std::span<const ClassInfo* const> Chain() const { return chain_; }
  // True for the class itself too.
  bool InheritsFrom(const ClassInfo& ancestor) const;

  const PropertyInfo* FindProperty(std::string_view name) const;
  // Property names are ASCII; other bytes must match exactly.
  const PropertyInfo* FindPropertyIgnoreCase(std::string_view name) const;

 private:
  std::string_view name_;
  const ClassInfo* parent_;
  std::span<const PropertyInfo> own_properties_;
  std::vector<const PropertyInfo*> properties_;
  std::vector<const ClassInfo*> chain_;
};

// Gives Self its ClassInfo: the name Self::kClassName, the parent's ClassInfo (none when Parent
// is Published itself) and the table Self::kPublished, when Self declares one of its own.
template <typename Self, typename Parent = Published>
class PublishedClass : public Parent {
 public:
  using Parent::Parent;

  static const ClassInfo& StaticClassInfo() {
    // A function-local static: a parent is always built before its children, whatever the order
    // of static initialisation across files.
    static const ClassInfo info(Self::kClassName, ParentClassInfo(), OwnTable());
    return info;
  }
  const ClassInfo& PublishedClassInfo() const override { return StaticClassInfo(); }

 private:
  static const ClassInfo* ParentClassInfo() {
    if constexpr (requires { Parent::StaticClassInfo(); }) {
      return &Parent::StaticClassInfo();
    } else {
      return nullptr;
    }
  }

  // Self::kPublished also finds an ancestor's table by name lookup; that one is not Self's own.
  static constexpr bool DeclaresOwnTable() {
    if constexpr (!requires { Self::kPublished; }) {
      return false;
    } else if constexpr (!requires { Parent::kPublished; }) {
      return true;
    } else {
      return static_cast<const void*>(&Self::kPublished) !=
             static_cast<const void*>(&Parent::kPublished);
    }
  }

  static std::span<const PropertyInfo> OwnTable() {
    if constexpr (DeclaresOwnTable()) {
      return Self::kPublished;
    } else {
      return {};
    }
  }
};

namespace reflection_detail {

template <typename T>
struct MemberPointer;
template <typename C, typename M>
struct MemberPointer<M C::*> {
  using Class = C;
  using Member = M;
};

// A data member is its own value; a getter is a const member function without parameters.
template <typename M>
struct GetterResult {
  using type = M;
};
template <typename R>
struct GetterResult<R() const> {
  using type = R;
};
template <typename R>
struct GetterResult<R() const noexcept> {
  using type = R;
};

template <auto Getter>
using ClassOf = typename MemberPointer<decltype(Getter)>::Class;
template <auto Getter>
using ValueOf = std::remove_cvref_t<
    typename GetterResult<typename MemberPointer<decltype(Getter)>::Member>::type>;

// How a C++ type maps to a kind and its PropertyValue alternative. A type without a mapping
// cannot be published.
template <typename T>
struct Mapping;

template <typename T, PropertyKind K>
struct DirectMapping {
  static constexpr PropertyKind kKind = K;
  static PropertyValue ToValue(const T& value) { return value; }
  static T FromValue(PropertyValue&& value) { return std::get<T>(std::move(value)); }
  static constexpr PropertyInfo::ClassAccessor kReferenced = nullptr;
};

template <>
struct Mapping<bool> : DirectMapping<bool, PropertyKind::Boolean> {};
template <>
struct Mapping<std::int32_t> : DirectMapping<std::int32_t, PropertyKind::Integer> {};
template <>
struct Mapping<double> : DirectMapping<double, PropertyKind::Float> {};
template <>
struct Mapping<std::string> : DirectMapping<std::string, PropertyKind::NarrowText> {};

template <typename E>
requires std::is_enum_v<E>
struct Mapping<E> {
  using Underlying = std::underlying_type_t<E>;
  static_assert(sizeof(E) <= sizeof(std::int32_t), "an ordinal is 32 bits");
  // Only then is every ordinal converted through the underlying type a valid value of E.
  static_assert(
      requires { E{Underlying{}}; }, "give the enumeration a fixed underlying type");

  static constexpr PropertyKind kKind = PropertyKind::Enumeration;
  static PropertyValue ToValue(E value) { return Ordinal{static_cast<std::int32_t>(value)}; }
  static E FromValue(PropertyValue&& value) {
    return static_cast<E>(static_cast<Underlying>(std::get<Ordinal>(value).value));
  }
  static constexpr PropertyInfo::ClassAccessor kReferenced = nullptr;
};

template <typename T>
const ClassInfo& StaticClassInfoOf() {
  return T::StaticClassInfo();
}

// Only class types can be checked for completeness here; whether T derives from Published is
// checked where the functions below are instantiated, once T is complete.
template <typename T>
requires std::is_class_v<T>
struct Mapping<T*> {
  static constexpr PropertyKind kKind = PropertyKind::Object;
  static PropertyValue ToValue(T* object) { return static_cast<Published*>(object); }
  // PropertyInfo::Set has checked the object's class against kReferenced.
  static T* FromValue(PropertyValue&& value) {
    return static_cast<T*>(std::get<Published*>(value));
  }
  static constexpr PropertyInfo::ClassAccessor kReferenced =
      std::is_same_v<T, Published> ? nullptr : &StaticClassInfoOf<T>;
};

// The index of the kind's alternative in PropertyValue.
constexpr std::size_t ValueIndex(PropertyKind kind) {
  switch (kind) {
    case PropertyKind::NarrowText:
    case PropertyKind::WideText:
      return 0;
    case PropertyKind::Integer:
      return 1;
    case PropertyKind::Boolean:
      return 2;
    case PropertyKind::Enumeration:
      return 3;
    case PropertyKind::Float:
      return 4;
    case PropertyKind::Object:
      return 5;
  }
  return std::variant_npos;
}

// Owner classes are downcast with static_cast: PropertyInfo has checked the object's ClassInfo.
template <auto Getter>
PropertyValue GetValue(const Published& object) {
  return Mapping<ValueOf<Getter>>::ToValue(
      std::invoke(Getter, static_cast<const ClassOf<Getter>&>(object)));
}

template <auto Getter>
void AssignMember(Published& object, PropertyValue&& value) {
  std::invoke(Getter, static_cast<ClassOf<Getter>&>(object)) =
      Mapping<ValueOf<Getter>>::FromValue(std::move(value));
}

template <auto Getter, auto Setter>
void CallSetter(Published& object, PropertyValue&& value) {
  std::invoke(Setter, static_cast<ClassOf<Getter>&>(object),
              Mapping<ValueOf<Getter>>::FromValue(std::move(value)));
}

template <auto Getter, auto Setter>
constexpr PropertyInfo::Setter SetterFor() {
  if constexpr (!std::is_null_pointer_v<decltype(Setter)>) {
    return &CallSetter<Getter, Setter>;
  } else if constexpr (std::is_member_object_pointer_v<decltype(Getter)> &&
                       !std::is_const_v<typename MemberPointer<decltype(Getter)>::Member>) {
    return &AssignMember<Getter>;
  } else {
    return nullptr;
  }
}

}  // namespace reflection_detail

// Describes one property for a kPublished table; see the top of this file.
template <auto Getter, auto Setter = nullptr>
constexpr PropertyInfo Publish(
    std::string_view name,
    PropertyKind kind = reflection_detail::Mapping<reflection_detail::ValueOf<Getter>>::kKind) {
  namespace detail = reflection_detail;
  using Map = detail::Mapping<detail::ValueOf<Getter>>;
  static_assert(std::is_member_pointer_v<decltype(Getter)>,
                "a property is a data member or a const member function");
  if constexpr (!std::is_null_pointer_v<decltype(Setter)>) {
    static_assert(std::is_member_function_pointer_v<decltype(Setter)> &&
                      std::is_same_v<detail::ClassOf<Setter>, detail::ClassOf<Getter>>,
                  "a setter is a member function of the getter's class");
  }
  if (detail::ValueIndex(kind) != detail::ValueIndex(Map::kKind)) {
    // In a constexpr table this stops the build.
    throw Error("Property \"" + std::string(name) + "\" cannot be of kind " +
                std::string(PropertyKindName(kind)));
  }
  return PropertyInfo(name, kind, &detail::StaticClassInfoOf<detail::ClassOf<Getter>>,
                      &detail::GetValue<Getter>, detail::SetterFor<Getter, Setter>(),
                      Map::kReferenced);
}

}  // namespace lintrove
