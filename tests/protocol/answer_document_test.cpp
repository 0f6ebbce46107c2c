#include "protocol/answer_document.h"

#include <gtest/gtest.h>

#include <string>

#include "base/error.h"
#include "inventory/registry_program.h"
#include "protocol/nested_xml.h"
#include "protocol/update_response.h"
#include "protocol/verdict_reader.h"

namespace lintrove {
namespace {

std::string ParseError(std::string_view text) {
  pugi::xml_document document;
  try {
    ParseAnswer(text, document);
  } catch (const AnswerNotXml& error) {
    EXPECT_FALSE(document.first_child()) << "a refused answer leaves no document behind";
    return error.what();
  }
  return "parsed";
}

TEST(AnswerDocumentTest, AnAnswerIsOneWellFormedDocumentOrRefusedWithTheReason) {
  const std::string not_xml = "Die Antwort des Servers ist kein XML-Dokument: ";
  const std::string no_single_root =
      not_xml + "Sie hat nicht genau ein Wurzelelement oder Text außerhalb davon.";
  const struct {
    std::string text;
    std::string error;
  } cases[] = {
      {"<dorvupdater/>", "parsed"},
      {"\xEF\xBB\xBF<?xml version=\"1.0\"?>\r\n<!-- c -->\r\n<r>x</r>\r\n", "parsed"},
      {"<r><a></r>", not_xml + "Start-end tags mismatch (bei Byte 8)."},
      {"<r><a>", not_xml + "Start-end tags mismatch (bei Byte 5)."},
      {"<r a=\"1></r>", not_xml + "Error parsing element attribute (bei Byte 6)."},
      {"<r/><r/>", no_single_root},
      {"<r/>text", no_single_root},
      {"text", no_single_root},
      {"<!-- only a comment -->", no_single_root},
      {"", "Die Antwort des Servers ist leer."},
      {" \r\n\t", "Die Antwort des Servers ist leer."},
  };
  for (const auto& c : cases) EXPECT_EQ(ParseError(c.text), c.error) << c.text;
}

TEST(AnswerDocumentTest, TextContentJoinsTheTextAtEveryDepthInDocumentOrder) {
  const struct {
    std::string xml;
    std::string text;
  } cases[] = {
      {"<a>x</a>", "x"},
      {"<a/>", ""},
      {"<a><b/><c></c></a>", ""},
      {"<a>x<b>y<c/>z</b><![CDATA[w]]><!--comment-->v<?pi data?></a>", "xyzwv"},
      {"<a><b><c>deep</c></b>tail</a>", "deeptail"},
      {"<a><b><c>deep</c></b></a>", "deep"},
  };
  for (const auto& c : cases) {
    pugi::xml_document document;
    ParseAnswer(c.xml, document);
    // The walk stays inside the element it was given.
    pugi::xml_document wrapped;
    ParseAnswer("<w>before" + c.xml + "after</w>", wrapped);
    const pugi::xml_node inner = wrapped.document_element().child("a");
    EXPECT_EQ(TextContent(document.document_element()), c.text) << c.xml;
    EXPECT_EQ(TextContent(inner), c.text) << c.xml;
    // The shortcut answers only where it gives the same text.
    if (const char* only = OnlyText(inner)) {
      EXPECT_EQ(only, c.text) << c.xml;
    }
  }
}

std::string IntegerOrError(auto text) {
  try {
    return std::to_string(AnswerInteger(text));
  } catch (const Error& error) {
    return error.what();
  }
}

TEST(AnswerDocumentTest, AnIntegerIsPlainDecimalOf32BitsWhicheverWayTheTextIsGiven) {
  const struct {
    std::string text;
    std::string result;
  } cases[] = {
      {"0", "0"},
      {"7", "7"},
      {"-0", "0"},
      {"007", "7"},
      {"2147483647", "2147483647"},
      {"-2147483648", "-2147483648"},
      {"2147483648", "'2147483648' is not a valid integer value"},
      {"-2147483649", "'-2147483649' is not a valid integer value"},
      {"99999999999999999999999", "'99999999999999999999999' is not a valid integer value"},
      {"", "'' is not a valid integer value"},
      {"-", "'-' is not a valid integer value"},
      {"+1", "'+1' is not a valid integer value"},
      {" 1", "' 1' is not a valid integer value"},
      {"1 ", "'1 ' is not a valid integer value"},
      {"1a", "'1a' is not a valid integer value"},
      {"0x10", "'0x10' is not a valid integer value"},
      {"--1", "'--1' is not a valid integer value"},
      {"1-", "'1-' is not a valid integer value"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(IntegerOrError(std::string_view(c.text)), c.result) << c.text;
    EXPECT_EQ(IntegerOrError(c.text.c_str()), c.result) << c.text;
  }
}

using test::Nested;

TEST(AnswerDocumentTest, DeeplyNestedAnswersAreReadWithoutOverflowingTheStack) {
  pugi::xml_document verdicts;
  ParseAnswer("<dorvupdater>" + Nested("") +
                  "<ProgrammVersionliste><Programm ID=\"0\" Status=\"supported\" Hash=\"h\" "
                  "CurrentVersionId=\"1\" str_hersteller=\"v\" str_homepage=\"w\"><Version>"
                  "<str_versionsname>" +
                  Nested("2.0") + "</str_versionsname><int_version>" + Nested("7") +
                  "</int_version></Version>" + Nested("<Version/>") +
                  "</Programm></ProgrammVersionliste></dorvupdater>",
              verdicts);
  VerdictList records;
  auto record = std::make_unique<ProgramVerdict>();
  record->program = std::make_unique<RegistryProgram>();
  ProgramRefList sent;
  sent.Add(record->program.get());
  ProgramVerdict& read = *record;
  records.Add(std::move(record));
  VerdictReader::ReadVerdicts(sent, verdicts, records);
  ASSERT_EQ(read.versions.Count(), 1);
  EXPECT_EQ(read.versions.Items(0).str_versionsname, "2.0");
  EXPECT_EQ(read.versions.Items(0).int_version, 7);

  pugi::xml_document update;
  ParseAnswer("<r><currentversion>" + Nested("1.5.0.0") +
                  "</currentversion><downloadurl>d</downloadurl>" +
                  Nested("<forceupdate>" + Nested("true") + "</forceupdate>") + "<infopage>" +
                  Nested("") + "</infopage></r>",
              update);
  UpdateResponse response;
  UpdateResponseReader::Parse(update, response);
  EXPECT_EQ(response.currentversion, "1.5.0.0");
  EXPECT_EQ(response.downloadurl, "d");
  EXPECT_TRUE(response.forceupdate);
  EXPECT_EQ(response.infopage, "");
}

}  // namespace
}  // namespace lintrove
