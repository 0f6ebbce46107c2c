#include "protocol/answer_document.h"

#include <gtest/gtest.h>

#include <string>

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

}  // namespace
}  // namespace lintrove
