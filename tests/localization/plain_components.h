#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "base/error.h"
#include "localization/translatable.h"

namespace lintrove::test {

using Property = TranslatableObject::Property;
using PropertyType = TranslatableObject::PropertyType;

// A small model of plain objects: text and number properties by name, object properties that
// hold other plain objects, collections and string lists.
template <typename Base>
class Plain : public Base {
 public:
  std::vector<Property> Properties() const override {
    std::vector<Property> properties;
    for (const auto& [name, text] : texts) properties.push_back({name, PropertyType::Text, true});
    for (const auto& [name, text] : read_only)
      properties.push_back({name, PropertyType::Text, false});
    for (const auto& [name, number] : numbers)
      properties.push_back({name, PropertyType::Other, true});
    for (const auto& [name, object] : objects)
      properties.push_back({name, PropertyType::Object, true});
    return properties;
  }
  void SetText(std::string_view property, std::string value) override {
    if (value == "refused") throw Error("value refused");
    texts.at(std::string(property)) = std::move(value);
  }
  TranslatableObject* GetObject(std::string_view property) override {
    return objects.at(std::string(property));
  }

  std::map<std::string, std::string> texts;
  std::map<std::string, std::string> read_only;
  std::map<std::string, int> numbers;
  std::map<std::string, TranslatableObject*> objects;
};

using PlainObject = Plain<TranslatableObject>;

class PlainCollection : public PlainObject {
 public:
  std::optional<int> ItemCount() const override { return static_cast<int>(items.size()); }
  TranslatableObject* Item(int index) override { return items.at(static_cast<std::size_t>(index)); }
  std::vector<TranslatableObject*> items;
};

class PlainStrings : public PlainObject {
 public:
  std::optional<int> LineCount() const override { return static_cast<int>(lines.size()); }
  void SetLine(int index, std::string value) override {
    lines.at(static_cast<std::size_t>(index)) = std::move(value);
  }
  std::vector<std::string> lines;
};

class PlainComponent : public Plain<TranslatableComponent> {
 public:
  PlainComponent(std::vector<std::string> chain, std::string name)
      : chain_(std::move(chain)), name_(std::move(name)) {}
  std::vector<std::string> ClassChain() const override { return chain_; }
  std::string Name() const override { return name_; }
  std::vector<TranslatableComponent*> Components() const override { return owned; }

  std::vector<TranslatableComponent*> owned;

 private:
  std::vector<std::string> chain_;
  std::string name_;
};

// The options dialog: a caption, a width, a check box, a list view with two columns and a memo.
struct OptionsWindow {
  OptionsWindow() {
    window.texts["Caption"] = "Optionen";
    window.numbers["Width"] = 400;
    window.owned = {&check_box, &list_view, &memo};
    check_box.texts["Caption"] = "SSL verwenden";
    check_box.read_only["Name"] = "cb_ssl";
    first_column.texts["Caption"] = "Name";
    second_column.texts["Caption"] = "Version";
    columns.items = {&first_column, &second_column, nullptr};
    list_view.objects["Columns"] = &columns;
    list_view.objects["Nothing"] = nullptr;
    memo.objects["Lines"] = &lines;
    lines.lines = {"erste", "zweite"};
  }
  PlainComponent window{{"TComponent", "TForm", "Tfrm_optionen"}, "frm_optionen"};
  PlainComponent check_box{{"TComponent", "TCheckBox"}, "cb_ssl"};
  PlainComponent list_view{{"TComponent", "TListView"}, "lv_programs"};
  PlainComponent memo{{"TComponent", "TMemo"}, "memo"};
  PlainCollection columns;
  PlainObject first_column;
  PlainObject second_column;
  PlainStrings lines;
};

}  // namespace lintrove::test
