// libFuzzer target for what the client does with a service answer: parse it as the transport
// does, read the verdicts on the programs sent and read it as an answer to the update check.
// Whatever the bytes, each step must end in a result or a lintrove::Error.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

#include <pugixml.hpp>

#include "base/error.h"
#include "inventory/registry_program.h"
#include "protocol/answer_document.h"
#include "protocol/update_response.h"
#include "protocol/verdict_reader.h"

namespace {

// Three programs sent with a record each, and a fourth sent without one, so that an answer can
// name a position with no record.
constexpr int kRecorded = 3;

struct Check {
  Check() {
    for (int i = 0; i < kRecorded; ++i) {
      auto record = std::make_unique<lintrove::ProgramVerdict>();
      record->program = std::make_unique<lintrove::RegistryProgram>();
      sent.Add(record->program.get());
      records.Add(std::move(record));
    }
    sent.Add(&stray);
  }
  lintrove::RegistryProgram stray;
  lintrove::VerdictList records;
  lintrove::ProgramRefList sent;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  pugi::xml_document answer;
  try {
    lintrove::ParseAnswer(std::string_view(reinterpret_cast<const char*>(data), size), answer);
  } catch (const lintrove::Error&) {
    return 0;
  }
  try {
    Check check;
    lintrove::VerdictReader::ReadVerdicts(check.sent, answer, check.records);
  } catch (const lintrove::Error&) {
  }
  try {
    lintrove::UpdateResponse response;
    lintrove::UpdateResponseReader::Parse(answer, response);
  } catch (const lintrove::Error&) {
  }
  lintrove::TextContent(answer.document_element());
  return 0;
}
