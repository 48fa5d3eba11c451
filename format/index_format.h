// The parts of an Internet Explorer index.dat image that the record scans
// read: header fields, the directory table, the allocation bitmap, hash
// tables, record framing and the record fields. Every read checks the
// image's bounds first.
#pragma once
#include <stdint.h>

// Every index file begins with this text, then "4.7" or "5.2".
#define INDEX_SIGNATURE "Client UrlCache MMF Ver "
#define INDEX_SIGNATURE_BYTES 24
#define INDEX_VERSION_DIGIT_OFFSET 24
#define INDEX_FILE_SIZE_OFFSET 28 // the file size the header records
#define INDEX_HASH_TABLE_OFFSET 32
#define INDEX_BLOCK_COUNT_OFFSET 36
#define INDEX_DIRECTORY_COUNT_OFFSET 72
#define INDEX_DIRECTORY_ENTRIES_OFFSET 76
#define INDEX_DIRECTORY_ENTRY_BYTES 12
#define INDEX_DIRECTORY_NAME_SKIP 4
#define INDEX_DIRECTORY_SLOTS 16
#define INDEX_DIRECTORY_NAME_BYTES 8
// Every fixed field of a record starting before size - 104 lies inside the
// image; the furthest one ends at record offset 76.
#define INDEX_SCAN_MARGIN 104
#define INDEX_BLOCK_BYTES 128
#define INDEX_VERSION4_DIGIT '4'
// Header data entry 22: the offset of the first LEAK record of the leak list.
#define INDEX_LEAK_LIST_OFFSET 548
// One bit per block from the data area on, lowest bit first; the bitmap
// ends where the data area begins, so it describes at most this many blocks.
#define INDEX_ALLOCATION_BITMAP_OFFSET 0x250
#define INDEX_DATA_AREA_OFFSET 0x4000
#define INDEX_BITMAP_BLOCKS ((INDEX_DATA_AREA_OFFSET - INDEX_ALLOCATION_BITMAP_OFFSET) * 8)

#define RECORD_SIGNATURE_URL 0x204C5255u
#define RECORD_SIGNATURE_HASH 0x48534148u
#define RECORD_SIGNATURE_LEAK 0x4B41454Cu
#define RECORD_SIGNATURE_REDR 0x52444552u

// A HASH record: the next table's offset, then entries of a 32-bit hash
// (its low four bits flags) and a 32-bit record offset.
#define HASH_FIELD_NEXT 8
#define HASH_ENTRIES_OFFSET 16
#define HASH_ENTRY_BYTES 8

// "URL " record fields as offsets from the record's first byte, in the
// version 5 layout; version 4 moves everything from the URL offset on by
// URL_VERSION4_SHIFT bytes. "LEAK" records share the layout.
#define URL_FIELD_BLOCK_COUNT 4
#define URL_FIELD_MODIFIED 8
#define URL_FIELD_ACCESSED 16
#define URL_FIELD_EXPIRES 24 // FAT date-time in version 5, FILETIME in version 4
#define URL_FIELD_CACHED_SIZE 32
#define URL_FIELD_CACHED_SIZE_HIGH 36 // version 5 "URL " records only
#define URL_FIELD_LOCATION 52
#define URL_FIELD_DIRECTORY 56
#define URL_FIELD_FILE_NAME 60
#define URL_FIELD_FLAGS 64
#define URL_FIELD_HEADERS 68
#define URL_FIELD_LAST_CHECKED 80 // FAT date-time
#define URL_FIELD_HITS 84
#define URL_VERSION4_SHIFT 4
// A "LEAK" record's link to the next one of the leak list, a file offset.
#define LEAK_FIELD_NEXT 44
#define REDR_FIELD_LOCATION 16

struct IndexImage {
    const uint8_t *bytes;
    uint64_t size;
    int version4;
    // Scan directory table: each name ends at its first zero byte or at
    // the slot's ninth byte, which stays zero.
    char directories[INDEX_DIRECTORY_SLOTS][INDEX_DIRECTORY_NAME_BYTES + 1];
};

// Reads the header fields the scan needs: layout and directory table.
void OpenIndexImage(IndexImage *image, const uint8_t *bytes, uint64_t size);

// An image of one record found outside any index file, at offset 0: it
// has no header, so no directory table, and its layout is the caller's
// (version4: the 4.7 layout).
void OpenRecordImage(IndexImage *image, const uint8_t *bytes, uint64_t size, int version4);

// Whether the image begins with the index file signature.
int HasIndexSignature(const IndexImage *image);
// Where a scan ends: records starting before it have every fixed field
// inside the image; 0 for an image too small to hold one.
uint64_t ScanLimit(const IndexImage *image);
// Whether the header's first hash table lies at or past the scan limit,
// where a scan starting from it would find nothing.
int HashTableOutside(const IndexImage *image);
// Where a scan starts: the first hash table, or the data area when the
// table lies outside the image.
uint64_t ScanStart(const IndexImage *image);
// Whether signature is one of "URL ", "HASH", "LEAK" and "REDR".
int IsRecordSignature(uint32_t signature);

// Told of each range of the image that a reader has finished with, so that
// a caller can give its pages back.
typedef void (*ImageRangeDone)(void *context, uint64_t offset, uint64_t bytes);

// The first offset from `from` on, before limit, that holds one of the
// four record signatures (stored in signature), or limit. It searches a
// megabyte at a time, telling passed (when not null) of each megabyte
// searched without a signature, so that a caller can give its pages back
// however far apart the records lie.
uint64_t FindRecordSignaturePassing(const IndexImage *image, uint64_t from, uint64_t limit, uint32_t *signature,
                                    ImageRangeDone passed, void *context);
// The bytes the record at recordOffset claims, block count x 128.
uint64_t ReadRecordSize(const IndexImage *image, uint64_t recordOffset);
// The same, but 1 for a record claiming no blocks, so that a scan always
// moves on.
uint64_t RecordStep(const IndexImage *image, uint64_t recordOffset);

// Little-endian reads; a value reaching past the image's end reads as 0.
// They are inline: every field of every record goes through them.
static inline int ImageHolds(const IndexImage *image, uint64_t offset, uint64_t width)
{
    return offset <= image->size && width <= image->size - offset;
}

static inline uint8_t ReadImageU8(const IndexImage *image, uint64_t offset)
{
    return ImageHolds(image, offset, 1) ? image->bytes[offset] : 0;
}

static inline uint32_t ReadImageU32(const IndexImage *image, uint64_t offset)
{
    if (!ImageHolds(image, offset, 4))
        return 0;
    const uint8_t *p = image->bytes + offset;
    return (uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24;
}

static inline uint64_t ReadImageU64(const IndexImage *image, uint64_t offset)
{
    if (!ImageHolds(image, offset, 8))
        return 0;
    return (uint64_t)ReadImageU32(image, offset) | (uint64_t)ReadImageU32(image, offset + 4) << 32;
}

// Offset of a "URL " record field in this image's layout.
static inline uint64_t UrlFieldOffset(const IndexImage *image, uint64_t recordOffset, int field)
{
    int shift = image->version4 && field >= URL_FIELD_LOCATION ? URL_VERSION4_SHIFT : 0;
    return recordOffset + field + shift;
}
