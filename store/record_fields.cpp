#include "store/record_fields.h"

#include <string.h>

#include "store/filetime.h"

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

uint64_t FindBlankLine(const uint8_t *text, uint64_t length)
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

static RecordText TextAt(const IndexImage *image, uint64_t start, int set, int stopAtBlankLine, uint64_t limit)
{
    RecordText text = {start, 0, set};
    if (!set || start >= image->size)
        return text;
    const uint8_t *bytes = image->bytes + start;
    uint64_t length = image->size - start < limit ? image->size - start : limit;
    const uint8_t *nul = (const uint8_t *)memchr(bytes, 0, (size_t)length);
    text.length = nul ? (uint64_t)(nul - bytes) : length;
    if (stopAtBlankLine)
        text.length = FindBlankLine(bytes, text.length);
    return text;
}

RecordText ReadImageText(const IndexImage *image, uint64_t start, uint64_t limit)
{
    return TextAt(image, start, 1, 0, limit);
}

RecordText ReadTextField(const IndexImage *image, uint64_t offset, int field, uint64_t limit)
{
    uint32_t textOffset = ReadImageU32(image, UrlFieldOffset(image, offset, field));
    return TextAt(image, offset + textOffset, textOffset != 0, 0, limit);
}

// A header block exists when a blank line follows its start anywhere in
// the image, as the viewer decides it.
RecordText ReadHeaders(const IndexImage *image, uint64_t offset, uint64_t limit)
{
    uint32_t textOffset = ReadImageU32(image, UrlFieldOffset(image, offset, URL_FIELD_HEADERS));
    uint64_t start = offset + textOffset;
    int set = textOffset && start < image->size && image->lastBlankLine >= start
              && image->lastBlankLine < image->size;
    return TextAt(image, start, set, 1, limit);
}

uint64_t ReadRecordSize(const IndexImage *image, uint64_t offset)
{
    return (uint64_t)ReadImageU32(image, offset + URL_FIELD_BLOCK_COUNT) * INDEX_BLOCK_BYTES;
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

static void ReadUrlFields(const IndexImage *image, uint64_t offset, int type, RecordFields *fields)
{
    fields->modified = ReadModifiedTime(image, offset);
    fields->accessed = ReadAccessedTime(image, offset);
    fields->expires = image->version4 ? ReadImageU64(image, offset + URL_FIELD_EXPIRES)
                                      : FatDateTimeToFileTime(ReadImageU32(image, offset + URL_FIELD_EXPIRES));
    fields->lastChecked =
        FatDateTimeToFileTime(ReadImageU32(image, UrlFieldOffset(image, offset, URL_FIELD_LAST_CHECKED)));
    fields->cachedFileSize = ReadImageU32(image, offset + URL_FIELD_CACHED_SIZE);
    // Only a version 5 "URL " record keeps the size's high word; a LEAK
    // record leaves it uninitialised.
    if (!image->version4 && type == RecordUrl)
        fields->cachedFileSize |= (uint64_t)ReadImageU32(image, offset + URL_FIELD_CACHED_SIZE_HIGH) << 32;
    fields->hits = ReadImageU32(image, UrlFieldOffset(image, offset, URL_FIELD_HITS));
    fields->flags = ReadImageU32(image, UrlFieldOffset(image, offset, URL_FIELD_FLAGS));
    fields->directoryIndex = ReadDirectoryIndex(image, offset);
    fields->location = ReadTextField(image, offset, URL_FIELD_LOCATION, RECORD_TEXT_LIMIT);
    fields->fileName = ReadTextField(image, offset, URL_FIELD_FILE_NAME, RECORD_TEXT_LIMIT);
    fields->headers = ReadHeaders(image, offset, RECORD_TEXT_LIMIT);
}

void ReadRecordFields(const IndexImage *image, uint64_t offset, int type, RecordFields *fields)
{
    memset(fields, 0, sizeof *fields);
    fields->type = type;
    fields->offset = offset;
    fields->size = ReadRecordSize(image, offset);
    if (type == RecordRedirect)
        fields->location = ReadImageText(image, offset + REDR_FIELD_LOCATION, RECORD_TEXT_LIMIT);
    else
        ReadUrlFields(image, offset, type, fields);
}
