// FILETIME (100 ns ticks since 1601-01-01) to calendar time, plain UTC.
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
