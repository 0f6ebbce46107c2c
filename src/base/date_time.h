#pragma once

#include <atomic>
#include <chrono>

namespace lintrove {

// Days since 1899-12-30 in local time, the fraction being the time of day. Before that day the
// integer part is the day and the fraction's absolute value the time: -1.25 is 1899-12-29 06:00.
// Stored settings and the service's data use this form, so it is kept as it is.
using DateTime = double;

struct DateTimeParts {
  int year = 0;
  int month = 0;
  int day = 0;
  int hour = 0;
  int minute = 0;
  int second = 0;
  int millisecond = 0;

  friend bool operator==(const DateTimeParts&, const DateTimeParts&) = default;
};

bool IsLeapYear(int year);
// Years 1 to 9999, the range a DateTime covers.
bool IsValidDateTime(const DateTimeParts& parts);

// Throw lintrove::Error for a date or time that does not exist.
DateTime EncodeDateTime(const DateTimeParts& parts);
DateTime EncodeDateTime(int year, int month, int day, int hour, int minute, int second,
                        int millisecond);
// Rounds to the nearest millisecond. Throws for NaN, infinity and values outside years 1..9999.
DateTimeParts DecodeDateTime(DateTime value);

// Through the local time zone. Time points are cut to whole milliseconds.
DateTime FromTimePoint(std::chrono::system_clock::time_point time);
std::chrono::system_clock::time_point ToTimePoint(DateTime value);

// The local wall-clock time to the millisecond, or the value of the innermost living
// ScopedClockOverride.
DateTime Now();

// While it lives, Now() returns its value: tests can put the program at any moment. Overrides
// nest; each ends with its scope and brings back the one before.
class ScopedClockOverride {
 public:
  explicit ScopedClockOverride(DateTime now);
  ~ScopedClockOverride();
  ScopedClockOverride(const ScopedClockOverride&) = delete;
  ScopedClockOverride& operator=(const ScopedClockOverride&) = delete;

  void Set(DateTime now) { now_.store(now); }
  DateTime Value() const { return now_.load(); }

 private:
  std::atomic<DateTime> now_;
  ScopedClockOverride* previous_;
};

}  // namespace lintrove
