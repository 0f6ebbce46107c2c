#include "protocol/request_writer.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <sstream>
#include <string>

#include "base/error.h"
#include "protocol/answer_document.h"

namespace lintrove {
namespace {

enum class Colour : std::uint8_t { Red, Green };

// Every kind of property the writer meets, and one whose getter fails.
class Sample : public PublishedClass<Sample> {
 public:
  static constexpr std::string_view kClassName = "TSample";

  std::string name;
  std::int32_t count = 0;
  bool enabled = false;
  Colour colour = Colour::Green;
  double stamp = 1.5;
  std::string wide;
  bool fail_getter = false;

  std::string Fragile() const {
    if (fail_getter) throw Error("kaputt");
    return "heil";
  }

  static constexpr std::array kPublished{
      Publish<&Sample::name>("Name"),
      Publish<&Sample::count>("Count"),
      Publish<&Sample::enabled>("Enabled"),
      Publish<&Sample::colour>("Colour"),
      Publish<&Sample::stamp>("Stamp"),
      Publish<&Sample::Fragile>("Fragile"),
      Publish<&Sample::wide>("Wide", PropertyKind::WideText),
  };
};

std::string Serialised(pugi::xml_node node) {
  std::ostringstream out;
  node.print(out, "", pugi::format_raw | pugi::format_no_empty_element_tags);
  return out.str();
}

std::string WrittenProperties(const Sample& sample) {
  RequestWriter writer;
  pugi::xml_node parent = writer.Root().append_child("Sample");
  RequestWriter::WriteProperties(parent, sample);
  return Serialised(parent);
}

TEST(ClassToXmlTest, RequestTextIsTheDeclarationLineAndTheTreeLine) {
  RequestWriter writer;
  writer.AddCommand(ServiceCommand("step1"));
  EXPECT_EQ(writer.GetXml(),
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
            "<dorvupdater><Command><str_command><![CDATA[step1]]></str_command></Command>"
            "</dorvupdater>\r\n");
}

TEST(ClassToXmlTest, EmptyDocumentIsTheBareRoot) {
  EXPECT_EQ(RequestWriter().GetXml(),
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<dorvupdater></dorvupdater>\r\n");
}

TEST(ClassToXmlTest, CommandWordIsTrimmedAndABlankWordWritesNoProperty) {
  const struct {
    std::string word;
    std::string command_element;
  } cases[] = {
      {"  noop\t", "<Command><str_command><![CDATA[noop]]></str_command></Command>"},
      {"   ", "<Command></Command>"},
      {"", "<Command></Command>"},
  };
  for (const auto& c : cases) {
    RequestWriter writer;
    writer.AddCommand(ServiceCommand(c.word));
    EXPECT_EQ(Serialised(writer.Root().first_child()), c.command_element) << '"' << c.word << '"';
  }
}

TEST(ClassToXmlTest, PropertyKindsFollowTheirRules) {
  Sample sample;
  sample.name = " Zange ";
  sample.count = -42;
  sample.wide = "Größe 日本";
  EXPECT_EQ(WrittenProperties(sample),
            "<Sample>"
            "<Name><![CDATA[Zange]]></Name>"
            "<Count><![CDATA[-42]]></Count>"
            "<Enabled><![CDATA[false]]></Enabled>"
            "<Fragile><![CDATA[heil]]></Fragile>"
            "<Wide><![CDATA[Größe 日本]]></Wide>"
            "</Sample>");

  sample.name = "\r\n\t ";
  sample.enabled = true;
  sample.wide.clear();
  EXPECT_EQ(WrittenProperties(sample),
            "<Sample>"
            "<Count><![CDATA[-42]]></Count>"
            "<Enabled><![CDATA[true]]></Enabled>"
            "<Fragile><![CDATA[heil]]></Fragile>"
            "</Sample>");
}

TEST(ClassToXmlTest, FailingGetterLeavesNoElementAndTheWalkGoesOn) {
  Sample sample;
  sample.fail_getter = true;
  sample.wide = "danach";
  EXPECT_EQ(WrittenProperties(sample),
            "<Sample>"
            "<Count><![CDATA[0]]></Count>"
            "<Enabled><![CDATA[false]]></Enabled>"
            "<Wide><![CDATA[danach]]></Wide>"
            "</Sample>");
}

// What the service reads back must be what was written, whatever the text holds.
TEST(ClassToXmlTest, ValuesReadBackUnchanged) {
  const std::string values[] = {
      "a]]>b", "]]>", "x]]]]>y", "<tag attr=\"1\"> & '", "Zeile 1\nZeile 2", "Größe"};
  for (const std::string& value : values) {
    RequestWriter writer;
    writer.AddCommand(ServiceCommand(value));
    const std::string text = writer.GetXml();
    pugi::xml_document parsed;
    ASSERT_TRUE(parsed.load_string(text.c_str())) << value;
    EXPECT_EQ(TextContent(parsed.select_node("/dorvupdater/Command/str_command").node()), value);
  }
}

TEST(ClassToXmlTest, ControlCharactersInsideAValueKeepTheRequestReadable) {
  RequestWriter writer;
  writer.AddCommand(ServiceCommand("a\x01z\x1fy"));
  pugi::xml_document parsed;
  ASSERT_TRUE(parsed.load_string(writer.GetXml().c_str()));
  EXPECT_EQ(std::string(parsed.select_node("//str_command").node().text().as_string()),
            "a\xEF\xBF\xBDz\xEF\xBF\xBDy");
}

TEST(ClassToXmlTest, LineBreaksInsideTheTreeEndWithCrLf) {
  RequestWriter writer;
  writer.AddCommand(ServiceCommand("eins\nzwei\rdrei\r\nvier"));
  const std::string text = writer.GetXml();
  EXPECT_NE(text.find("eins\r\nzwei\r\ndrei\r\nvier"), std::string::npos) << text;
  EXPECT_TRUE(text.ends_with("</dorvupdater>\r\n"));
}

}  // namespace
}  // namespace lintrove
