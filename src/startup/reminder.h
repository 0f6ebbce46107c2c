#pragma once

#include <cstdint>

#include "base/date_time.h"

namespace lintrove {

// Days between reminders for int_reminder of the client settings: 2 is 14, 3 is 28, and every
// other value, "none" included, 7 (the log-on entry only exists while a period is chosen).
int ReminderPeriodDays(std::int32_t reminderSetting);

enum class ReminderDecision { ShowMainWindow, AskUser, EndSilently };

// Without the reminder switch the window is always shown. With it, a last check at most one
// period ago ends the run silently; an older one, none at all (-1.0, 0.0) or a time that cannot
// be compared asks the user.
ReminderDecision DecideReminder(bool reminderSwitch, std::int32_t reminderSetting,
                                DateTime lastCheck, DateTime now);

}  // namespace lintrove
