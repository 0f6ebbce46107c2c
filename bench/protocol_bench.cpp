// The service protocol at the size of a large machine: writing the "step1" request and reading
// its answer. Reading is measured against a bare parse of the same answer, in the same run.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "inventory/registry_program.h"
#include "protocol/answer_document.h"
#include "protocol/request_documents.h"
#include "protocol/verdict_reader.h"

namespace lintrove {
namespace {

constexpr int kVersionsPerProgram = 3;

// The records of a scan of `count` programs and the list sent, holding all of them.
struct Inventory {
  explicit Inventory(int count) {
    for (int i = 0; i < count; ++i) {
      auto program = std::make_unique<RegistryProgram>();
      const std::string n = std::to_string(i);
      program->DisplayName = "Program " + n;
      program->DisplayVersion = "1." + n + ".0";
      program->InstallLocation = "C:\\Program Files\\Program " + n;
      program->UninstallString = "\"C:\\Program Files\\Program " + n + "\\uninstall.exe\" /S";
      program->Publisher = "Publisher " + std::to_string(i % 97);
      program->URLInfoAbout = "https://example.org/program/" + n;
      program->RegistryKey =
          "{00000000-0000-0000-0000-" + std::string(12 - n.size(), '0') + n + "}";
      auto record = std::make_unique<ProgramVerdict>();
      record->program = std::move(program);
      sent.Add(record->program.get());
      records.Add(std::move(record));
    }
  }
  VerdictList records;
  ProgramRefList sent;
};

ClientFacts Facts() {
  return {"1.4.0.0", "{0F8FAD5B-D9CB-469F-A165-70867728950E}",
          0x0407,    "10.0.19045 2",
          true,      true,
          false,     ""};
}

// Every program supported, with three newer versions.
std::string Answer(int count) {
  std::string text =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<dorvupdater><ProgrammVersionliste>";
  for (int i = 0; i < count; ++i) {
    const std::string n = std::to_string(i);
    text += "<Programm ID=\"" + n + "\" Status=\"supported\" Hash=\"" + std::string(32, 'a') +
            "\" CurrentVersionId=\"" + n + "\" str_hersteller=\"Publisher " + n +
            "\" str_homepage=\"https://example.org/program/" + n + "\">";
    for (int v = 0; v < kVersionsPerProgram; ++v) {
      const std::string part = std::to_string(v + 2);
      text += "<Version><str_versionsname>" + part + "." + n +
              ".0</str_versionsname><int_version>" + n + part + "</int_version><fk_int_programm>" +
              n +
              "</fk_int_programm><int_trusted>1</int_trusted><int_published>1</int_published>"
              "<int_version_1>" +
              part + "</int_version_1><int_version_2>" + n +
              "</int_version_2><int_version_3>0</int_version_3><int_version_4>0</int_version_4>"
              "<int_version_5>0</int_version_5></Version>";
    }
    text += "</Programm>";
  }
  return text + "</ProgrammVersionliste></dorvupdater>\r\n";
}

void BM_BuildStep1Request(benchmark::State& state) {
  const Inventory inventory(static_cast<int>(state.range(0)));
  const ClientFacts facts = Facts();
  for (auto _ : state) {
    benchmark::DoNotOptimize(BuildStep1Request(inventory.sent, facts));
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_ParseAnswerBare(benchmark::State& state) {
  const std::string text = Answer(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    pugi::xml_document document;
    benchmark::DoNotOptimize(document.load_buffer(text.data(), text.size()));
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(text.size()));
}

// What the update check does with the answer: parse it and read the verdicts into the records.
void BM_ParseAndReadVerdicts(benchmark::State& state) {
  Inventory inventory(static_cast<int>(state.range(0)));
  const std::string text = Answer(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    pugi::xml_document document;
    ParseAnswer(text, document);
    VerdictReader::ReadVerdicts(inventory.sent, document, inventory.records);
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(text.size()));
}

// The reading alone, on a document parsed once.
void BM_ReadVerdicts(benchmark::State& state) {
  Inventory inventory(static_cast<int>(state.range(0)));
  pugi::xml_document document;
  ParseAnswer(Answer(static_cast<int>(state.range(0))), document);
  for (auto _ : state) {
    VerdictReader::ReadVerdicts(inventory.sent, document, inventory.records);
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

BENCHMARK(BM_BuildStep1Request)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ParseAnswerBare)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ParseAndReadVerdicts)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadVerdicts)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace lintrove

BENCHMARK_MAIN();
