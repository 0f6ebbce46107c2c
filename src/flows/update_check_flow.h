#pragma once

#include <functional>
#include <span>

#include "base/progress.h"
#include "protocol/request_documents.h"
#include "protocol/transport.h"
#include "protocol/update_response.h"
#include "protocol/verdict_records.h"
#include "settings/client_settings.h"
#include "settings/ignore_marks.h"

namespace lintrove {

// How this client's version compares with the newest the service names: -1 older, 0 equal,
// 1 newer.
int CompareWithThisClient(const UpdateResponse& response);

// The first half of every exchange about the client itself: the service must answer "noop"
// (else the connection message), then "updatecheck" is asked and its answer read.
UpdateResponse AskForNewerClient(ServiceTransport& transport, const ClientFacts& facts);

// What the caller answers when the service offers a newer client than this one.
enum class SelfUpdateChoice {
  GoOn,  // later: the check goes on
  Stop,  // update now (which ends the client) or cancel: the check ends here
};
using SelfUpdateQuestion = std::function<SelfUpdateChoice(const UpdateResponse& response)>;

enum class UpdateCheckResult { Completed, Stopped };

// The update check through one transport: noop, updatecheck, step1. The programs of `sent` go
// to the service in that order (their positions are their IDs) and the answer's verdicts go
// into the records holding them. When the service offers a newer client, `ask` decides whether
// the check goes on; unset, it goes on.
//
// `checked` is the machine whose programs are sent, when it is not the one whose registry holds
// the settings (a Wine prefix): "step1" then carries its Windows version and 64-bit flag, while
// the question for a newer client stays about this client's own system.
//
// Completed: the verdicts are read and client.dat_lastcheck is now. Stopped: nothing changed.
// Errors end the check: a service that does not answer "noop" with the connection message,
// everything later with its own; dat_lastcheck then stays, though records read before the
// error keep their verdicts. The caller stores the settings.
UpdateCheckResult RunUpdateCheck(ServiceTransport& transport, ClientSettings& client,
                                 const ProgramRefList& sent, VerdictList& records,
                                 const SelfUpdateQuestion& ask,
                                 platform::RegistryBackend* checked = nullptr);

// The programs an update check sends: those of the records in the order given (the list's
// order), less the ignored ones.
ProgramRefList ProgramsToSend(std::span<const ProgramVerdict* const> records,
                              const IgnoreMarks& marks);
// The same in the program list's order, by display name: what the desktop client and
// lintrove-cli send of a scan's records.
ProgramRefList ProgramsToSend(const VerdictList& records, const IgnoreMarks& marks);

}  // namespace lintrove
