#include "format/filetime.h"

#define TICKS_PER_MILLISECOND 10000ull
#define MILLISECONDS_PER_DAY 86400000ull
// Days from 0000-03-01 (proleptic Gregorian) to 1601-01-01: the civil-date
// arithmetic below counts from a March so that leap days end each year.
#define DAYS_0000_03_01_TO_1601 584694
#define DAYS_PER_400_YEARS 146097
#define WEEKDAY_OF_1601_01_01 1
#define DAYS_MARCH_TO_DECEMBER 306

void DayToDate(uint32_t day, int *year, int *month, int *dayOfMonth)
{
    // Neri and Schneider's Euclidean affine functions: centuries, then the
    // year of the century and the day of the year in one product, then
    // month and day in another, all in a calendar whose years begin in
    // March, so that leap days end each year.
    uint32_t quarterDays = 4 * (day + DAYS_0000_03_01_TO_1601) + 3;
    uint32_t century = quarterDays / DAYS_PER_400_YEARS;
    uint64_t yearProduct = 2939745ull * (quarterDays % DAYS_PER_400_YEARS | 3);
    uint32_t yearOfCentury = (uint32_t)(yearProduct >> 32);
    uint32_t dayOfYear = (uint32_t)yearProduct / 2939745 / 4;
    uint32_t monthProduct = 2141 * dayOfYear + 197913;
    uint32_t monthFromMarch = monthProduct >> 16;
    int january = dayOfYear >= DAYS_MARCH_TO_DECEMBER;
    *year = (int)(100 * century + yearOfCentury) + january;
    *month = (int)(january ? monthFromMarch - 12 : monthFromMarch);
    *dayOfMonth = (int)((monthProduct & 0xFFFF) / 2141 + 1);
}

int FileTimeToCalendar(uint64_t fileTime, CalendarTime *time)
{
    if (fileTime > FILETIME_LARGEST)
        return 0;
    uint64_t milliseconds = fileTime / TICKS_PER_MILLISECOND;
    uint32_t days = (uint32_t)(milliseconds / MILLISECONDS_PER_DAY);
    uint32_t ofDay = (uint32_t)(milliseconds - (uint64_t)days * MILLISECONDS_PER_DAY);
    DayToDate(days, &time->year, &time->month, &time->day);
    time->dayOfWeek = (int)((days + WEEKDAY_OF_1601_01_01) % 7);
    time->hour = (int)(ofDay / 3600000);
    time->minute = (int)(ofDay / 60000 % 60);
    time->second = (int)(ofDay / 1000 % 60);
    time->milliseconds = (int)(ofDay % 1000);
    return 1;
}

uint64_t CalendarToFileTime(int year, int month, int day, int hour, int minute, int second)
{
    int64_t fromMarchYear = year - (month <= 2);
    int64_t era = fromMarchYear / 400;
    int64_t yearOfEra = fromMarchYear - era * 400;
    int64_t dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    int64_t days = era * DAYS_PER_400_YEARS + dayOfEra - DAYS_0000_03_01_TO_1601;
    int64_t seconds = days * 86400 + hour * 3600 + minute * 60 + second;
    return (uint64_t)seconds * TICKS_PER_MILLISECOND * 1000;
}

#define FAT_FIRST_YEAR 1980

static int DaysInMonth(int year, int month)
{
    static const int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    int leap = year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
    return days[month - 1] + (month == 2 && leap);
}

uint64_t FatDateTimeToFileTime(uint32_t fatDateTime)
{
    unsigned date = fatDateTime & 0xFFFF, time = fatDateTime >> 16;
    int year = FAT_FIRST_YEAR + (int)(date >> 9), month = (int)(date >> 5 & 0xF), day = (int)(date & 0x1F);
    int hour = (int)(time >> 11), minute = (int)(time >> 5 & 0x3F), second = (int)(time & 0x1F) * 2;
    if (month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month) || hour > 23
        || minute > 59 || second > 59)
        return 0;
    return CalendarToFileTime(year, month, day, hour, minute, second);
}
