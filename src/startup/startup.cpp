#include "startup/startup.h"

#include <exception>
#include <ostream>

#include "base/date_time.h"
#include "base/format.h"
#include "base/resource_strings.h"
#include "localization/localizer.h"
#include "platform/client_version.h"
#include "settings/client_settings.h"
#include "settings/system_settings.h"
#include "startup/error_report.h"
#include "startup/reminder.h"

namespace lintrove {

bool PrintInformation(const StartupOptions& options, std::string_view programName,
                      std::ostream& out) {
  if (options.help) {
    out << Format(LoadResString(ResString::CommandLineHelp), programName);
    return true;
  }
  if (options.version) {
    out << "Lintrove " << ClientVersion() << '\n';
    return true;
  }
  return false;
}

void RunStartup(const StartupOptions& options, StartupUi& ui) {
  // The client settings come into being first, as the rest of the program expects.
  ClientSettings& client = ClientSettings::Instance();
  SystemSettings& system = SystemSettings::Instance();
  system.Load();
  client.Load();

  // The user's language comes in once the settings are in and before any window exists.
  LanguageFileLocalizer& localizer = ProcessLocalizer();
  localizer.SetLanguageDir(ProgramLanguageDir());
  localizer.LoadUserLanguage(FallbackLanguage, true);

  bool showMainWindow = true;
  switch (DecideReminder(options.reminder, client.int_reminder, client.dat_lastcheck, Now())) {
    case ReminderDecision::ShowMainWindow:
      break;
    case ReminderDecision::EndSilently:
      showMainWindow = false;
      break;
    case ReminderDecision::AskUser:
      showMainWindow = ui.Confirm(LoadResString(ResString::ReminderQuestion));
      break;
  }
  if (showMainWindow) ui.RunMainWindow();
  client.Save();
}

int RunClient(const StartupOptions& options, StartupUi& ui, std::ostream& errors) {
  try {
    RunStartup(options, ui);
    return 0;
  } catch (const std::exception& error) {
    const std::string text = Format(LoadResString(ResString::StartupFailed), error.what());
    errors << text << '\n' << std::flush;
    ui.ShowFatalError(ErrorBoxText(text));
    return 1;
  }
}

}  // namespace lintrove
