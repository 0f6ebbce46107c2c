#include "flows/update_check_flow.h"

#include "base/date_time.h"
#include "platform/client_version.h"
#include "protocol/verdict_reader.h"
#include "protocol/version_compare.h"

namespace lintrove {

int CompareWithThisClient(const UpdateResponse& response) {
  return VersionComparison::Compare(ClientVersion(), response.currentversion);
}

UpdateResponse AskForNewerClient(ServiceTransport& transport, const ClientFacts& facts) {
  EnsureServiceReachable(transport);
  UpdateResponse response;
  UpdateResponseReader::Parse(*transport.Send(BuildUpdatecheckRequest(facts)), response);
  return response;
}

UpdateCheckResult RunUpdateCheck(ServiceTransport& transport, ClientSettings& client,
                                 const ProgramRefList& sent, VerdictList& records,
                                 const SelfUpdateQuestion& ask,
                                 platform::RegistryBackend* checked) {
  const ClientFacts facts = CurrentClientFacts(client);
  const UpdateResponse response = AskForNewerClient(transport, facts);
  if (ask && CompareWithThisClient(response) < 0 && ask(response) == SelfUpdateChoice::Stop) {
    return UpdateCheckResult::Stopped;
  }
  const ClientFacts sent_facts = checked ? FactsOfCheckedMachine(facts, *checked) : facts;
  VerdictReader::ReadVerdicts(sent, *transport.Send(BuildStep1Request(sent, sent_facts)), records);
  client.dat_lastcheck = Now();
  return UpdateCheckResult::Completed;
}

ProgramRefList ProgramsToSend(std::span<const ProgramVerdict* const> records,
                              const IgnoreMarks& marks) {
  ProgramRefList sent;
  for (const ProgramVerdict* record : records) {
    if (!marks.IsIgnored(record->program->GetIdentifier())) sent.Add(record->program.get());
  }
  return sent;
}

ProgramRefList ProgramsToSend(const VerdictList& records, const IgnoreMarks& marks) {
  std::vector<const ProgramVerdict*> sorted;
  sorted.reserve(static_cast<std::size_t>(records.Count()));
  for (const auto& record : records) sorted.push_back(record.get());
  SortByDisplayName(sorted);
  return ProgramsToSend(sorted, marks);
}

}  // namespace lintrove
