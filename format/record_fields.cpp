#include "format/record_fields.h"

#include <string.h>

#include "format/filetime.h"
#include "format/index_kinds.h"

#define BLANK_LINE "\r\n\r\n"

int RecordTypeOf(uint32_t signature)
{
    switch (signature) {
    case RECORD_SIGNATURE_URL:
        return RecordUrl;
    case RECORD_SIGNATURE_LEAK:
        return RecordLeak;
    case RECORD_SIGNATURE_REDR:
        return RecordRedirect;
    }
    return RecordNone;
}

// Offset of the first CR LF CR LF wholly inside the length bytes at text,
// or length.
static uint64_t FindBlankLine(const uint8_t *text, uint64_t length)
{
    for (uint64_t at = 0; length - at >= BLANK_LINE_BYTES; at++) {
        const uint8_t *cr = (const uint8_t *)memchr(text + at, '\r', (size_t)(length - at - (BLANK_LINE_BYTES - 1)));
        if (!cr)
            break;
        at = (uint64_t)(cr - text);
        if (!memcmp(cr, BLANK_LINE, BLANK_LINE_BYTES))
            return at;
    }
    return length;
}

// Where the record's texts must stop: its end, or the image's.
static uint64_t TextBound(const IndexImage *image, const ScannedRecord *record)
{
    return record->end < image->size ? record->end : image->size;
}

static RecordText TextAt(const IndexImage *image, const ScannedRecord *record, uint64_t start, int set, uint64_t limit)
{
    RecordText text = {start, 0, set};
    uint64_t bound = TextBound(image, record);
    if (!set || start >= bound)
        return text;
    const uint8_t *bytes = image->bytes + start;
    uint64_t length = bound - start < limit ? bound - start : limit;
    const uint8_t *nul = (const uint8_t *)memchr(bytes, 0, (size_t)length);
    text.length = nul ? (uint64_t)(nul - bytes) : length;
    return text;
}

RecordText ReadRecordText(const IndexImage *image, const ScannedRecord *record, uint64_t start, uint64_t limit)
{
    return TextAt(image, record, start, 1, limit);
}

RecordText ReadTextField(const IndexImage *image, const ScannedRecord *record, int field, uint64_t limit)
{
    uint32_t textOffset = ReadImageU32(image, UrlFieldOffset(image, record->offset, field));
    return TextAt(image, record, record->offset + textOffset, textOffset != 0, limit);
}

// Where the header text starts and where its blank line lies; false when
// no blank line ends it before the record's end. The blank line is
// searched through NULs, as the viewer decides whether a header block
// exists.
static int FindHeaderBlock(const IndexImage *image, const ScannedRecord *record, uint64_t *start,
                           uint64_t *blankLine)
{
    uint32_t textOffset = ReadImageU32(image, UrlFieldOffset(image, record->offset, URL_FIELD_HEADERS));
    uint64_t bound = TextBound(image, record);
    *start = record->offset + textOffset;
    if (!textOffset || *start >= bound)
        return 0;
    *blankLine = *start + FindBlankLine(image->bytes + *start, bound - *start);
    return *blankLine < bound;
}

// The text itself stops at a NUL as every other text does.
RecordText ReadHeaders(const IndexImage *image, const ScannedRecord *record, uint64_t limit)
{
    uint64_t start = 0, blankLine = 0;
    if (!FindHeaderBlock(image, record, &start, &blankLine))
        return RecordText{start, 0, 0};
    return TextAt(image, record, start, 1, blankLine - start < limit ? blankLine - start : limit);
}

#define HISTORY_RANGE_DIGITS 16

// The length of a daily or weekly history location's leading
// ":YYYYMMDDYYYYMMDD: ", or 0.
static uint64_t HistoryRangeLength(const IndexImage *image, RecordText location)
{
    const uint8_t *text = image->bytes + location.start;
    uint64_t length = 1 + HISTORY_RANGE_DIGITS + 2;
    if (location.length < length || text[0] != ':' || text[length - 2] != ':' || text[length - 1] != ' ')
        return 0;
    for (int i = 1; i <= HISTORY_RANGE_DIGITS; i++)
        if (text[i] < '0' || text[i] > '9')
            return 0;
    return length;
}

static int TextBegins(const IndexImage *image, RecordText text, const char *prefix)
{
    size_t length = strlen(prefix);
    return text.length >= length && !memcmp(image->bytes + text.start, prefix, length);
}

// The text from `from` on up to the first of the stop bytes; unset when
// none of them comes before the text ends.
static RecordText TextUpTo(const IndexImage *image, RecordText text, uint64_t from, const char *stops, int endStops)
{
    RecordText part = {text.start + from, 0, 0};
    for (uint64_t at = from; at < text.length; at++)
        if (strchr(stops, image->bytes[text.start + at])) {
            part.length = at - from;
            part.set = 1;
            return part;
        }
    part.length = text.length - from;
    part.set = endStops && from < text.length;
    return part;
}

#define CACHE_USER_MARK "~U:"
#define HISTORY_PREFIX "Visited: "
#define COOKIE_PREFIX "Cookie:"
// URL records read to learn a file's kind before giving up.
#define KIND_RECORDS_TRIED 16

