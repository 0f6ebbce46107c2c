#include "protocol/update_response.h"

#include <gtest/gtest.h>

#include <string>

#include "base/error.h"
#include "protocol/answer_document.h"

namespace lintrove {
namespace {

pugi::xml_document Parsed(std::string_view text) {
  pugi::xml_document document;
  ParseAnswer(text, document);
  return document;
}

std::string Answer(std::string_view forceupdate) {
  return "<dorvupdater><currentversion>1.4.1.0</currentversion>"
         "<downloadurl>https://example.org/setup-1.4.1.exe</downloadurl>"
         "<forceupdate>" +
         std::string(forceupdate) +
         "</forceupdate><infopage>https://example.org/news</infopage></dorvupdater>";
}

TEST(UpdateResponseTest, ReadsTheFourFields) {
  UpdateResponse response;
  UpdateResponseReader::Parse(Parsed(Answer("false")), response);
  EXPECT_EQ(response.currentversion, "1.4.1.0");
  EXPECT_EQ(response.downloadurl, "https://example.org/setup-1.4.1.exe");
  EXPECT_FALSE(response.forceupdate);
  EXPECT_EQ(response.infopage, "https://example.org/news");
  EXPECT_EQ(response.sha256, "");
}

TEST(UpdateResponseTest, TheSetupChecksumIsReadWhenTheServiceSendsOne) {
  UpdateResponse response;
  response.sha256 = "from an earlier answer";
  std::string answer = Answer("false");
  answer.insert(answer.find("</dorvupdater>"), "<sha256> AB12cd </sha256>");
  UpdateResponseReader::Parse(Parsed(answer), response);
  EXPECT_EQ(response.sha256, "AB12cd");
  UpdateResponseReader::Parse(Parsed(Answer("false")), response);
  EXPECT_EQ(response.sha256, "");
}

TEST(UpdateResponseTest, TheSetupSignatureIsReadWhenTheServiceSendsOne) {
  UpdateResponse response;
  response.signature = "from an earlier answer";
  std::string answer = Answer("false");
  answer.insert(answer.find("</dorvupdater>"), "<signature>\n  0A1b2C  \n</signature>");
  UpdateResponseReader::Parse(Parsed(answer), response);
  EXPECT_EQ(response.signature, "0A1b2C");
  UpdateResponseReader::Parse(Parsed(Answer("false")), response);
  EXPECT_EQ(response.signature, "");
}

TEST(UpdateResponseTest, ForceUpdateIsTrueOnlyForTrueInAnyCase) {
  const struct {
    const char* text;
    bool expected;
  } cases[] = {{"true", true}, {"TRUE", true},   {"True", true}, {"1", false},
               {"yes", false}, {" true", false}, {"", false},    {"false", false}};
  for (const auto& c : cases) {
    UpdateResponse response;
    response.forceupdate = !c.expected;
    UpdateResponseReader::Parse(Parsed(Answer(c.text)), response);
    EXPECT_EQ(response.forceupdate, c.expected) << '"' << c.text << '"';
  }
}

TEST(UpdateResponseTest, ElementsMayStandAnywhereAndTheFirstCounts) {
  UpdateResponse response;
  UpdateResponseReader::Parse(
      Parsed("<answer><a><b><infopage>page</infopage></b></a><currentversion>2.0.0.0"
             "</currentversion><currentversion>9.9.9.9</currentversion><x><downloadurl/></x>"
             "<forceupdate>TRUE</forceupdate></answer>"),
      response);
  EXPECT_EQ(response.currentversion, "2.0.0.0");
  EXPECT_EQ(response.downloadurl, "");
  EXPECT_TRUE(response.forceupdate);
  EXPECT_EQ(response.infopage, "page");
}

TEST(UpdateResponseTest, MissingElementRaisesXmlFehlerAfterTheFieldsBeforeIt) {
  UpdateResponse response;
  response.infopage = "left by the caller";
  EXPECT_THROW(
      try {
        UpdateResponseReader::Parse(
            Parsed("<r><currentversion>1.5.0.0</currentversion><downloadurl>d</downloadurl>"
                   "<forceupdate>true</forceupdate></r>"),
            response);
      } catch (const Error& error) {
        EXPECT_STREQ(error.what(), "XML Fehler");
        throw;
      },
      Error);
  EXPECT_EQ(response.currentversion, "1.5.0.0");
  EXPECT_EQ(response.downloadurl, "d");
  EXPECT_TRUE(response.forceupdate);
  EXPECT_EQ(response.infopage, "");

  // Missing earlier: the fields after it stay as the caller left them.
  UpdateResponse second;
  second.forceupdate = true;
  second.infopage = "kept";
  EXPECT_THROW(
      UpdateResponseReader::Parse(Parsed("<r><currentversion>1</currentversion><forceupdate>false"
                                         "</forceupdate><infopage>i</infopage></r>"),
                                  second),
      Error);
  EXPECT_EQ(second.currentversion, "1");
  EXPECT_EQ(second.downloadurl, "");
  EXPECT_TRUE(second.forceupdate);
  EXPECT_EQ(second.infopage, "kept");
}

TEST(UpdateResponseTest, AnswerThatIsNoXmlFailsBeforeTheRecordIsTouched) {
  UpdateResponse response;
  response.currentversion = "kept";
  EXPECT_THROW(UpdateResponseReader::Parse(Parsed("<html><body>502<br></body></html>"), response),
               AnswerNotXml);
  EXPECT_EQ(response.currentversion, "kept");
}

}  // namespace
}  // namespace lintrove
