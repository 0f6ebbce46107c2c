// The reader walks the answer once. These tests hold it against a reading that follows the path
// expressions literally — one search of the records and one evaluation of the versions path over
// the whole document per verdict — on many generated answers.
#include <gtest/gtest.h>

#include <map>
#include <random>
#include <sstream>
#include <string>

#include "base/error.h"
#include "inventory/registry_program.h"
#include "protocol/answer_document.h"
#include "protocol/verdict_reader.h"

namespace lintrove {
namespace {

void ReadLiterally(const ProgramRefList& sent, const pugi::xml_document& answer,
                   VerdictList& records) {
  for (pugi::xpath_node node : answer.select_nodes("/dorvupdater/ProgrammVersionliste/Programm")) {
    const pugi::xml_node verdict = node.node();
    if (!verdict.attribute("ID")) throw Error("missing");
    const std::int32_t position = AnswerInteger(std::string_view(verdict.attribute("ID").value()));
    ProgramVerdict* record = nullptr;
    for (const auto& candidate : records) {
      if (candidate->program.get() == &sent.Items(position)) {
        record = candidate.get();
        break;
      }
    }
    if (record == nullptr) throw Error("Komischer Fehler #123");
    record->versions.Clear();
    if (!verdict.attribute("Status")) throw Error("missing");
    if (std::string(verdict.attribute("Status").value()) != "supported") {
      record->status = ProgramStatus::Unsupported;
      continue;
    }
    record->status = ProgramStatus::Current;
    record->current_version = std::make_unique<OfferedVersion>();
    record->hash = verdict.attribute("Hash").value();
    record->current_version->int_version =
        AnswerInteger(std::string_view(verdict.attribute("CurrentVersionId").value()));
    record->vendor = verdict.attribute("str_hersteller").value();
    record->homepage = verdict.attribute("str_homepage").value();
    const std::string path =
        "/dorvupdater/ProgrammVersionliste/Programm[@ID=" + std::to_string(position) + "]/Version";
    for (pugi::xpath_node version_node : answer.select_nodes(path.c_str())) {
      auto version = std::make_unique<OfferedVersion>();
      PropertyReader::ReadProperties(version_node.node(), *version);
      record->versions.Add(std::move(version));
    }
    if (record->versions.Count() > 0) record->status = ProgramStatus::NewVersion;
  }
}

std::string Describe(const VerdictList& records) {
  std::ostringstream out;
  for (const auto& record : records) {
    out << static_cast<int>(record->status) << ' ' << record->hash << ' '
        << (record->current_version ? record->current_version->int_version : -1) << ' '
        << record->vendor << ' ' << record->homepage << " [";
    for (const auto& version : record->versions) {
      out << version->str_versionsname << '/' << version->int_version << ' ';
    }
    out << "]\n";
  }
  return out.str();
}

// A verdict on a program of a list of `sent` programs, now and then an odd one.
std::string RandomVerdict(std::mt19937& random, int sent, int& version_number) {
  auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
  const int id = pick(sent);
  const std::string id_texts[] = {std::to_string(id), std::to_string(id), std::to_string(id),
                                  "0" + std::to_string(id)};
  std::string element = "<Programm ID=\"" + id_texts[pick(4)] + "\"";
  if (pick(3) == 0) return element + " Status=\"unsupported\"/>";
  element += " Status=\"supported\" Hash=\"h" + std::to_string(pick(100)) +
             "\" CurrentVersionId=\"" + std::to_string(pick(1000)) +
             "\" str_hersteller=\"v\" str_homepage=\"w" + std::to_string(pick(9)) + "\">";
  for (int v = pick(4); v > 0; --v) {
    ++version_number;
    element += "<Version><str_versionsname>" + std::to_string(version_number) +
               "</str_versionsname><int_version>" + std::to_string(version_number) +
               "</int_version></Version>";
  }
  return element + "</Programm>";
}

TEST(VerdictReaderEquivalenceTest, OnePassReadsAsThePathExpressionsDo) {
  std::mt19937 random(20261210);
  constexpr int kPrograms = 12;
  std::map<std::string, int> outcomes;
  for (int round = 0; round < 300; ++round) {
    int version_number = 0;
    std::string answer = "<dorvupdater>";
    for (int list = 1 + static_cast<int>(random() % 2); list > 0; --list) {
      answer += "<ProgrammVersionliste>";
      for (int n = static_cast<int>(random() % 8); n > 0; --n) {
        answer += RandomVerdict(random, kPrograms, version_number);
      }
      answer += "</ProgrammVersionliste>";
    }
    answer += "</dorvupdater>";
    pugi::xml_document document;
    ParseAnswer(answer, document);

    VerdictList one_pass;
    VerdictList literal;
    ProgramRefList sent_one_pass;
    ProgramRefList sent_literal;
    // Records for all but the last program sent, whose verdicts are the odd error.
    RegistryProgram without_record;
    for (int i = 0; i + 1 < kPrograms; ++i) {
      for (auto* records : {&one_pass, &literal}) {
        auto record = std::make_unique<ProgramVerdict>();
        record->program = std::make_unique<RegistryProgram>();
        (records == &one_pass ? sent_one_pass : sent_literal).Add(record->program.get());
        records->Add(std::move(record));
      }
    }
    sent_one_pass.Add(&without_record);
    sent_literal.Add(&without_record);
    std::string one_pass_error = "none";
    std::string literal_error = "none";
    try {
      VerdictReader::ReadVerdicts(sent_one_pass, document, one_pass);
    } catch (const Error& error) {
      one_pass_error = error.what();
    }
    try {
      ReadLiterally(sent_literal, document, literal);
    } catch (const Error& error) {
      literal_error = error.what();
    }
    ASSERT_EQ(one_pass_error, literal_error) << answer;
    ASSERT_EQ(Describe(one_pass), Describe(literal)) << answer;
    ++outcomes[one_pass_error == "none" ? "read" : "error"];
  }
  // Both ways out were taken often.
  EXPECT_GT(outcomes["read"], 50);
  EXPECT_GT(outcomes["error"], 50);
}

}  // namespace
}  // namespace lintrove
