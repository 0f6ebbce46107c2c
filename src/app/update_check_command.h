#pragma once

#include <atomic>
#include <memory>

#include "flows/status_filter.h"
#include "protocol/transport.h"
#include "protocol/update_response.h"
#include "protocol/verdict_records.h"
#include "settings/client_settings.h"
#include "settings/system_settings.h"

class QMainWindow;

namespace lintrove::app {

class ProgramList;

// What the commands work on: the main window (the parent of their windows, its status bar shows
// where they stand), its records and its list, and the settings.
struct UpdateCheckContext {
  QMainWindow& window;
  ProgramList& list;
  VerdictList& records;
  ClientSettings& client;
  const SystemSettings& system;
};

// The exchanges of the main window with the service: the update check and the manual question for
// a newer client, with the self-update they may lead to. They run on the core's flows; each
// exchange runs off the GUI thread, so the window repaints and moves while the service answers,
// and Escape or "Abbrechen" in the status bar cancels it. The caller keeps other commands from
// starting meanwhile. Errors propagate to the caller's handler; a cancel is an Abort.
class UpdateCheckCommand {
 public:
  explicit UpdateCheckCommand(UpdateCheckContext context);
  ~UpdateCheckCommand();
  UpdateCheckCommand(const UpdateCheckCommand&) = delete;
  UpdateCheckCommand& operator=(const UpdateCheckCommand&) = delete;

  // The update check: noop, updatecheck (a newer client may stop the check here), then the
  // programs of the unchecked rows, hidden ones included, whose verdicts go into the records.
  // Once completed, the list is rebuilt with `filter`, the status reads "Fertig..." and
  // dat_lastcheck is now; otherwise the list stays and the status panel is empty.
  void CheckForUpdates(const StatusFilter& filter);

  // The menu's question for a newer client: the update dialog shows the answer, whatever the
  // versions are.
  void CheckForNewerClient();

 private:
  class Progress;

  std::unique_ptr<ServiceTransport> OpenTransport();
  // Shows the update dialog unless the update check asks and this client is not older; true when
  // what asked is to stop (the user updates, which ends the client, or cancels).
  bool OfferNewerClient(const UpdateResponse& response, bool manual);
  // Downloads the setup with its progress window, starts it and closes the main window.
  void DownloadAndRunSetup(const UpdateResponse& response);

  UpdateCheckContext context_;
  std::atomic<bool> cancel_ = false;
};

}  // namespace lintrove::app
