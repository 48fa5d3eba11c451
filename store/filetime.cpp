#include "store/filetime.h"

#define TICKS_PER_MILLISECOND 10000ull
#define MILLISECONDS_PER_DAY 86400000ull
// Days from 0000-03-01 (proleptic Gregorian) to 1601-01-01: the civil-date
// arithmetic below counts from a March so that leap days end each year.
#define DAYS_0000_03_01_TO_1601 584694
#define DAYS_PER_400_YEARS 146097
#define WEEKDAY_OF_1601_01_01 1

int FileTimeToCalendar(uint64_t fileTime, CalendarTime *time)
{
    if (fileTime > FILETIME_LARGEST)
        return 0;
    uint64_t milliseconds = fileTime / TICKS_PER_MILLISECOND;
    int64_t days = (int64_t)(milliseconds / MILLISECONDS_PER_DAY);
    uint64_t ofDay = milliseconds % MILLISECONDS_PER_DAY;

    int64_t fromMarch = days + DAYS_0000_03_01_TO_1601;
    int64_t era = fromMarch / DAYS_PER_400_YEARS;
    int64_t dayOfEra = fromMarch - era * DAYS_PER_400_YEARS;
    int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    int64_t monthFromMarch = (5 * dayOfYear + 2) / 153;
    int month = (int)(monthFromMarch < 10 ? monthFromMarch + 3 : monthFromMarch - 9);

    time->year = (int)(era * 400 + yearOfEra + (month <= 2));
    time->month = month;
    time->day = (int)(dayOfYear - (153 * monthFromMarch + 2) / 5 + 1);
    time->dayOfWeek = (int)((days + WEEKDAY_OF_1601_01_01) % 7);
    time->hour = (int)(ofDay / 3600000);
    time->minute = (int)(ofDay / 60000 % 60);
    time->second = (int)(ofDay / 1000 % 60);
    time->milliseconds = (int)(ofDay % 1000);
    return 1;
}
