#include "store/record_row.h"

#include <string.h>

#include "store/filetime.h"
#include "store/record_fields.h"
#include "store/text_1252.h"

#define COLUMN_TEXT_LIMIT (RECORD_COLUMN_CHARS - 1)
#define ACCESSED_FIRST_YEAR 2001
#define ACCESSED_LAST_YEAR 2009
#define MODIFIED_FIRST_YEAR 2001
#define MODIFIED_LAST_YEAR 2014
#define UNKNOWN_TEXT "Unknown"
#define BLANK_LINE_BYTES 4

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

// Widens 8-bit text from start up to its first NUL, the image's end, a
// blank line when stopAtBlankLine is set, or the column's limit; a blank
// line counts when it begins within the limit.
static int WidenImageText(const IndexImage *image, uint64_t start, int stopAtBlankLine, char16_t *buffer)
{
    uint64_t length = 0;
    if (start < image->size) {
        const uint8_t *text = image->bytes + start;
        uint64_t window = COLUMN_TEXT_LIMIT + BLANK_LINE_BYTES - 1;
        if (window > image->size - start)
            window = image->size - start;
        const uint8_t *nul = (const uint8_t *)memchr(text, 0, (size_t)window);
        length = nul ? (uint64_t)(nul - text) : window;
        if (stopAtBlankLine)
            length = FindBlankLine(text, length);
        if (length > COLUMN_TEXT_LIMIT)
            length = COLUMN_TEXT_LIMIT;
        for (uint64_t i = 0; i < length; i++)
            buffer[i] = text[i] < 0x80 ? text[i] : Widen1252(text[i]);
    }
    buffer[length] = 0;
    return (int)length;
}

static int FormatTextAt(const IndexImage *image, uint64_t recordOffset, int field, char16_t *buffer)
{
    uint32_t offset = ReadImageU32(image, UrlFieldOffset(image, recordOffset, field));
    return WidenImageText(image, recordOffset + offset, 0, buffer);
}

// The header text runs up to the first blank line after it; only whether
// one exists at all matters beyond the column's reach, and the image's last
// blank line answers that without searching the rest of the file again.
static int FormatHeaders(const IndexImage *image, uint64_t recordOffset, char16_t *buffer)
{
    uint32_t offset = ReadImageU32(image, UrlFieldOffset(image, recordOffset, URL_FIELD_HEADERS));
    uint64_t start = recordOffset + offset;
    buffer[0] = 0;
    if (!offset || start >= image->size || image->lastBlankLine < start || image->lastBlankLine >= image->size)
        return -1;
    return WidenImageText(image, start, 1, buffer);
}

static int FormatDirectory(const IndexImage *image, uint64_t recordOffset, char16_t *buffer)
{
    uint8_t slot = ReadImageU8(image, UrlFieldOffset(image, recordOffset, URL_FIELD_DIRECTORY));
    int length = 0;
    if (slot < INDEX_DIRECTORY_SLOTS)
        for (const char *name = image->directories[slot]; name[length]; length++)
            buffer[length] = Widen1252((uint8_t)name[length]);
    buffer[length] = 0;
    return length;
}

static int RecordTimeShown(const IndexImage *image, uint64_t recordOffset, int field, CalendarTime *time)
{
    int first = field == URL_FIELD_ACCESSED ? ACCESSED_FIRST_YEAR : MODIFIED_FIRST_YEAR;
    int last = field == URL_FIELD_ACCESSED ? ACCESSED_LAST_YEAR : MODIFIED_LAST_YEAR;
    return FileTimeToCalendar(ReadImageU64(image, recordOffset + field), time) && time->year >= first
           && time->year <= last;
}

enum TimePart { DatePart, TimeOfDayPart };

static void PutTwoDigits(char *out, int value)
{
    out[0] = (char)('0' + value / 10);
    out[1] = (char)('0' + value % 10);
}

// The date ("%4d/%02d/%02d") or the time of day ("%02d:%02d:%02d") of one
// of the record's times, or "Unknown" outside that time's year window.
static int FormatTimePart(const IndexImage *image, uint64_t recordOffset, int field, TimePart part, char16_t *buffer)
{
    CalendarTime time;
    char text[11];
    if (!RecordTimeShown(image, recordOffset, field, &time))
        return PutAscii(buffer, UNKNOWN_TEXT);
    if (part == DatePart) {
        // The year window keeps years to four digits.
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
    uint64_t bytes = (uint64_t)ReadImageU32(image, recordOffset + URL_FIELD_BLOCK_COUNT) * INDEX_BLOCK_BYTES;
    *--digit = 0;
    do
        *--digit = (char)('0' + bytes % 10);
    while (bytes /= 10);
    return PutAscii(buffer, digit);
}

int FormatRecordColumn(const IndexImage *image, uint64_t recordOffset, int column, char16_t *buffer)
{
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
        return FormatTextAt(image, recordOffset, URL_FIELD_LOCATION, buffer);
    case ColumnSize:
        return FormatSize(image, recordOffset, buffer);
    case ColumnDir:
        return FormatDirectory(image, recordOffset, buffer);
    case ColumnFile:
        // An offset of 0 would show the record's own signature bytes.
        if (!ReadImageU32(image, UrlFieldOffset(image, recordOffset, URL_FIELD_FILE_NAME)))
            return PutAscii(buffer, "");
        return FormatTextAt(image, recordOffset, URL_FIELD_FILE_NAME, buffer);
    case ColumnHeaders:
        return FormatHeaders(image, recordOffset, buffer);
    }
    buffer[0] = 0;
    return -1;
}

uint32_t RecordSortKey(const IndexImage *image, uint64_t recordOffset)
{
    CalendarTime time;
    if (!FileTimeToCalendar(ReadImageU64(image, recordOffset + URL_FIELD_ACCESSED), &time))
        return 0;
    uint32_t key = (uint32_t)(time.year % 100);
    key = key * 12 + (uint32_t)time.month;
    key = key * 31 + (uint32_t)time.day;
    key = key * 24 + (uint32_t)time.hour;
    return key * 3600 + (uint32_t)time.minute * 60 + (uint32_t)time.second;
}
