#include "format/index_format.h"

#include <string.h>

// How far FindRecordSignaturePassing searches before it tells its caller.
#define SCAN_STRETCH_BYTES (1u << 20)

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

void OpenIndexImage(IndexImage *image, const uint8_t *bytes, uint64_t size)
{
    memset(image, 0, sizeof *image);
    image->bytes = bytes;
    image->size = bytes ? size : 0;
    image->version4 = ReadImageU8(image, INDEX_VERSION_DIGIT_OFFSET) == INDEX_VERSION4_DIGIT;
    FillDirectoryTable(image);
}

void OpenRecordImage(IndexImage *image, const uint8_t *bytes, uint64_t size, int version4)
{
    memset(image, 0, sizeof *image);
    image->bytes = bytes;
    image->size = bytes ? size : 0;
    image->version4 = version4;
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

int IsRecordSignature(uint32_t signature)
{
    return signature == RECORD_SIGNATURE_URL || signature == RECORD_SIGNATURE_HASH
           || signature == RECORD_SIGNATURE_LEAK || signature == RECORD_SIGNATURE_REDR;
}

static uint64_t FindRecordSignature(const IndexImage *image, uint64_t from, uint64_t limit, uint32_t *signature)
{
    while (from < limit) {
        *signature = ReadImageU32(image, from);
        if (IsRecordSignature(*signature))
            return from;
        from = SkipToSignatureStart(image, from + 1, limit);
    }
    return limit;
}

uint64_t FindRecordSignaturePassing(const IndexImage *image, uint64_t from, uint64_t limit, uint32_t *signature,
                                    ImageRangeDone passed, void *context)
{
    for (; passed && from < limit && limit - from > SCAN_STRETCH_BYTES; from += SCAN_STRETCH_BYTES) {
        uint64_t found = FindRecordSignature(image, from, from + SCAN_STRETCH_BYTES, signature);
        if (found < from + SCAN_STRETCH_BYTES)
            return found;
        passed(context, from, SCAN_STRETCH_BYTES);
    }
    return FindRecordSignature(image, from, limit, signature);
}

uint64_t ReadRecordSize(const IndexImage *image, uint64_t recordOffset)
{
    return (uint64_t)ReadImageU32(image, recordOffset + URL_FIELD_BLOCK_COUNT) * INDEX_BLOCK_BYTES;
}

uint64_t RecordStep(const IndexImage *image, uint64_t recordOffset)
{
    uint64_t step = ReadRecordSize(image, recordOffset);
    return step ? step : 1;
}

int HasIndexSignature(const IndexImage *image)
{
    return ImageHolds(image, 0, INDEX_SIGNATURE_BYTES) && !memcmp(image->bytes, INDEX_SIGNATURE, INDEX_SIGNATURE_BYTES);
}

uint64_t ScanLimit(const IndexImage *image)
{
    return image->size > INDEX_SCAN_MARGIN ? image->size - INDEX_SCAN_MARGIN : 0;
}

int HashTableOutside(const IndexImage *image)
{
    return ReadImageU32(image, INDEX_HASH_TABLE_OFFSET) >= ScanLimit(image) && ScanLimit(image) > 0;
}

uint64_t ScanStart(const IndexImage *image)
{
    return HashTableOutside(image) ? INDEX_DATA_AREA_OFFSET : ReadImageU32(image, INDEX_HASH_TABLE_OFFSET);
}
