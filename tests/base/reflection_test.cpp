#include "base/reflection.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "base/date_time.h"
#include "base/error.h"
#include "support/error_of.h"

namespace lintrove {
namespace {

using test::ErrorOf;

enum class Shade : std::uint8_t { Light, Dark, Striped };

class Item : public PublishedClass<Item> {
 public:
  static constexpr std::string_view kClassName = "tItem";

  std::string name;
  std::int32_t tag = 0;

  static constexpr std::array kPublished{
      Publish<&Item::name>("Name"),
      Publish<&Item::tag>("Tag"),
  };
};

class Gadget : public PublishedClass<Gadget, Item> {
 public:
  static constexpr std::string_view kClassName = "tGadget";

  std::string caption;
  std::int32_t count = 0;
  bool enabled = false;
  Shade shade = Shade::Light;
  DateTime stamp = -1.0;
  std::string wide_caption;
  Item* partner = nullptr;

  std::string Summary() const { return caption + " x" + std::to_string(count); }
  std::string Hint() const {
    if (hint_.empty()) throw Error("Kein Hinweis gesetzt");
    return hint_;
  }
  void SetHint(std::string hint) {
    if (hint.empty()) throw Error("Leerer Hinweis");
    hint_ = std::move(hint);
  }

  static constexpr std::array kPublished{
      Publish<&Gadget::caption>("Caption"),
      Publish<&Gadget::count>("Count"),
      Publish<&Gadget::enabled>("Enabled"),
      Publish<&Gadget::shade>("Shade"),
      Publish<&Gadget::stamp>("Stamp"),
      Publish<&Gadget::wide_caption>("WideCaption", PropertyKind::WideText),
      Publish<&Gadget::Summary>("Summary"),
      Publish<&Gadget::Hint, &Gadget::SetHint>("Hint"),
      Publish<&Gadget::partner>("Partner"),
  };

 private:
  std::string hint_;
};

// Adds behaviour but no properties: its table is its parent's, not a second copy of it.
class QuietGadget : public PublishedClass<QuietGadget, Gadget> {
 public:
  static constexpr std::string_view kClassName = "tQuietGadget";
};

// Declares "Tag" again: the new one takes the inherited one's place.
class Label : public PublishedClass<Label, Item> {
 public:
  static constexpr std::string_view kClassName = "tLabel";

  std::string text;

