#include "dump/dump_timezone.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "dump/dump_input.h"
#include "format/filetime.h"

namespace {

constexpr uint64_t kTicksPerSecond = 10000000;
constexpr int64_t kSecondsFrom1601To1970 = 11644473600;
const char kDefaultZoneFolder[] = "/usr/share/zoneinfo";
// Every compiled time zone file begins with these bytes.
const char kZoneFileMagic[] = "TZif";

bool gZoneChosen = false;

bool IsZoneFile(const std::string &path)
{
    struct stat status;
    std::string reason;
    int fd = OpenInputFile(path, &status, &reason);
    if (fd < 0)
        return false;
    char magic[sizeof kZoneFileMagic - 1] = {};
    bool read = ::read(fd, magic, sizeof magic) == static_cast<ssize_t>(sizeof magic);
    close(fd);
    return read && !std::memcmp(magic, kZoneFileMagic, sizeof magic);
}

} // namespace

bool SetLocalTimeZone(const std::string &zone, std::string *error)
{
    const char *folder = std::getenv("TZDIR");
    std::string path = std::string(folder && *folder ? folder : kDefaultZoneFolder) + "/" + zone;
    // A name is looked up in the zone folder only, never elsewhere.
    if (zone.empty() || zone[0] == '/' || zone.find("..") != std::string::npos || !IsZoneFile(path)) {
        *error = "--timezone: no time zone named '" + zone + "' (looked for " + path + ")";
        return false;
    }
    setenv("TZ", zone.c_str(), 1);
    tzset();
    gZoneChosen = true;
    return true;
}

bool LocalTimeZoneChosen()
{
    return gZoneChosen;
}

uint64_t LocalFileTimeToUtc(uint64_t localFileTime)
{
    CalendarTime local;
    if (!FileTimeToCalendar(localFileTime, &local))
        return 0;
    std::tm fields = {};
    fields.tm_year = local.year - 1900;
    fields.tm_mon = local.month - 1;
    fields.tm_mday = local.day;
    fields.tm_hour = local.hour;
    fields.tm_min = local.minute;
    fields.tm_sec = local.second;
    fields.tm_isdst = -1;
    errno = 0;
    std::time_t seconds = std::mktime(&fields);
    if (seconds == static_cast<std::time_t>(-1) && errno)
        return 0;
    int64_t from1601 = static_cast<int64_t>(seconds) + kSecondsFrom1601To1970;
    if (from1601 <= 0)
        return 0;
    return static_cast<uint64_t>(from1601) * kTicksPerSecond + localFileTime % kTicksPerSecond;
}
