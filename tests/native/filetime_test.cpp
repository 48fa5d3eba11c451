// FILETIME to calendar time, checked against known dates and against the C
// library's own UTC conversion over the whole accepted range.
#include <gtest/gtest.h>

#include <ctime>
#include <random>

#include "format/filetime.h"

namespace {

constexpr uint64_t kTicksPerSecond = 10000000;
constexpr int64_t kSeconds1601To1970 = 11644473600;

CalendarTime Convert(uint64_t fileTime)
{
    CalendarTime time = {};
    EXPECT_TRUE(FileTimeToCalendar(fileTime, &time)) << fileTime;
    return time;
}

void ExpectDate(uint64_t fileTime, int year, int month, int day, int hour, int minute, int second, int ms,
                int dayOfWeek)
{
    CalendarTime t = Convert(fileTime);
    EXPECT_EQ(t.year, year) << fileTime;
    EXPECT_EQ(t.month, month) << fileTime;
    EXPECT_EQ(t.day, day) << fileTime;
    EXPECT_EQ(t.hour, hour) << fileTime;
    EXPECT_EQ(t.minute, minute) << fileTime;
    EXPECT_EQ(t.second, second) << fileTime;
    EXPECT_EQ(t.milliseconds, ms) << fileTime;
    EXPECT_EQ(t.dayOfWeek, dayOfWeek) << fileTime;
}

uint64_t Seconds(int64_t secondsSince1601)
{
    return static_cast<uint64_t>(secondsSince1601) * kTicksPerSecond;
}

} // namespace

TEST(FileTime, KnownDates)
{
    ExpectDate(0, 1601, 1, 1, 0, 0, 0, 0, 1);
    ExpectDate(116444736000000000ull, 1970, 1, 1, 0, 0, 0, 0, 4);
    ExpectDate(Seconds(kSeconds1601To1970 + 1124313990), 2005, 8, 17, 21, 26, 30, 0, 3);
    // The largest value the platform accepts.
    ExpectDate(FILETIME_LARGEST, 30828, 9, 14, 2, 48, 5, 477, 4);
    ExpectDate(FILETIME_LARGEST - 10000, 30828, 9, 14, 2, 48, 5, 476, 4);
}

TEST(FileTime, LeapYears)
{
    // 2000 is a leap year (divisible by 400), 1900 and 2100 are not.
    int64_t feb28of2000 = kSeconds1601To1970 + 951696000;
    ExpectDate(Seconds(feb28of2000 + 86400), 2000, 2, 29, 0, 0, 0, 0, 2);
    ExpectDate(Seconds(feb28of2000 + 2 * 86400), 2000, 3, 1, 0, 0, 0, 0, 3);
    int64_t feb28of1900 = kSeconds1601To1970 - 2203977600;
    ExpectDate(Seconds(feb28of1900 + 86400), 1900, 3, 1, 0, 0, 0, 0, 4);
    ExpectDate(Seconds(kSeconds1601To1970 + 1078012800), 2004, 2, 29, 0, 0, 0, 0, 0);
    ExpectDate(Seconds(kSeconds1601To1970 + 1104537599) + 9999999, 2004, 12, 31, 23, 59, 59, 999, 5);
    ExpectDate(Seconds(kSeconds1601To1970 + 4107542400), 2100, 3, 1, 0, 0, 0, 0, 1);
}

TEST(FileTime, AboveTheLargestIsRefused)
{
    CalendarTime time = {7, 7, 7, 7, 7, 7, 7, 7};
    EXPECT_FALSE(FileTimeToCalendar(FILETIME_LARGEST + 1, &time));
    EXPECT_FALSE(FileTimeToCalendar(~0ull, &time));
    EXPECT_EQ(time.year, 7);
}

TEST(FileTime, AgreesWithTheCLibraryEverywhere)
{
    std::mt19937_64 random(5);
    for (int i = 0; i < 200000; i++) {
        uint64_t fileTime = random() & FILETIME_LARGEST;
        if (i % 2)
            fileTime %= uint64_t{500} * 365 * 86400 * kTicksPerSecond;
        time_t unixSeconds = static_cast<time_t>(static_cast<int64_t>(fileTime / kTicksPerSecond) - kSeconds1601To1970);
        struct tm expected;
        ASSERT_NE(gmtime_r(&unixSeconds, &expected), nullptr);
        CalendarTime t = Convert(fileTime);
        ASSERT_EQ(t.year, expected.tm_year + 1900) << fileTime;
        ASSERT_EQ(t.month, expected.tm_mon + 1) << fileTime;
        ASSERT_EQ(t.day, expected.tm_mday) << fileTime;
        ASSERT_EQ(t.hour, expected.tm_hour) << fileTime;
        ASSERT_EQ(t.minute, expected.tm_min) << fileTime;
        ASSERT_EQ(t.second, expected.tm_sec) << fileTime;
        ASSERT_EQ(t.dayOfWeek, expected.tm_wday) << fileTime;
        ASSERT_EQ(t.milliseconds, static_cast<int>(fileTime / 10000 % 1000)) << fileTime;
    }
}