  static constexpr std::array kPublished{
      Publish<&Label::text>("TAG"),
  };
};

class Stranger : public PublishedClass<Stranger> {
 public:
  static constexpr std::string_view kClassName = "tStranger";
};

std::vector<std::string> Names(std::span<const PropertyInfo* const> properties) {
  std::vector<std::string> names;
  for (const PropertyInfo* property : properties) names.emplace_back(property->Name());
  return names;
}

template <typename... Visitors>
struct Overloaded : Visitors... {
  using Visitors::operator()...;
};
template <typename... Visitors>
Overloaded(Visitors...) -> Overloaded<Visitors...>;

// The way the settings store, the XML writer and the translation use the mechanism: one
// function, any published class.
std::string DescribeAll(const Published& object) {
  std::string out;
  for (const PropertyInfo* property : object.PublishedClassInfo().Properties()) {
    out += property->Name();
    out += '=';
    out += std::visit(
        Overloaded{[](const std::string& text) { return '"' + text + '"'; },
                   [](std::int32_t number) { return std::to_string(number); },
                   [](bool flag) { return std::string(flag ? "true" : "false"); },
                   [](Ordinal ordinal) { return "#" + std::to_string(ordinal.value); },
                   [](double number) { return std::to_string(number); },
                   [](Published* target) {
                     return target ? std::string(target->PublishedClassInfo().Name()) : "nil";
                   }},
        property->Get(object));
    out += '\n';
  }
  return out;
}

TEST(ReflectionTest, InheritedPropertiesComeFirstInDeclarationOrder) {
  const std::vector<std::string> gadget = {"Name",    "Tag",   "Caption", "Count",
                                           "Enabled", "Shade", "Stamp",   "WideCaption",
                                           "Summary", "Hint",  "Partner"};
  EXPECT_EQ(Names(Gadget::StaticClassInfo().Properties()), gadget);
  EXPECT_EQ(Names(QuietGadget::StaticClassInfo().Properties()), gadget);
  EXPECT_TRUE(QuietGadget::StaticClassInfo().OwnProperties().empty());
  EXPECT_EQ(Gadget::StaticClassInfo().OwnProperties().size(), 9u);
  EXPECT_EQ(Names(Item::StaticClassInfo().Properties()), (std::vector<std::string>{"Name", "Tag"}));

  const ClassInfo& label = Label::StaticClassInfo();
  EXPECT_EQ(Names(label.Properties()), (std::vector<std::string>{"Name", "TAG"}));
  EXPECT_EQ(label.FindProperty("TAG")->Kind(), PropertyKind::NarrowText);
  EXPECT_EQ(label.FindProperty("Tag"), nullptr);
}

TEST(ReflectionTest, KindsFollowTheMemberTypes) {
  const std::vector<std::pair<std::string_view, PropertyKind>> expected = {
      {"Name", PropertyKind::NarrowText},    {"Tag", PropertyKind::Integer},
      {"Caption", PropertyKind::NarrowText}, {"Count", PropertyKind::Integer},
      {"Enabled", PropertyKind::Boolean},    {"Shade", PropertyKind::Enumeration},
      {"Stamp", PropertyKind::Float},        {"WideCaption", PropertyKind::WideText},
      {"Summary", PropertyKind::NarrowText}, {"Hint", PropertyKind::NarrowText},
      {"Partner", PropertyKind::Object},
  };
  const ClassInfo& info = Gadget::StaticClassInfo();
  for (const auto& [name, kind] : expected) {
    const PropertyInfo* property = info.FindProperty(name);
    ASSERT_NE(property, nullptr) << name;
    EXPECT_EQ(property->Kind(), kind) << name;
    EXPECT_EQ(property->IsWritable(), name != "Summary") << name;
  }
}

TEST(ReflectionTest, ValuesRoundTripThroughTheErasedInterface) {
  Gadget gadget;
  Item partner;
  const ClassInfo& info = gadget.PublishedClassInfo();
  const std::vector<std::pair<std::string_view, PropertyValue>> values = {
      {"Name", std::string("Zange")},
      {"Tag", std::int32_t{-7}},
      {"Caption", std::string("Größe")},
      {"Count", std::int32_t{2147483647}},
      {"Enabled", true},
      {"Shade", Ordinal{2}},
      {"Stamp", 46365.25},
      {"WideCaption", std::string("日本語")},
      {"Hint", std::string("Vorsicht")},
      {"Partner", static_cast<Published*>(&partner)},
  };
  for (const auto& [name, value] : values) info.FindProperty(name)->Set(gadget, value);

  for (const auto& [name, value] : values) {
    EXPECT_EQ(info.FindProperty(name)->Get(gadget), value) << name;
  }
  // The members themselves changed, not a copy.
  EXPECT_EQ(gadget.name, "Zange");
  EXPECT_EQ(gadget.shade, Shade::Striped);
  EXPECT_EQ(gadget.stamp, 46365.25);
  EXPECT_EQ(gadget.partner, &partner);
  EXPECT_EQ(gadget.Hint(), "Vorsicht");
  EXPECT_EQ(info.FindProperty("Summary")->GetText(gadget), "Größe x2147483647");
}

TEST(ReflectionTest, TypedAccessorsReachTheSameMembers) {
  Gadget gadget;
  QuietGadget other;
  const ClassInfo& info = Gadget::StaticClassInfo();
  info.FindProperty("Caption")->SetText(gadget, "Hebel");
  info.FindProperty("Count")->SetInteger(gadget, 3);
  info.FindProperty("Enabled")->SetBoolean(gadget, true);
  info.FindProperty("Shade")->SetOrdinal(gadget, 1);
  info.FindProperty("Stamp")->SetFloat(gadget, -1.25);
  info.FindProperty("Partner")->SetReference(gadget, &other);

  EXPECT_EQ(info.FindProperty("Caption")->GetText(gadget), "Hebel");
  EXPECT_EQ(info.FindProperty("Count")->GetInteger(gadget), 3);
  EXPECT_TRUE(info.FindProperty("Enabled")->GetBoolean(gadget));
  EXPECT_EQ(info.FindProperty("Shade")->GetOrdinal(gadget), 1);
  EXPECT_EQ(gadget.shade, Shade::Dark);
  EXPECT_EQ(info.FindProperty("Stamp")->GetFloat(gadget), -1.25);
  EXPECT_EQ(info.FindProperty("Partner")->GetReference(gadget), &other);

  info.FindProperty("Partner")->SetReference(gadget, nullptr);
  EXPECT_EQ(gadget.partner, nullptr);
}

TEST(ReflectionTest, RefusalsNameTheProperty) {
  Gadget gadget;
  gadget.count = 5;
  Item item;
  Stranger stranger;
  const ClassInfo& info = Gadget::StaticClassInfo();
  const PropertyInfo& summary = *info.FindProperty("Summary");
  const PropertyInfo& count = *info.FindProperty("Count");
  const PropertyInfo& partner = *info.FindProperty("Partner");

  EXPECT_EQ(ErrorOf([&] { summary.SetText(gadget, "x"); }), "Property \"Summary\" is read-only");
  EXPECT_EQ(ErrorOf([&] { count.SetText(gadget, "5"); }),
            "Property \"Count\" of kind Integer cannot hold a text");
  EXPECT_EQ(ErrorOf([&] { count.Set(gadget, Ordinal{5}); }),
            "Property \"Count\" of kind Integer cannot hold an ordinal");
  EXPECT_EQ(ErrorOf([&] { count.GetBoolean(gadget); }),
            "Property \"Count\" of kind Integer cannot hold a Boolean");
  EXPECT_EQ(ErrorOf([&] { info.FindProperty("Enabled")->Set(gadget, std::int32_t{1}); }),
            "Property \"Enabled\" of kind Boolean cannot hold an integer");
  EXPECT_EQ(ErrorOf([&] { count.GetInteger(item); }),
            "Property \"Count\" belongs to class tGadget, not to tItem");
  EXPECT_EQ(ErrorOf([&] { partner.SetReference(gadget, &stranger); }),
            "Property \"Partner\" takes an object of class tItem, not of tStranger");
  // Nothing was changed by a refused call.
  EXPECT_EQ(gadget.count, 5);
  EXPECT_EQ(gadget.partner, nullptr);
}

TEST(ReflectionTest, ErrorsOfGettersAndSettersPassThrough) {
  Gadget gadget;
  const PropertyInfo& hint = *Gadget::StaticClassInfo().FindProperty("Hint");
  EXPECT_EQ(ErrorOf([&] { hint.Get(gadget); }), "Kein Hinweis gesetzt");
  EXPECT_EQ(ErrorOf([&] { hint.SetText(gadget, ""); }), "Leerer Hinweis");
  EXPECT_EQ(ErrorOf([&] { DescribeAll(gadget); }), "Kein Hinweis gesetzt");
}

TEST(ReflectionTest, LookupWithAndWithoutRegardToCase) {
  const ClassInfo& info = QuietGadget::StaticClassInfo();
  EXPECT_EQ(info.FindProperty("WideCaption"), info.FindPropertyIgnoreCase("wIDEcAPTION"));
  EXPECT_NE(info.FindProperty("WideCaption"), nullptr);
  EXPECT_EQ(info.FindProperty("widecaption"), nullptr);
  EXPECT_EQ(info.FindPropertyIgnoreCase("NAME"), info.FindProperty("Name"));
  EXPECT_EQ(info.FindPropertyIgnoreCase("WideCaptio"), nullptr);
  EXPECT_EQ(info.FindPropertyIgnoreCase("WideCaptions"), nullptr);
  EXPECT_EQ(info.FindPropertyIgnoreCase(""), nullptr);
}

TEST(ReflectionTest, ClassChainRunsFromTheMostBasicClassDown) {
  const ClassInfo& item = Item::StaticClassInfo();
  const ClassInfo& gadget = Gadget::StaticClassInfo();
  const ClassInfo& quiet = QuietGadget::StaticClassInfo();
  const ClassInfo& stranger = Stranger::StaticClassInfo();

  EXPECT_EQ(item.Parent(), nullptr);
  EXPECT_EQ(quiet.Parent(), &gadget);
  const std::vector<const ClassInfo*> chain(quiet.Chain().begin(), quiet.Chain().end());
  EXPECT_EQ(chain, (std::vector<const ClassInfo*>{&item, &gadget, &quiet}));

  EXPECT_TRUE(quiet.InheritsFrom(item));
  EXPECT_TRUE(quiet.InheritsFrom(quiet));
  EXPECT_FALSE(item.InheritsFrom(gadget));
  EXPECT_FALSE(stranger.InheritsFrom(item));

  // Reached through a base reference, an object still shows its own class.
  QuietGadget object;
  const Item& as_item = object;
  EXPECT_EQ(as_item.PublishedClassInfo().Name(), "tQuietGadget");
}

TEST(ReflectionTest, OneGenericFunctionServesEveryClass) {
  Item item;
  item.name = "Schraube";
  item.tag = 12;
  EXPECT_EQ(DescribeAll(item), "Name=\"Schraube\"\nTag=12\n");

  QuietGadget gadget;
  gadget.name = "Set";
  gadget.caption = "Werkzeug";
  gadget.count = 2;
  gadget.enabled = true;
  gadget.shade = Shade::Dark;
  gadget.stamp = 36526.5;
  gadget.wide_caption = "Outil";
  gadget.SetHint("leicht");
  gadget.partner = &item;
  EXPECT_EQ(DescribeAll(gadget),
            "Name=\"Set\"\nTag=0\nCaption=\"Werkzeug\"\nCount=2\nEnabled=true\nShade=#1\n"
            "Stamp=36526.500000\nWideCaption=\"Outil\"\nSummary=\"Werkzeug x2\"\n"
            "Hint=\"leicht\"\nPartner=tItem\n");
}

}  // namespace
}  // namespace lintrove
