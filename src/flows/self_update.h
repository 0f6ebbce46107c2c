#pragma once

#include <filesystem>
#include <functional>
#include <string>

#include "base/progress.h"
#include "flows/update_check_flow.h"
#include "platform/http.h"
#include "platform/shell.h"
#include "protocol/transport.h"
#include "protocol/update_response.h"

namespace lintrove {

// The service's answer as the user is shown it.
struct SelfUpdateOffer {
  const UpdateResponse& response;
  // Asked for from the menu: the answer is shown whatever the versions are, and the user closes
  // it; within an update check only a newer client is offered, and "later" lets the check go on.
  bool manual = false;
  // This client against the service's newest: -1 older, 0 equal, 1 newer.
  int comparison = 0;
};

enum class SelfUpdateAnswer {
  UpdateNow,  // download the setup and start it
  Later,      // within an update check: go on with it
  Close,      // cancel the check, or close the menu's answer
};

// What a front end does for the self-update. `ask` shows the offer and returns the user's answer;
// `download` receives the setup download's reports (and may cancel it); `inform` shows a message
// the user confirms. All three are called on the thread that runs the flow.
struct SelfUpdateFrontEnd {
  std::function<SelfUpdateAnswer(const SelfUpdateOffer& offer)> ask;
  ProgressObserver* download = nullptr;
  std::function<void(const std::string& message)> inform;
};

// What the self-update needs of this machine: the transfer for the download, the shell that
// starts the setup, and where the setup is saved.
struct SelfUpdateMachine {
  platform::Http& http;
  platform::Shell& shell;
  std::filesystem::path download_directory;
};

enum class SelfUpdateOutcome {
  GoOn,             // nothing offered, or "later": the client carries on with what it was doing
  Closed,           // the user cancelled or closed the offer
  SetupStarted,     // the setup runs: the client is to end now, the normal way
  SetupNotStarted,  // downloaded but the shell could not start it; the user was told where it is
};

// Shows the offer and carries out the answer. "Update now" downloads the setup (checked against
// the service's checksum), starts it and tells the user that the client now ends; a setup the
// shell cannot start (not made for this system, or refused) is kept and the user is told where
// it lies, and the client stays open. A download that fails or is cancelled raises its error.
SelfUpdateOutcome OfferSelfUpdate(const SelfUpdateOffer& offer, const SelfUpdateFrontEnd& front,
                                  const SelfUpdateMachine& machine);

// The question an update check asks when the service names a newer client: the offer (not the
// menu's), with the check going on only after "later". `outcome` keeps what came of it and
// must outlive the question.
SelfUpdateQuestion SelfUpdateDuringCheck(const SelfUpdateFrontEnd& front,
                                         const SelfUpdateMachine& machine,
                                         SelfUpdateOutcome& outcome);

// The menu's "check for updates": asks the service about the client and shows its answer,
// whatever the versions are; from there as OfferSelfUpdate.
SelfUpdateOutcome CheckForNewerClient(ServiceTransport& transport, const ClientFacts& facts,
                                      const SelfUpdateFrontEnd& front,
                                      const SelfUpdateMachine& machine);

}  // namespace lintrove
