#include "protocol/verdict_reader.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/error.h"
#include "inventory/registry_program.h"
#include "protocol/answer_document.h"

namespace lintrove {
namespace {

// The records of a scan of `count` programs named P0, P1, ..., and the list sent to the
// service, which holds the programs of the records given, in that order.
class VerdictReaderTest : public testing::Test {
 protected:
  void Scan(int count) {
    for (int i = 0; i < count; ++i) {
      auto program = std::make_unique<RegistryProgram>();
      program->DisplayName = "P" + std::to_string(i);
      program->URLInfoAbout = "https://p" + std::to_string(i) + ".example.org";
      auto record = std::make_unique<ProgramVerdict>();
      record->program = std::move(program);
      records_.Add(std::move(record));
    }
  }
  void Send(std::initializer_list<int> record_indexes) {
    for (int index : record_indexes) sent_->Add(records_.Items(index).program.get());
  }
  void Read(std::string_view answer) {
    pugi::xml_document document;
    ParseAnswer(answer, document);
    VerdictReader::ReadVerdicts(*sent_, document, records_);
  }
  std::string ErrorOfRead(std::string_view answer) {
    try {
      Read(answer);
    } catch (const Error& error) {
      return error.what();
    }
    return "no error";
  }
  void Reset() {
    sent_ = std::make_unique<ProgramRefList>();
    records_.Clear();
  }
  ProgramVerdict& Record(int index) { return records_.Items(index); }
  std::vector<std::string> VersionNames(int index) {
    std::vector<std::string> names;
    for (const auto& version : Record(index).versions) names.push_back(version->str_versionsname);
    return names;
  }

