#include "startup/reminder.h"

namespace lintrove {

int ReminderPeriodDays(std::int32_t reminderSetting) {
  switch (reminderSetting) {
    case 2:
      return 14;
    case 3:
      return 28;
    default:
      return 7;
  }
}

ReminderDecision DecideReminder(bool reminderSwitch, std::int32_t reminderSetting,
                                DateTime lastCheck, DateTime now) {
  if (!reminderSwitch) return ReminderDecision::ShowMainWindow;
  const DateTime elapsed = now - lastCheck;
  // Written this way round so that NaN, which compares false, asks.
  if (ReminderPeriodDays(reminderSetting) >= elapsed) return ReminderDecision::EndSilently;
  return ReminderDecision::AskUser;
}

}  // namespace lintrove