static RecordText ReadUser(const IndexImage *image, const ScannedRecord *record, const RecordFields *fields)
{
    static const char *const userPrefixes[] = {HISTORY_PREFIX, COOKIE_PREFIX};
    uint64_t from = HistoryRangeLength(image, fields->location);
    for (size_t i = 0; !from && i < sizeof userPrefixes / sizeof userPrefixes[0]; i++)
        if (TextBegins(image, fields->location, userPrefixes[i]))
            from = strlen(userPrefixes[i]);
    if (from)
        return TextUpTo(image, fields->location, from, "@", 0);
    uint64_t start = 0, blankLine = 0;
    if (!FindHeaderBlock(image, record, &start, &blankLine))
        return RecordText{start, 0, 0};
    RecordText after = ReadRecordText(image, record, blankLine + BLANK_LINE_BYTES, RECORD_TEXT_LIMIT);
    if (!TextBegins(image, after, CACHE_USER_MARK))
        return RecordText{after.start, 0, 0};
    return TextUpTo(image, after, strlen(CACHE_USER_MARK), "\r\n", 1);
}

int IndexKindOfRecords(const IndexImage *image, ImageRangeDone passed, void *context)
{
    uint64_t limit = ScanLimit(image), cursor = ScanStart(image);
    uint32_t signature = 0;
    for (int tried = 0; tried < KIND_RECORDS_TRIED
                        && (cursor = FindRecordSignaturePassing(image, cursor, limit, &signature, passed, context))
                               < limit;
         cursor += RecordStep(image, cursor)) {
        if (signature != RECORD_SIGNATURE_URL)
            continue;
        tried++;
        ScannedRecord record = {cursor, cursor + ReadRecordSize(image, cursor), RecordUrl, 0};
        RecordText location = ReadTextField(image, &record, URL_FIELD_LOCATION, RECORD_TEXT_LIMIT);
        if (!location.length)
            continue;
        if (TextBegins(image, location, HISTORY_PREFIX) || HistoryRangeLength(image, location))
            return KindHistory;
        return TextBegins(image, location, COOKIE_PREFIX) ? KindCookies : KindCache;
    }
    return -1;
}

uint64_t ReadAccessedTime(const IndexImage *image, uint64_t offset)
{
    return ReadImageU64(image, offset + URL_FIELD_ACCESSED);
}

uint64_t ReadModifiedTime(const IndexImage *image, uint64_t offset)
{
    return ReadImageU64(image, offset + URL_FIELD_MODIFIED);
}

uint8_t ReadDirectoryIndex(const IndexImage *image, uint64_t offset)
{
    return ReadImageU8(image, UrlFieldOffset(image, offset, URL_FIELD_DIRECTORY));
}

static void ReadUrlFields(const IndexImage *image, const ScannedRecord *record, RecordFields *fields)
{
    uint64_t offset = record->offset;
    fields->modified = ReadModifiedTime(image, offset);
    fields->accessed = ReadAccessedTime(image, offset);
    fields->expires = image->version4 ? ReadImageU64(image, offset + URL_FIELD_EXPIRES)
                                      : FatDateTimeToFileTime(ReadImageU32(image, offset + URL_FIELD_EXPIRES));
    fields->lastChecked =
        FatDateTimeToFileTime(ReadImageU32(image, UrlFieldOffset(image, offset, URL_FIELD_LAST_CHECKED)));
    fields->cachedFileSize = ReadImageU32(image, offset + URL_FIELD_CACHED_SIZE);
    // Only a version 5 "URL " record keeps the size's high word; a LEAK
    // record leaves it uninitialised.
    if (!image->version4 && record->type == RecordUrl)
        fields->cachedFileSize |= (uint64_t)ReadImageU32(image, offset + URL_FIELD_CACHED_SIZE_HIGH) << 32;
    fields->hits = ReadImageU32(image, UrlFieldOffset(image, offset, URL_FIELD_HITS));
    fields->flags = ReadImageU32(image, UrlFieldOffset(image, offset, URL_FIELD_FLAGS));
    fields->directoryIndex = ReadDirectoryIndex(image, offset);
    fields->location = ReadTextField(image, record, URL_FIELD_LOCATION, RECORD_TEXT_LIMIT);
    fields->fileName = ReadTextField(image, record, URL_FIELD_FILE_NAME, RECORD_TEXT_LIMIT);
    fields->headers = ReadHeaders(image, record, RECORD_TEXT_LIMIT);
    fields->user = ReadUser(image, record, fields);
    fields->modifiedLocal = HistoryRangeLength(image, fields->location) != 0;
}

// Whether the record ends, in the image or by the scan, before the end of
// the blocks it claims.
static int RecordPartial(const IndexImage *image, const ScannedRecord *record)
{
    return TextBound(image, record) < record->offset + ReadRecordSize(image, record->offset);
}

void ReadRecordFields(const IndexImage *image, const ScannedRecord *record, RecordFields *fields)
{
    memset(fields, 0, sizeof *fields);
    fields->type = record->type;
    fields->offset = record->offset;
    fields->size = ReadRecordSize(image, record->offset);
    fields->partial = RecordPartial(image, record);
    if (record->type == RecordRedirect)
        fields->location = ReadRecordText(image, record, record->offset + REDR_FIELD_LOCATION, RECORD_TEXT_LIMIT);
    else
        ReadUrlFields(image, record, fields);
}
