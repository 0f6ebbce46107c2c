#include "base/date_time.h"

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <ctime>
#include <string>

#include "base/error.h"
#include "base/format.h"

namespace lintrove {

namespace {

using std::chrono::days;
using std::chrono::sys_days;

constexpr std::int64_t kMillisecondsPerDay = 24 * 60 * 60 * 1000;
constexpr sys_days kDayZero = std::chrono::year(1899) / 12 / 30;
// 0001-01-01 and 9999-12-31 as day numbers.
constexpr std::int64_t kFirstDay = -693593;
constexpr std::int64_t kLastDay = 2958465;

std::chrono::year_month_day CalendarDate(const DateTimeParts& parts) {
  return {std::chrono::year(parts.year), std::chrono::month(static_cast<unsigned>(parts.month)),
          std::chrono::day(static_cast<unsigned>(parts.day))};
}

[[noreturn]] void ThrowBadValue(DateTime value) {
  throw Error("Invalid date-time value " + std::to_string(value));
}

// Local time goes through the C library: the <chrono> of our compilers has no time zone database
// yet. tm_isdst -1 leaves summer time to the zone's rules.
std::tm ToLocalTm(const DateTimeParts& parts) {
  std::tm local{};
  local.tm_year = parts.year - 1900;
  local.tm_mon = parts.month - 1;
  local.tm_mday = parts.day;
  local.tm_hour = parts.hour;
  local.tm_min = parts.minute;
  local.tm_sec = parts.second;
  local.tm_isdst = -1;
  return local;
}

std::atomic<ScopedClockOverride*> active_override{nullptr};

}  // namespace

bool IsLeapYear(int year) { return std::chrono::year(year).is_leap(); }

bool IsValidDateTime(const DateTimeParts& parts) {
  return parts.year >= 1 && parts.year <= 9999 && parts.month >= 1 && parts.month <= 12 &&
         parts.day >= 1 && parts.day <= 31 && CalendarDate(parts).ok() && parts.hour >= 0 &&
         parts.hour < 24 && parts.minute >= 0 && parts.minute < 60 && parts.second >= 0 &&
         parts.second < 60 && parts.millisecond >= 0 && parts.millisecond < 1000;
}

DateTime EncodeDateTime(const DateTimeParts& parts) {
  if (!IsValidDateTime(parts)) {
    throw Error(Format("Invalid date %04d-%02d-%02d %02d:%02d:%02d.%03d", parts.year, parts.month,
                       parts.day, parts.hour, parts.minute, parts.second, parts.millisecond));
  }
  const auto day = (sys_days(CalendarDate(parts)) - kDayZero).count();
  const std::int64_t milliseconds =
      ((parts.hour * 60 + parts.minute) * 60 + parts.second) * 1000 + parts.millisecond;
  const double time = static_cast<double>(milliseconds) / kMillisecondsPerDay;
  return day >= 0 ? static_cast<double>(day) + time : static_cast<double>(day) - time;
}

DateTime EncodeDateTime(int year, int month, int day, int hour, int minute, int second,
                        int millisecond) {
  return EncodeDateTime({year, month, day, hour, minute, second, millisecond});
}

DateTimeParts DecodeDateTime(DateTime value) {
  // Also false for NaN; keeps the conversions below in range.
  if (!(value > kFirstDay - 1.0 && value < kLastDay + 1.0)) ThrowBadValue(value);
  const double whole_days = std::trunc(value);
  auto day = static_cast<std::int64_t>(whole_days);
  std::int64_t milliseconds = std::llround(std::fabs(value - whole_days) * kMillisecondsPerDay);
  // Rounding up to midnight is the start of the chronologically next day, which is day + 1 on
  // both sides of day zero.
  if (milliseconds == kMillisecondsPerDay) {
    milliseconds = 0;
    ++day;
  }
  if (day < kFirstDay || day > kLastDay) ThrowBadValue(value);
  const std::chrono::year_month_day date(kDayZero + days(day));
  const auto time_part = static_cast<int>(milliseconds);
  return {static_cast<int>(date.year()),
          static_cast<int>(static_cast<unsigned>(date.month())),
          static_cast<int>(static_cast<unsigned>(date.day())),
          time_part / 3600000,
          time_part / 60000 % 60,
          time_part / 1000 % 60,
          time_part % 1000};
}

DateTime FromTimePoint(std::chrono::system_clock::time_point time) {
  const auto milliseconds = std::chrono::floor<std::chrono::milliseconds>(time);
  const auto seconds = std::chrono::floor<std::chrono::seconds>(milliseconds);
  const std::time_t since_epoch = std::chrono::system_clock::to_time_t(seconds);
  std::tm local{};
  if (localtime_r(&since_epoch, &local) == nullptr) {
    throw Error("Time outside the range of local time: " + std::to_string(since_epoch));
  }
  return EncodeDateTime(
      local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
      // A leap second is shown as the last second of its minute.
      local.tm_sec > 59 ? 59 : local.tm_sec, static_cast<int>((milliseconds - seconds).count()));
}

std::chrono::system_clock::time_point ToTimePoint(DateTime value) {
  const DateTimeParts parts = DecodeDateTime(value);
  std::tm local = ToLocalTm(parts);
  errno = 0;
  const std::time_t since_epoch = std::mktime(&local);
  if (since_epoch == -1 && errno == EOVERFLOW) ThrowBadValue(value);
  return std::chrono::system_clock::from_time_t(since_epoch) +
         std::chrono::milliseconds(parts.millisecond);
}

DateTime Now() {
  if (const ScopedClockOverride* clock = active_override.load()) return clock->Value();
  return FromTimePoint(std::chrono::system_clock::now());
}

ScopedClockOverride::ScopedClockOverride(DateTime now)
    : now_(now), previous_(active_override.exchange(this)) {}

ScopedClockOverride::~ScopedClockOverride() { active_override.store(previous_); }

}  // namespace lintrove
