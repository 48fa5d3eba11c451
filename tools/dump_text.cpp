#include "tools/dump_record.h"

#include <algorithm>
#include <cstring>

#include "store/filetime.h"
#include "store/record_row.h"
#include "store/text_1252.h"

namespace {

constexpr uint64_t kTicksPerSecond = 10000000;
const char kBlankLine[] = "\r\n\r\n";
constexpr size_t kBlankLineBytes = 4;

// The text from start to its first NUL, the image's end or the text limit;
// with stopAtBlankLine also to its first CR LF CR LF.
void ReadText(const IndexImage *image, uint64_t start, bool stopAtBlankLine, std::string *out)
{
    out->clear();
    if (start >= image->size)
        return;
    const uint8_t *text = image->bytes + start;
    size_t length = static_cast<size_t>(std::min(image->size - start, kDumpTextLimit));
    if (const void *nul = std::memchr(text, 0, length))
        length = static_cast<size_t>(static_cast<const uint8_t *>(nul) - text);
    if (stopAtBlankLine)
        if (const void *blank = memmem(text, length, kBlankLine, kBlankLineBytes))
            length = static_cast<size_t>(static_cast<const uint8_t *>(blank) - text);
    Append1252AsUtf8(text, length, out);
}

uint64_t TextStart(const IndexImage *image, uint64_t offset, int field)
{
    return offset + ReadImageU32(image, UrlFieldOffset(image, offset, field));
}

// value in exactly digits decimal places, zero-filled.
char *PutDigits(char *out, unsigned value, int digits)
{
    for (int i = digits - 1; i >= 0; i--, value /= 10)
        out[i] = static_cast<char>('0' + value % 10);
    return out + digits;
}

} // namespace

void AppendUtf8(char16_t c, std::string *out)
{
    if (c < 0x80) {
        *out += static_cast<char>(c);
    } else if (c < 0x800) {
        *out += static_cast<char>(0xC0 | c >> 6);
        *out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        *out += static_cast<char>(0xE0 | c >> 12);
        *out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        *out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

void Append1252AsUtf8(const uint8_t *bytes, size_t count, std::string *out)
{
    size_t run = 0;
    for (size_t i = 0; i < count; i++) {
        if (bytes[i] < 0x80)
            continue;
        out->append(reinterpret_cast<const char *>(bytes + run), i - run);
        AppendUtf8(Widen1252(bytes[i]), out);
        run = i + 1;
    }
    out->append(reinterpret_cast<const char *>(bytes + run), count - run);
}

void ReadDumpRecord(const IndexImage *image, uint64_t offset, DumpRecord *record)
{
    record->offset = offset;
    record->sortKey = RecordSortKey(image, offset);
    record->size = static_cast<uint64_t>(ReadImageU32(image, offset + URL_FIELD_BLOCK_COUNT)) * INDEX_BLOCK_BYTES;
    record->accessed = ReadImageU64(image, offset + URL_FIELD_ACCESSED);
    record->modified = ReadImageU64(image, offset + URL_FIELD_MODIFIED);
    ReadText(image, TextStart(image, offset, URL_FIELD_LOCATION), false, &record->url);

    // A file name offset of 0 would name the record's own signature.
    record->fileName.clear();
    if (ReadImageU32(image, UrlFieldOffset(image, offset, URL_FIELD_FILE_NAME)))
        ReadText(image, TextStart(image, offset, URL_FIELD_FILE_NAME), false, &record->fileName);

    record->directory.clear();
    uint8_t slot = ReadImageU8(image, UrlFieldOffset(image, offset, URL_FIELD_DIRECTORY));
    if (slot < INDEX_DIRECTORY_SLOTS) {
        const char *name = image->directories[slot];
        Append1252AsUtf8(reinterpret_cast<const uint8_t *>(name), std::strlen(name), &record->directory);
    }

    // As in the viewer: a header block exists when a blank line follows its
    // start anywhere in the image.
    uint32_t headerOffset = ReadImageU32(image, UrlFieldOffset(image, offset, URL_FIELD_HEADERS));
    uint64_t headerStart = offset + headerOffset;
    record->headersSet = headerOffset && headerStart < image->size && image->lastBlankLine >= headerStart
                         && image->lastBlankLine < image->size;
    record->headers.clear();
    if (record->headersSet)
        ReadText(image, headerStart, true, &record->headers);
}

size_t FormatIsoTime(uint64_t fileTime, bool fraction, char *buffer)
{
    CalendarTime time;
    if (!fileTime || !FileTimeToCalendar(fileTime, &time))
        return 0;
    char *out = buffer;
    // ISO 8601 wants a sign on years of more than four digits.
    if (time.year > 9999) {
        *out++ = '+';
        out = PutDigits(out, static_cast<unsigned>(time.year), 5);
    } else {
        out = PutDigits(out, static_cast<unsigned>(time.year), 4);
    }
    const struct {
        char separator;
        int value;
    } kParts[] = {{'-', time.month}, {'-', time.day}, {'T', time.hour}, {':', time.minute}, {':', time.second}};
    for (const auto &part : kParts) {
        *out++ = part.separator;
        out = PutDigits(out, static_cast<unsigned>(part.value), 2);
    }
    if (fraction) {
        *out++ = '.';
        out = PutDigits(out, static_cast<unsigned>(fileTime % kTicksPerSecond), 7);
    }
    *out++ = 'Z';
    *out = 0;
    return static_cast<size_t>(out - buffer);
}
