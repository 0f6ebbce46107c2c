#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lintrove {

// What window translation sees of a window and its parts, whatever toolkit draws them: objects
// with published properties, some of which hold further objects, collections (items by index)
// or string lists (lines by index). The GUI exposes its windows through this model.
class TranslatableObject {
 public:
  enum class PropertyType { Text, Object, Other };
  struct Property {
    std::string name;
    PropertyType type;
    bool writable;
  };

  virtual ~TranslatableObject() = default;

  // The published properties, inherited ones first.
  virtual std::vector<Property> Properties() const = 0;
  // Called only for a writable text property; throws lintrove::Error to refuse the value.
  virtual void SetText(std::string_view property, std::string value) = 0;
  // Called only for an object property; null when it holds no object.
  virtual TranslatableObject* GetObject(std::string_view property) = 0;

  // A collection has a count and items, an item possibly null; other objects have no count.
  virtual std::optional<int> ItemCount() const { return std::nullopt; }
  virtual TranslatableObject* Item(int /*index*/) { return nullptr; }

  // A string list has lines; SetLine is called only with an index below LineCount.
  virtual std::optional<int> LineCount() const { return std::nullopt; }
  virtual void SetLine(int /*index*/, std::string /*value*/) {}

 protected:
  TranslatableObject() = default;
  TranslatableObject(const TranslatableObject&) = default;
  TranslatableObject& operator=(const TranslatableObject&) = default;
};

// A window or a part of one that has a name and owns other components.
class TranslatableComponent : public TranslatableObject {
 public:
  // The class names from the most basic component class down to the component's own, for
  // example {"TComponent", "TControl", "TForm", "Tfrm_optionen"}.
  virtual std::vector<std::string> ClassChain() const = 0;
  virtual std::string Name() const = 0;
  virtual std::vector<TranslatableComponent*> Components() const = 0;
};

}  // namespace lintrove
