// One "URL " record's fields as gallimaw-dump exports them: the texts in
// full (up to a bound) as UTF-8, the times as raw FILETIMEs.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "store/index_format.h"

// No real record text comes near this; it bounds the work a hostile
// offset can cause per record.
constexpr uint64_t kDumpTextLimit = 65536;

struct DumpRecord {
    uint64_t offset = 0;
    uint32_t sortKey = 0;
    uint64_t size = 0;
    uint64_t accessed = 0; // FILETIME
    uint64_t modified = 0; // FILETIME
    std::string url;
    std::string directory;
    std::string fileName;
    std::string headers;
    bool headersSet = false;
};

// Reads the record at offset, reusing record's string buffers.
void ReadDumpRecord(const IndexImage *image, uint64_t offset, DumpRecord *record);

// Writes fileTime as ISO 8601 UTC ("2005-08-17T21:26:30.0000000Z", or
// without the fraction) and returns its length; 0 for a zero FILETIME or
// one the calendar conversion refuses. buffer holds kIsoTimeChars.
constexpr size_t kIsoTimeChars = 40;
size_t FormatIsoTime(uint64_t fileTime, bool fraction, char *buffer);

// One UTF-16 unit below the surrogates appended to out as UTF-8.
void AppendUtf8(char16_t c, std::string *out);
// Windows-1252 bytes appended to out as UTF-8.
void Append1252AsUtf8(const uint8_t *bytes, size_t count, std::string *out);
