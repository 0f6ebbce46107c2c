#pragma once

#include <iosfwd>
#include <string>
#include <string_view>

#include "startup/command_line.h"

namespace lintrove {

// What start-up needs from the desktop toolkit; the core itself never shows anything.
class StartupUi {
 public:
  virtual ~StartupUi() = default;
  // A question with the buttons Yes and No; true for Yes.
  virtual bool Confirm(const std::string& question) = 0;
  // Creates the main window and runs the message loop until the window has closed.
  virtual void RunMainWindow() = 0;
  // An error that ends the run outside the message loop, as the error box should show it.
  virtual void ShowFatalError(const std::string& text) = 0;
};

// For --help and --version: writes their text to `out` and returns true, so that the run ends
// there; false otherwise.
bool PrintInformation(const StartupOptions& options, std::string_view programName,
                      std::ostream& out);

// From start-up to shutdown: loads the system and then the client settings, applies the
// reminder rule, runs the main window when it is to be shown, and saves the client settings on
// every normal way out. Errors propagate, and then nothing has been saved: settings that could
// not be read are never overwritten.
void RunStartup(const StartupOptions& options, StartupUi& ui);

// RunStartup giving the process's exit code: 0 on every normal path; 1 when an error escapes,
// after it has been written to `errors` and shown through the ui.
int RunClient(const StartupOptions& options, StartupUi& ui, std::ostream& errors);

}  // namespace lintrove
