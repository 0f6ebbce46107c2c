#include "flows/self_update.h"

#include "base/format.h"
#include "base/resource_strings.h"
#include "flows/setup_download.h"
#include "platform/download_directory.h"

namespace lintrove {
namespace {

SelfUpdateOutcome DownloadAndStartSetup(const UpdateResponse& response,
                                        const SelfUpdateFrontEnd& front,
                                        const SelfUpdateMachine& machine) {
  if (!OffersSetupForThisSystem(response.downloadurl)) {
    front.inform(NoSetupForThisSystemText());
    return SelfUpdateOutcome::SetupNotStarted;
  }
  const std::filesystem::path setup =
      DownloadSetup(machine.http, response.downloadurl, machine.download_directory, response.sha256,
                    response.signature, front.download);
  // Started before the user is told the client ends: a setup that does not start must not
  // take the client with it.
  if (!machine.shell.ShellOpen(setup.string())) {
    front.inform(Format(LoadResString(ResString::SetupNotStarted), setup.string()));
    return SelfUpdateOutcome::SetupNotStarted;
  }
  platform::RemoveAfterUse(setup);
  front.inform(LoadResString(ResString::SetupStarts));
  return SelfUpdateOutcome::SetupStarted;
}

}  // namespace

SelfUpdateOutcome OfferSelfUpdate(const SelfUpdateOffer& offer, const SelfUpdateFrontEnd& front,
                                  const SelfUpdateMachine& machine) {
  switch (front.ask(offer)) {
    case SelfUpdateAnswer::UpdateNow:
      // Only an older client has something to update to, whatever the dialog offered.
      if (offer.comparison < 0) return DownloadAndStartSetup(offer.response, front, machine);
      return SelfUpdateOutcome::Closed;
    case SelfUpdateAnswer::Later:
      // A forced update cannot be put off.
      return offer.manual || offer.response.forceupdate ? SelfUpdateOutcome::Closed
                                                        : SelfUpdateOutcome::GoOn;
    case SelfUpdateAnswer::Close:
      break;
  }
  return SelfUpdateOutcome::Closed;
}

SelfUpdateQuestion SelfUpdateDuringCheck(const SelfUpdateFrontEnd& front,
                                         const SelfUpdateMachine& machine,
                                         SelfUpdateOutcome& outcome) {
  outcome = SelfUpdateOutcome::GoOn;
  return [front, machine, &outcome](const UpdateResponse& response) {
    outcome = OfferSelfUpdate({response, false, CompareWithThisClient(response)}, front, machine);
    return outcome == SelfUpdateOutcome::GoOn ? SelfUpdateChoice::GoOn : SelfUpdateChoice::Stop;
  };
}

SelfUpdateOutcome CheckForNewerClient(ServiceTransport& transport, const ClientFacts& facts,
                                      const SelfUpdateFrontEnd& front,
                                      const SelfUpdateMachine& machine) {
  const UpdateResponse response = AskForNewerClient(transport, facts);
  return OfferSelfUpdate({response, true, CompareWithThisClient(response)}, front, machine);
}

}  // namespace lintrove
