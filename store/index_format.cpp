#include "store/index_format.h"

#include <string.h>

static int ImageHolds(const IndexImage *image, uint64_t offset, uint64_t width)
{
    return offset <= image->size && width <= image->size - offset;
}

uint8_t ReadImageU8(const IndexImage *image, uint64_t offset)
{
    return ImageHolds(image, offset, 1) ? image->bytes[offset] : 0;
}

uint32_t ReadImageU32(const IndexImage *image, uint64_t offset)
{
    if (!ImageHolds(image, offset, 4))
        return 0;
    const uint8_t *p = image->bytes + offset;
    return (uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24;
}

uint64_t ReadImageU64(const IndexImage *image, uint64_t offset)
{
    if (!ImageHolds(image, offset, 8))
        return 0;
    return (uint64_t)ReadImageU32(image, offset) | (uint64_t)ReadImageU32(image, offset + 4) << 32;
}

uint64_t UrlFieldOffset(const IndexImage *image, uint64_t recordOffset, int field)
{
    int shift = image->version4 && field >= URL_FIELD_LOCATION ? URL_VERSION4_SHIFT : 0;
    return recordOffset + field + shift;
}

static void FillDirectoryTable(IndexImage *image)
{
    uint32_t count = ReadImageU32(image, INDEX_DIRECTORY_COUNT_OFFSET);
    if (count > INDEX_DIRECTORY_SLOTS)
        count = INDEX_DIRECTORY_SLOTS;
    for (uint32_t slot = 0; slot < count; slot++) {
        uint64_t name = INDEX_DIRECTORY_ENTRIES_OFFSET + (uint64_t)slot * INDEX_DIRECTORY_ENTRY_BYTES
                        + INDEX_DIRECTORY_NAME_SKIP;
        for (int i = 0; i < INDEX_DIRECTORY_NAME_BYTES && ImageHolds(image, name + i, 1); i++)
            image->directories[slot][i] = (char)image->bytes[name + i];
    }
}

static uint64_t FindLastBlankLine(const IndexImage *image)
{
    static const uint8_t blankLine[] = {'\r', '\n', '\r', '\n'};
    for (uint64_t at = image->size; at >= sizeof blankLine; at--)
        if (!memcmp(image->bytes + at - sizeof blankLine, blankLine, sizeof blankLine))
            return at - sizeof blankLine;
    return image->size;
}

void OpenIndexImage(IndexImage *image, const uint8_t *bytes, uint64_t size)
{
    memset(image, 0, sizeof *image);
    image->bytes = bytes;
    image->size = bytes ? size : 0;
    image->version4 = ReadImageU8(image, INDEX_VERSION_DIGIT_OFFSET) == INDEX_VERSION4_DIGIT;
    FillDirectoryTable(image);
    image->lastBlankLine = FindLastBlankLine(image);
}

// Only these bytes can begin "URL ", "HASH", "LEAK" or "REDR".
static int CanStartSignature(uint8_t byte)
{
    return byte == 'U' || byte == 'H' || byte == 'L' || byte == 'R';
}

#define EVERY_BYTE(value) (0x0101010101010101ull * (uint8_t)(value))

// Whether any of the eight bytes in word is one of the signatures' first
// bytes; the zero-byte test is exact in either byte order.
static int WordMayStartSignature(uint64_t word)
{
    static const char firstBytes[] = {'U', 'H', 'L', 'R'};
    uint64_t found = 0;
    for (int i = 0; i < 4; i++) {
        uint64_t x = word ^ EVERY_BYTE(firstBytes[i]);
        found |= (x - EVERY_BYTE(1)) & ~x & EVERY_BYTE(0x80);
    }
    return found != 0;
}

// The first offset from `from` on, before limit, whose byte can begin a
// signature, or limit. Unrecognised regions are passed eight bytes at a
// time; the result is the same as testing every byte.
static uint64_t SkipToSignatureStart(const IndexImage *image, uint64_t from, uint64_t limit)
{
    uint64_t word;
    while (from + sizeof word <= limit) {
        memcpy(&word, image->bytes + from, sizeof word);
        if (WordMayStartSignature(word))
            break;
        from += sizeof word;
    }
    while (from < limit && !CanStartSignature(image->bytes[from]))
        from++;
    return from;
}

void ScanIndexImage(const IndexImage *image, RecordVisitor visit, void *context)
{
    if (image->size <= INDEX_SCAN_MARGIN)
        return;
    uint64_t limit = image->size - INDEX_SCAN_MARGIN;
    uint64_t cursor = ReadImageU32(image, INDEX_HASH_TABLE_OFFSET);
    while (cursor < limit) {
        uint32_t signature = ReadImageU32(image, cursor);
        if (signature != RECORD_SIGNATURE_URL && signature != RECORD_SIGNATURE_HASH
            && signature != RECORD_SIGNATURE_LEAK && signature != RECORD_SIGNATURE_REDR) {
            cursor = SkipToSignatureStart(image, cursor + 1, limit);
            continue;
        }
        if (signature == RECORD_SIGNATURE_URL)
            visit(context, cursor);
        // A record claiming no blocks would hold the cursor in place.
        uint64_t step = (uint64_t)ReadImageU32(image, cursor + URL_FIELD_BLOCK_COUNT) * INDEX_BLOCK_BYTES;
        cursor += step ? step : 1;
    }
}
