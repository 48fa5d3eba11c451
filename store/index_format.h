// The few parts of an Internet Explorer index.dat image that the record
// scan reads: header fields, the directory table, record framing and the
// "URL " record fields. Every read checks the image's bounds first.
#pragma once
#include <stdint.h>

#define INDEX_VERSION_DIGIT_OFFSET 24
#define INDEX_HASH_TABLE_OFFSET 32
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

#define RECORD_SIGNATURE_URL 0x204C5255u
#define RECORD_SIGNATURE_HASH 0x48534148u
#define RECORD_SIGNATURE_LEAK 0x4B41454Cu
#define RECORD_SIGNATURE_REDR 0x52444552u

// "URL " record fields as offsets from the record's first byte, in the
// version 5 layout; version 4 moves everything from the URL offset on by
// URL_VERSION4_SHIFT bytes.
#define URL_FIELD_BLOCK_COUNT 4
#define URL_FIELD_MODIFIED 8
#define URL_FIELD_ACCESSED 16
#define URL_FIELD_LOCATION 52
#define URL_FIELD_DIRECTORY 56
#define URL_FIELD_FILE_NAME 60
#define URL_FIELD_HEADERS 68
#define URL_VERSION4_SHIFT 4

struct IndexImage {
    const uint8_t *bytes;
    uint64_t size;
    int version4;
    // Scan directory table: each name ends at its first zero byte or at
    // the slot's ninth byte, which stays zero.
    char directories[INDEX_DIRECTORY_SLOTS][INDEX_DIRECTORY_NAME_BYTES + 1];
    // Offset of the image's last CR LF CR LF, or size when there is none.
    uint64_t lastBlankLine;
};

typedef void (*RecordVisitor)(void *context, uint64_t recordOffset);

// Reads the header fields the scan needs: layout and directory table.
void OpenIndexImage(IndexImage *image, const uint8_t *bytes, uint64_t size);
// Calls visit once per "URL " record, in file order.
void ScanIndexImage(const IndexImage *image, RecordVisitor visit, void *context);

// Little-endian reads; a value reaching past the image's end reads as 0.
uint32_t ReadImageU32(const IndexImage *image, uint64_t offset);
uint64_t ReadImageU64(const IndexImage *image, uint64_t offset);
uint8_t ReadImageU8(const IndexImage *image, uint64_t offset);
// Offset of a "URL " record field in this image's layout.
uint64_t UrlFieldOffset(const IndexImage *image, uint64_t recordOffset, int field);
