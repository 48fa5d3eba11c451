// The time zone in which daily and weekly history files keep their
// modified times, chosen with --timezone, and the conversion to UTC.
#pragma once
#include <cstdint>
#include <string>

// Makes zone, an IANA name such as Europe/Amsterdam, the process's local
// time zone. The C library takes an unknown name for UTC without a word,
// so the zone's file must exist and be a time zone file; false with the
// reason in error otherwise. Call before any other thread starts.
bool SetLocalTimeZone(const std::string &zone, std::string *error);

// Whether SetLocalTimeZone has chosen a zone.
bool LocalTimeZoneChosen();

// The UTC FILETIME of a FILETIME that holds local time in that zone, or 0
// for one the conversion refuses.
uint64_t LocalFileTimeToUtc(uint64_t localFileTime);
