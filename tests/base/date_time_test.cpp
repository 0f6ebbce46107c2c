#include "base/date_time.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "base/error.h"

namespace lintrove {
namespace {

using namespace std::chrono_literals;
using std::chrono::sys_days;
using std::chrono::system_clock;

std::string Show(const DateTimeParts& p) {
  return std::to_string(p.year) + "-" + std::to_string(p.month) + "-" + std::to_string(p.day) +
         " " + std::to_string(p.hour) + ":" + std::to_string(p.minute) + ":" +
         std::to_string(p.second) + "." + std::to_string(p.millisecond);
}

struct KnownDate {
  DateTimeParts parts;
  DateTime value;
};

const std::vector<KnownDate> kKnownDates = {
    {{1899, 12, 30, 0, 0, 0, 0}, 0.0},      {{1900, 1, 1, 0, 0, 0, 0}, 2.0},
    {{2000, 1, 1, 12, 0, 0, 0}, 36526.5},   {{1899, 12, 29, 6, 0, 0, 0}, -1.25},
    {{1800, 1, 1, 18, 0, 0, 0}, -36522.75}, {{1900, 2, 28, 0, 0, 0, 0}, 60.0},
    {{1900, 3, 1, 0, 0, 0, 0}, 61.0},  // 1900 was no leap year
    {{2000, 2, 29, 0, 0, 0, 0}, 36585.0},   {{2024, 2, 29, 18, 0, 0, 0}, 45351.75},
    {{1600, 2, 29, 0, 0, 0, 0}, -109512.0}, {{2100, 3, 1, 0, 0, 0, 0}, 73110.0},
    {{2026, 12, 9, 0, 0, 0, 0}, 46365.0},   {{2026, 12, 9, 6, 0, 0, 0}, 46365.25},
    {{1, 1, 1, 0, 0, 0, 0}, -693593.0},     {{9999, 12, 31, 0, 0, 0, 0}, 2958465.0},
};

TEST(DateTimeTest, KnownDatesEncodeAndDecode) {
  for (const KnownDate& known : kKnownDates) {
    SCOPED_TRACE(Show(known.parts));
    EXPECT_EQ(EncodeDateTime(known.parts), known.value);
    EXPECT_EQ(DecodeDateTime(known.value), known.parts);
  }
}

TEST(DateTimeTest, LeapYears) {
  EXPECT_FALSE(IsLeapYear(1900));
  EXPECT_TRUE(IsLeapYear(2000));
  EXPECT_TRUE(IsLeapYear(2024));
  EXPECT_FALSE(IsLeapYear(2026));
  EXPECT_FALSE(IsLeapYear(2100));
}

TEST(DateTimeTest, EveryDayAroundDayZeroIsNumberedInSequence) {
  std::optional<DateTime> previous;
  for (int year = 1895; year <= 1904; ++year) {
    for (int month = 1; month <= 12; ++month) {
      for (int day = 1; day <= 31; ++day) {
        const DateTimeParts date{year, month, day, 0, 0, 0, 0};
        if (!IsValidDateTime(date)) continue;
        const DateTime value = EncodeDateTime(date);
        if (previous) {
          ASSERT_EQ(value, *previous + 1.0) << Show(date);
        }
        previous = value;
      }
    }
  }
}

TEST(DateTimeTest, RoundTripKeepsEveryPartToTheMillisecond) {
  for (int year = 1; year <= 9999; year += 13) {
    const int month = year % 12 + 1;
    const int day = year % 28 + 1;
    const int ms_of_day = (year * 7919) % (24 * 60 * 60 * 1000);
    const DateTimeParts parts{year,
                              month,
                              day,
                              ms_of_day / 3600000,
                              ms_of_day / 60000 % 60,
                              ms_of_day / 1000 % 60,
                              ms_of_day % 1000};
    ASSERT_EQ(DecodeDateTime(EncodeDateTime(parts)), parts) << Show(parts);
  }
  const DateTimeParts last_moment{9999, 12, 31, 23, 59, 59, 999};
  EXPECT_EQ(DecodeDateTime(EncodeDateTime(last_moment)), last_moment);
  const DateTimeParts before_day_zero{1899, 12, 29, 23, 59, 59, 999};
  EXPECT_EQ(DecodeDateTime(EncodeDateTime(before_day_zero)), before_day_zero);
}

TEST(DateTimeTest, DecodingRoundsToTheMillisecondIntoTheNextDay) {
  struct Case {
    DateTime value;
    DateTimeParts expected;
  };
  const std::vector<Case> cases = {
      {1.0 - 1e-10, {1899, 12, 31, 0, 0, 0, 0}},
      // Before day zero the next day has the next higher day number: -2 + 0.9999... is
      // followed by day -1, not by day -3.
      {-2.0 - (1.0 - 1e-10), {1899, 12, 29, 0, 0, 0, 0}},
      {-0.5, {1899, 12, 30, 12, 0, 0, 0}},
      {36526.0 + 0.4 / 86400000, {2000, 1, 1, 0, 0, 0, 0}},
      {36526.0 + 0.6 / 86400000, {2000, 1, 1, 0, 0, 0, 1}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DecodeDateTime(c.value), c.expected) << c.value;
  }
}

TEST(DateTimeTest, DatesThatDoNotExistAreRefused) {
  const std::vector<DateTimeParts> invalid = {
      {2023, 2, 29, 0, 0, 0, 0},   {1900, 2, 29, 0, 0, 0, 0}, {2026, 4, 31, 0, 0, 0, 0},
      {2026, 13, 1, 0, 0, 0, 0},   {2026, 0, 1, 0, 0, 0, 0},  {2026, 1, 0, 0, 0, 0, 0},
      {2026, 1, 257, 0, 0, 0, 0},  {0, 1, 1, 0, 0, 0, 0},     {10000, 1, 1, 0, 0, 0, 0},
      {2026, 1, 1, 24, 0, 0, 0},   {2026, 1, 1, 0, 60, 0, 0}, {2026, 1, 1, 0, 0, 60, 0},
      {2026, 1, 1, 0, 0, 0, 1000}, {2026, 1, 1, -1, 0, 0, 0}, {2026, 1, 1, 0, 0, 0, -1},
  };
  for (const DateTimeParts& parts : invalid) {
    SCOPED_TRACE(Show(parts));
    EXPECT_FALSE(IsValidDateTime(parts));
    EXPECT_THROW(EncodeDateTime(parts), Error);
  }
  try {
    EncodeDateTime(2023, 2, 29, 8, 5, 0, 7);
    ADD_FAILURE() << "no error";
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(), "Invalid date 2023-02-29 08:05:00.007");
  }
}

TEST(DateTimeTest, ValuesOutsideTheCalendarAreRefused) {
  for (const DateTime value :
       {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
        -std::numeric_limits<double>::infinity(), -693594.0, 2958466.0,
        std::nextafter(2958466.0, 0.0), 1e300}) {
    EXPECT_THROW(DecodeDateTime(value), Error) << value;
    EXPECT_THROW(ToTimePoint(value), Error) << value;
  }
}

#ifndef _WIN32
// Local time depends on the zone; each test sets its own and restores the one it found. The zones
// are written as POSIX rules, which the Windows C run-time does not read.
class LocalTimeTest : public testing::Test {
 protected:
  void UseZone(const char* zone) {
    setenv("TZ", zone, 1);
    tzset();
  }
  void TearDown() override {
    if (saved_) {
      setenv("TZ", saved_->c_str(), 1);
    } else {
      unsetenv("TZ");
    }
    tzset();
  }