  RegistryProgram stray_;
  VerdictList records_;
  std::unique_ptr<ProgramRefList> sent_ = std::make_unique<ProgramRefList>();
};

std::string Answer(std::string_view programme) {
  return "<dorvupdater><ProgrammVersionliste>" + std::string(programme) +
         "</ProgrammVersionliste></dorvupdater>";
}

std::string Supported(int id, std::string_view versions = {}, std::string_view hash = "h") {
  return "<Programm ID=\"" + std::to_string(id) + "\" Status=\"supported\" Hash=\"" +
         std::string(hash) + "\" CurrentVersionId=\"" + std::to_string(100 + id) +
         "\" str_hersteller=\"Hersteller " + std::to_string(id) +
         "\" str_homepage=\"https://vendor" + std::to_string(id) + ".example.org\">" +
         std::string(versions) + "</Programm>";
}

std::string Version(std::string_view name) {
  return "<Version><str_versionsname>" + std::string(name) + "</str_versionsname></Version>";
}

TEST_F(VerdictReaderTest, ReadsStatusDataAndVersionsOfEachProgramSent) {
  Scan(2);
  Send({0, 1});
  Read(Answer(
      "<Programm ID=\"0\" Status=\"unknown\"/>"
      "<Programm ID=\"1\" Status=\"supported\" Hash=\"ab12\" CurrentVersionId=\"4711\" "
      "str_hersteller=\"Dorv &amp; Söhne\" str_homepage=\"https://dorv.example.org\">"
      "<Version><str_versionsname>2.0 Größe</str_versionsname><int_version>4712</int_version>"
      "<fk_int_programm>17</fk_int_programm><int_trusted>1</int_trusted>"
      "<int_published>-1</int_published><int_version_1>2</int_version_1>"
      "<int_version_2>0</int_version_2><int_version_3>3</int_version_3>"
      "<int_version_4>4</int_version_4><int_version_5>5</int_version_5></Version>"
      "</Programm>"));

  EXPECT_EQ(Record(0).status, ProgramStatus::Unsupported);
  EXPECT_EQ(Record(0).current_version, nullptr);
  EXPECT_EQ(Record(0).versions.Count(), 0);

  const ProgramVerdict& known = Record(1);
  EXPECT_EQ(known.status, ProgramStatus::NewVersion);
  EXPECT_EQ(known.hash, "ab12");
  ASSERT_NE(known.current_version, nullptr);
  EXPECT_EQ(known.current_version->int_version, 4711);
  EXPECT_EQ(known.current_version->str_versionsname, "");
  EXPECT_EQ(known.vendor, "Dorv & Söhne");
  EXPECT_EQ(known.Homepage(), "https://dorv.example.org");
  EXPECT_EQ(known.DisplayName(), "P1");
  ASSERT_EQ(known.versions.Count(), 1);
  const OfferedVersion& version = known.versions.Items(0);
  EXPECT_EQ(version.str_versionsname, "2.0 Größe");
  EXPECT_EQ(version.int_version, 4712);
  EXPECT_EQ(version.fk_int_programm, 17);
  EXPECT_EQ(version.int_trusted, 1);
  EXPECT_EQ(version.int_published, -1);
  EXPECT_EQ(std::vector<int>({version.int_version_1, version.int_version_2, version.int_version_3,
                              version.int_version_4, version.int_version_5}),
            std::vector<int>({2, 0, 3, 4, 5}));
}

TEST_F(VerdictReaderTest, StatusFollowsTheStatusTextAndTheVersionsOffered) {
  const struct {
    std::string element;
    ProgramStatus status;
    std::vector<std::string> versions;
  } cases[] = {
      {Supported(0), ProgramStatus::Current, {}},
      {Supported(0, Version("2.0") + Version("1.9")), ProgramStatus::NewVersion, {"2.0", "1.9"}},
      {"<Programm ID=\"0\" Status=\"Supported\" Hash=\"h\" CurrentVersionId=\"1\" "
       "str_hersteller=\"\" str_homepage=\"\">" +
           Version("9") + "</Programm>",
       ProgramStatus::Unsupported,
       {}},
      {"<Programm ID=\"0\" Status=\"\"/>", ProgramStatus::Unsupported, {}},
  };
  for (const auto& c : cases) {
    Reset();
    Scan(1);
    Send({0});
    Read(Answer(c.element));
    EXPECT_EQ(Record(0).status, c.status) << c.element;
    EXPECT_EQ(VersionNames(0), c.versions) << c.element;
  }
}

TEST_F(VerdictReaderTest, OnlyTheRecordsNamedChange) {
  Scan(4);
  Send({3, 1, 2});  // record 0 is ignored by the user; record 2 is sent but not answered
  Read(Answer(Supported(1, "", "second sent") + Supported(0, "", "first sent")));
  EXPECT_EQ(Record(0).status, ProgramStatus::Unknown);
  EXPECT_EQ(Record(2).status, ProgramStatus::Unknown);
  EXPECT_EQ(Record(3).status, ProgramStatus::Current);
  EXPECT_EQ(Record(3).hash, "first sent");
  EXPECT_EQ(Record(1).status, ProgramStatus::Current);
  EXPECT_EQ(Record(1).hash, "second sent");
}

TEST_F(VerdictReaderTest, RecordIsFoundByTheVeryProgramNotAnEqualOne) {
  Scan(2);
  // Two records of the same program as far as the eye sees; the second one was sent.
  dynamic_cast<RegistryProgram&>(*Record(1).program).DisplayName = "P0";
  Send({1});
  Read(Answer(Supported(0)));
  EXPECT_EQ(Record(0).status, ProgramStatus::Unknown);
  EXPECT_EQ(Record(1).status, ProgramStatus::Current);
}

TEST_F(VerdictReaderTest, UnsupportedAfterNewVersionKeepsTheEarlierVerdictData) {
  Scan(1);
  Send({0});
  Read(Answer(Supported(0, Version("2.0"), "old hash")));
  ASSERT_EQ(Record(0).status, ProgramStatus::NewVersion);
  Read(Answer("<Programm ID=\"0\" Status=\"unsupported\"/>"));
  EXPECT_EQ(Record(0).status, ProgramStatus::Unsupported);
  EXPECT_EQ(Record(0).versions.Count(), 0);
  EXPECT_EQ(Record(0).hash, "old hash");
  ASSERT_NE(Record(0).current_version, nullptr);
  EXPECT_EQ(Record(0).current_version->int_version, 100);
  EXPECT_EQ(Record(0).vendor, "Hersteller 0");
  EXPECT_EQ(Record(0).Homepage(), "https://vendor0.example.org");
}

TEST_F(VerdictReaderTest, LaterElementOfAnIdDecidesWithTheVersionsOfBoth) {
  Scan(2);
  Send({0, 1});
  Read(Answer(Supported(1, Version("a1") + Version("a2"), "first") + Supported(0) +
              Supported(1, Version("b1"), "second")));
  EXPECT_EQ(Record(1).status, ProgramStatus::NewVersion);
  EXPECT_EQ(Record(1).hash, "second");
  EXPECT_EQ(VersionNames(1), (std::vector<std::string>{"a1", "a2", "b1"}));

  // A later unsupported element decides as well.
  Read(Answer(Supported(1, Version("a1")) + "<Programm ID=\"1\" Status=\"no\"/>"));
  EXPECT_EQ(Record(1).status, ProgramStatus::Unsupported);
  EXPECT_EQ(Record(1).versions.Count(), 0);
}

TEST_F(VerdictReaderTest, VersionsOfAnIdAreFoundByItsNumberNotItsText) {
  Scan(2);
  Send({0, 1});
  // "01" is the number 1, for the reading of the ID as for the versions that belong to it.
  Read(Answer(Supported(1, Version("a")) + "<Programm ID=\"01\" Status=\"x\">" + Version("b") +
              "</Programm>" + Supported(1, Version("c"))));
  EXPECT_EQ(Record(1).status, ProgramStatus::NewVersion);
  EXPECT_EQ(VersionNames(1), (std::vector<std::string>{"a", "b", "c"}));
  EXPECT_EQ(Record(0).status, ProgramStatus::Unknown);
}

TEST_F(VerdictReaderTest, VersionsFromEveryVerdictListOfTheAnswer) {
  Scan(1);
  Send({0});
  Read("<dorvupdater><ProgrammVersionliste>" + Supported(0, Version("a")) +
       "</ProgrammVersionliste><other>" + Supported(0, Version("not read")) +
       "</other><ProgrammVersionliste><Programm ID=\"0\" Status=\"x\">" + Version("b") +
       "</Programm></ProgrammVersionliste></dorvupdater>");
  // The later element (unsupported) decides.
  EXPECT_EQ(Record(0).status, ProgramStatus::Unsupported);
  Read("<dorvupdater><ProgrammVersionliste>" + Supported(0, Version("a")) +
       "</ProgrammVersionliste><ProgrammVersionliste><Programm ID=\"0\" Status=\"x\">" +
       Version("b") + "</Programm></ProgrammVersionliste><ProgrammVersionliste>" + Supported(0) +
       "</ProgrammVersionliste></dorvupdater>");
  EXPECT_EQ(VersionNames(0), (std::vector<std::string>{"a", "b"}));
}

TEST_F(VerdictReaderTest, MissingVersionElementsKeepZeroAndTheFirstElementCounts) {
  Scan(1);
  Send({0});
  Read(Answer(
      Supported(0,
                "<Version><int_version_1>7</int_version_1><int_version_1>8</int_version_1>"
                "<int_version_2><![CDATA[9]]></int_version_2><unknown>x</unknown></Version>")));
  const OfferedVersion& version = Record(0).versions.Items(0);
  EXPECT_EQ(version.str_versionsname, "");
  EXPECT_EQ(version.int_version_1, 7);
  EXPECT_EQ(version.int_version_2, 9);
  EXPECT_EQ(version.int_version_3, 0);
}

TEST_F(VerdictReaderTest, AnswersWithoutVerdictsChangeNothing) {
  const std::string answers[] = {"<dorvupdater/>",
                                 "<dorvupdater>" + Supported(0) + "</dorvupdater>"};
  for (const std::string& answer : answers) {
    Reset();
    Scan(1);
    Send({0});
    Read(answer);
    EXPECT_EQ(Record(0).status, ProgramStatus::Unknown) << answer;
  }
  // An answer that is no XML document, or not the service's, is a failed exchange, not one
  // without verdicts.
  const struct {
    std::string answer;
    std::string error;
  } failures[] = {
      {"", "Die Antwort des Servers ist leer."},
      {"<html><body>Fehler<br></body></html>", "kein XML-Dokument"},
      {"<html><body><h1>502 Bad Gateway</h1></body></html>",
       "kein Dokument des Dienstes: Ihr Wurzelelement ist <html> statt <dorvupdater>."},
      {"<other><ProgrammVersionliste>" + Supported(0) + "</ProgrammVersionliste></other>",
       "Ihr Wurzelelement ist <other>"},
  };
  for (const auto& failure : failures) {
    Reset();
    Scan(1);
    Send({0});
    EXPECT_THAT(ErrorOfRead(failure.answer), testing::HasSubstr(failure.error)) << failure.answer;
    EXPECT_EQ(Record(0).status, ProgramStatus::Unknown) << failure.answer;
  }
}

TEST_F(VerdictReaderTest, ErrorsEndTheReadingAndKeepWhatWasReadBefore) {
  const struct {
    std::string bad_element;
    std::string error;
  } cases[] = {
      {"<Programm ID=\"x1\" Status=\"supported\"/>", "'x1' is not a valid integer value"},
      {"<Programm ID=\"\" Status=\"supported\"/>", "'' is not a valid integer value"},
      {"<Programm ID=\" 1\" Status=\"supported\"/>", "' 1' is not a valid integer value"},
      {"<Programm ID=\"5\" Status=\"supported\"/>", "Listenindex überschreitet das Maximum (5)"},
      {"<Programm ID=\"-1\" Status=\"supported\"/>", "Listenindex überschreitet das Maximum (-1)"},
      {"<Programm ID=\"1\" Status=\"unsupported\"/>", "Komischer Fehler #123"},
      {"<Programm Status=\"supported\"/>",
       "Der Antwort des Servers fehlt das Attribut 'ID' am Element 'Programm'."},
      {"<Programm ID=\"1\"/>",
       "Der Antwort des Servers fehlt das Attribut 'Status' am Element 'Programm'."},
      {"<Programm ID=\"1\" Status=\"supported\" Hash=\"h\" CurrentVersionId=\"1\" "
       "str_hersteller=\"v\"/>",
       "Der Antwort des Servers fehlt das Attribut 'str_homepage' am Element 'Programm'."},
      {"<Programm ID=\"1\" Status=\"supported\" Hash=\"h\" CurrentVersionId=\"1.0\" "
       "str_hersteller=\"v\" str_homepage=\"\"/>",
       "'1.0' is not a valid integer value"},
      {Supported(1, "<Version><int_version>12a</int_version></Version>"),
       "'12a' is not a valid integer value"},
      {Supported(1, "<Version><int_version_5>99999999999</int_version_5></Version>"),
       "'99999999999' is not a valid integer value"},
  };
  for (const auto& c : cases) {
    Reset();
    Scan(3);
    Send({2});
    // Position 1 holds a program that no record holds for the one error that needs it.
    if (c.error == "Komischer Fehler #123") {
      sent_->Add(&stray_);
    } else {
      Send({0});
    }
    EXPECT_EQ(ErrorOfRead(Answer(Supported(0, Version("first")) + c.bad_element +
                                 "<Programm ID=\"0\" Status=\"never read\"/>")),
              c.error)
        << c.bad_element;
    EXPECT_EQ(Record(2).status, ProgramStatus::NewVersion) << c.bad_element;
    EXPECT_EQ(Record(1).status, ProgramStatus::Unknown) << c.bad_element;
  }
}

TEST_F(VerdictReaderTest, AnswerForAnEmptyRecordListIsAnOddError) {
  RegistryProgram program;
  sent_->Add(&program);
  EXPECT_EQ(ErrorOfRead(Answer("<Programm ID=\"7\" Status=\"supported\"/>")),
            "Komischer Fehler #123");
}

}  // namespace
}  // namespace lintrove
