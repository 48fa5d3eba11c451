// FILETIME (100 ns ticks since 1601-01-01) to calendar time and back, plain
// UTC, and the 32-bit FAT date-time some record fields use.
#pragma once
#include <stdint.h>

// The largest FILETIME the platform's conversion accepts.
#define FILETIME_LARGEST 0x7FFFFFFFFFFFFFFFull

struct CalendarTime {
    int year;
    int month;
    int dayOfWeek; // Sunday 0
    int day;
    int hour;
    int minute;
    int second;
    int milliseconds;
};

// Returns 0 and leaves time untouched for a value above FILETIME_LARGEST.
int FileTimeToCalendar(uint64_t fileTime, CalendarTime *time);

// The date of a day counted from 1601-01-01 (day 0), for every day up to
// that of FILETIME_LARGEST.
void DayToDate(uint32_t day, int *year, int *month, int *dayOfMonth);

// The FILETIME of a calendar time of 1601 or later; fields are not checked.
uint64_t CalendarToFileTime(int year, int month, int day, int hour, int minute, int second);

// A FAT date-time (date in the low 16 bits, time in the high 16) as a
// FILETIME; 0 for a zero value or one that names no real date and time.
uint64_t FatDateTimeToFileTime(uint32_t fatDateTime);