 private:
  std::optional<std::string> saved_ =
      std::getenv("TZ") ? std::optional<std::string>(std::getenv("TZ")) : std::nullopt;
};

TEST_F(LocalTimeTest, UtcZoneMapsTheEpochToItsDayNumber) {
  UseZone("UTC0");
  const system_clock::time_point epoch{};
  EXPECT_EQ(FromTimePoint(epoch), 25569.0);
  EXPECT_EQ(ToTimePoint(25569.5), epoch + 12h);
  EXPECT_EQ(DecodeDateTime(FromTimePoint(epoch + 1500ms + 999us)),
            (DateTimeParts{1970, 1, 1, 0, 0, 1, 500}));
  EXPECT_EQ(DecodeDateTime(FromTimePoint(epoch - 1ms)),
            (DateTimeParts{1969, 12, 31, 23, 59, 59, 999}));
}

TEST_F(LocalTimeTest, ZoneOffsetAndSummerTimeApply) {
  UseZone("CET-1CEST,M3.5.0,M10.5.0/3");
  const system_clock::time_point winter = sys_days{std::chrono::year(2026) / 1 / 15} + 12h;
  const system_clock::time_point summer = sys_days{std::chrono::year(2026) / 7 / 15} + 12h + 345ms;
  EXPECT_EQ(DecodeDateTime(FromTimePoint(winter)), (DateTimeParts{2026, 1, 15, 13, 0, 0, 0}));
  EXPECT_EQ(DecodeDateTime(FromTimePoint(summer)), (DateTimeParts{2026, 7, 15, 14, 0, 0, 345}));
  EXPECT_EQ(ToTimePoint(FromTimePoint(winter)), winter);
  EXPECT_EQ(ToTimePoint(FromTimePoint(summer)), summer);
  EXPECT_EQ(ToTimePoint(EncodeDateTime(1899, 12, 29, 6, 0, 0, 0)),
            sys_days{std::chrono::year(1899) / 12 / 29} + 5h);
}
#endif

TEST(ClockTest, OverridesNestAndEndWithTheirScope) {
  const DateTime before = FromTimePoint(system_clock::now());
  {
    ScopedClockOverride outer(46365.25);
    EXPECT_EQ(Now(), 46365.25);
    {
      ScopedClockOverride inner(-1.0);
      EXPECT_EQ(Now(), -1.0);
      inner.Set(46372.5);
      EXPECT_EQ(Now(), 46372.5);
    }
    EXPECT_EQ(Now(), 46365.25);
  }
  const DateTime now = Now();
  const DateTime after = FromTimePoint(system_clock::now());
  EXPECT_LE(before, now);
  EXPECT_LE(now, after);
}

}  // namespace
}  // namespace lintrove
