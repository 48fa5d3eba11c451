#include "format/record_row.h"

#include "format/filetime.h"
#include "format/record_fields.h"
#include "format/text_1252.h"

#define COLUMN_TEXT_LIMIT (RECORD_COLUMN_CHARS - 1)
// The years whose two-digit Sort key orders correctly; a date outside
// them shows "Unknown".
#define FIRST_YEAR_SHOWN 2001
#define LAST_YEAR_SHOWN 2099
#define UNKNOWN_TEXT "Unknown"

static int PutAscii(char16_t *buffer, const char *text)
{
    int length = 0;
    while (text[length] && length < COLUMN_TEXT_LIMIT) {
        buffer[length] = (unsigned char)text[length];
        length++;
    }
    buffer[length] = 0;
    return length;
}

// Widens a text of the image up to the column's limit.
static int WidenText(const IndexImage *image, RecordText text, char16_t *buffer)
{
    uint64_t length = text.length < COLUMN_TEXT_LIMIT ? text.length : COLUMN_TEXT_LIMIT;
    for (uint64_t i = 0; i < length; i++) {
        uint8_t byte = image->bytes[text.start + i];
        buffer[i] = byte < 0x80 ? byte : Widen1252(byte);
    }
    buffer[length] = 0;
    return (int)length;
}

// The URL column shows what lies at the record's start when its offset is 0.
static int FormatUrl(const IndexImage *image, const ScannedRecord *record, char16_t *buffer)
{
    RecordText url = ReadTextField(image, record, URL_FIELD_LOCATION, COLUMN_TEXT_LIMIT);
    if (!url.set)
        url = ReadRecordText(image, record, url.start, COLUMN_TEXT_LIMIT);
    return WidenText(image, url, buffer);
}

static int FormatHeaders(const IndexImage *image, const ScannedRecord *record, char16_t *buffer)
{
    RecordText headers = ReadHeaders(image, record, COLUMN_TEXT_LIMIT);
    if (!headers.set) {
        buffer[0] = 0;
        return -1;
    }
    return WidenText(image, headers, buffer);
}

static int FormatDirectory(const IndexImage *image, uint64_t recordOffset, char16_t *buffer)
{
    uint8_t slot = ReadDirectoryIndex(image, recordOffset);
    int length = 0;
    if (slot < INDEX_DIRECTORY_SLOTS)
        for (const char *name = image->directories[slot]; name[length]; length++)
            buffer[length] = Widen1252((uint8_t)name[length]);
    buffer[length] = 0;
    return length;
}

static int RecordTimeShown(const IndexImage *image, uint64_t recordOffset, int field, CalendarTime *time)
{
    uint64_t fileTime = field == URL_FIELD_ACCESSED ? ReadAccessedTime(image, recordOffset)
                                                    : ReadModifiedTime(image, recordOffset);
    return FileTimeToCalendar(fileTime, time) && time->year >= FIRST_YEAR_SHOWN && time->year <= LAST_YEAR_SHOWN;
}

enum TimePart { DatePart, TimeOfDayPart };

static void PutTwoDigits(char *out, int value)
{
    out[0] = (char)('0' + value / 10);
    out[1] = (char)('0' + value % 10);
}

// The date ("%4d/%02d/%02d") or the time of day ("%02d:%02d:%02d") of one
// of the record's times, or "Unknown" outside the years shown.
static int FormatTimePart(const IndexImage *image, uint64_t recordOffset, int field, TimePart part, char16_t *buffer)
{
    CalendarTime time;
    char text[11];
    if (!RecordTimeShown(image, recordOffset, field, &time))
        return PutAscii(buffer, UNKNOWN_TEXT);
    if (part == DatePart) {
        // The years shown have four digits.
        PutTwoDigits(text, time.year / 100);
        PutTwoDigits(text + 2, time.year % 100);
        text[4] = text[7] = '/';
        PutTwoDigits(text + 5, time.month);
        PutTwoDigits(text + 8, time.day);
        text[10] = 0;
    } else {
        PutTwoDigits(text, time.hour);
        text[2] = text[5] = ':';
        PutTwoDigits(text + 3, time.minute);
        PutTwoDigits(text + 6, time.second);
        text[8] = 0;
    }
    return PutAscii(buffer, text);
}

static int FormatSize(const IndexImage *image, uint64_t recordOffset, char16_t *buffer)
{
    char text[24];
    char *digit = text + sizeof text;
    uint64_t bytes = ReadRecordSize(image, recordOffset);
    *--digit = 0;
    do
        *--digit = (char)('0' + bytes % 10);
    while (bytes /= 10);
    return PutAscii(buffer, digit);
}

int FormatRecordColumn(const IndexImage *image, const ScannedRecord *record, int column, char16_t *buffer)
{
    uint64_t recordOffset = record->offset;
    switch (column) {
    case ColumnAccessed:
    case ColumnTimeAccessed:
        return FormatTimePart(image, recordOffset, URL_FIELD_ACCESSED,
                              column == ColumnAccessed ? DatePart : TimeOfDayPart, buffer);
    case ColumnModified:
    case ColumnTimeModified:
        return FormatTimePart(image, recordOffset, URL_FIELD_MODIFIED,
                              column == ColumnModified ? DatePart : TimeOfDayPart, buffer);
    case ColumnUrl:
        return FormatUrl(image, record, buffer);
    case ColumnSize:
        return FormatSize(image, recordOffset, buffer);
    case ColumnDir:
        return FormatDirectory(image, recordOffset, buffer);
    case ColumnFile:
        // An offset of 0 names no file: the column is empty.
        return WidenText(image, ReadTextField(image, record, URL_FIELD_FILE_NAME, COLUMN_TEXT_LIMIT), buffer);
    case ColumnHeaders:
        return FormatHeaders(image, record, buffer);
    }
    buffer[0] = 0;
    return -1;
}

uint32_t RecordSortKey(const IndexImage *image, uint64_t recordOffset)
{
    CalendarTime time;
    if (!FileTimeToCalendar(ReadAccessedTime(image, recordOffset), &time))
        return 0;
    // Kept as described: see docs/decisions.md, "The Sort key keeps a
    // two-digit year".
    uint32_t key = (uint32_t)(time.year % 100);
    key = key * 12 + (uint32_t)time.month;
    key = key * 31 + (uint32_t)time.day;
    key = key * 24 + (uint32_t)time.hour;
    return key * 3600 + (uint32_t)time.minute * 60 + (uint32_t)time.second;
}
