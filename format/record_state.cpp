#include "format/record_state.h"

#include <string.h>

#include "format/record_fields.h"

// Hash entries that hold no record: an unused entry repeats its offset in
// the hash; these two fill entries never written.
#define HASH_FLAGS_MASK 0xFu
#define HASH_FLAGS_INVALID 0x1u
#define HASH_UNINITIALISED 0x0BADF00Du
#define HASH_UNINITIALISED_IE8 0xDEADBEEFu

static uint64_t BitmapBlocks(const IndexImage *image)
{
    if (image->size <= INDEX_DATA_AREA_OFFSET)
        return 0;
    uint64_t held = (image->size - INDEX_DATA_AREA_OFFSET + INDEX_BLOCK_BYTES - 1) / INDEX_BLOCK_BYTES;
    uint64_t claimed = ReadImageU32(image, INDEX_BLOCK_COUNT_OFFSET);
    uint64_t blocks = held < claimed ? held : claimed;
    return blocks < INDEX_BITMAP_BLOCKS ? blocks : INDEX_BITMAP_BLOCKS;
}

// The block an offset lies in and the value IndexReach keeps for a record
// starting there; 0 when the bitmap does not describe that block.
static uint8_t TargetMark(const IndexReach *reach, uint64_t offset, uint64_t *block)
{
    if (offset < INDEX_DATA_AREA_OFFSET)
        return 0;
    *block = (offset - INDEX_DATA_AREA_OFFSET) / INDEX_BLOCK_BYTES;
    return *block < reach->blocks ? (uint8_t)((offset - INDEX_DATA_AREA_OFFSET) % INDEX_BLOCK_BYTES + 1) : 0;
}

static void MarkTarget(IndexReach *reach, uint64_t offset)
{
    uint64_t block = 0;
    uint8_t mark = TargetMark(reach, offset, &block);
    if (mark)
        reach->target[block] = mark;
}

static int HashEntryUsed(uint32_t hash, uint32_t offset)
{
    return hash != offset && (hash & HASH_FLAGS_MASK) != HASH_FLAGS_INVALID && hash != HASH_UNINITIALISED
           && hash != HASH_UNINITIALISED_IE8;
}

static void MarkHashTables(const IndexImage *image, IndexReach *reach, ImageRangeDone done, void *context)
{
    // No more entries are read than the image could hold once.
    uint64_t budget = image->size / HASH_ENTRY_BYTES;
    uint64_t table = ReadImageU32(image, INDEX_HASH_TABLE_OFFSET);
    while (table && budget && ReadImageU32(image, table) == RECORD_SIGNATURE_HASH) {
        uint64_t bytes = ReadRecordSize(image, table);
        if (bytes > image->size - table)
            bytes = image->size - table;
        uint64_t entries = bytes > HASH_ENTRIES_OFFSET ? (bytes - HASH_ENTRIES_OFFSET) / HASH_ENTRY_BYTES : 0;
        if (entries > budget)
            entries = budget;
        budget -= entries;
        for (uint64_t entry = table + HASH_ENTRIES_OFFSET; entries--; entry += HASH_ENTRY_BYTES) {
            uint32_t hash = ReadImageU32(image, entry), offset = ReadImageU32(image, entry + 4);
            if (HashEntryUsed(hash, offset))
                MarkTarget(reach, offset);
        }
        uint64_t next = ReadImageU32(image, table + HASH_FIELD_NEXT);
        if (done)
            done(context, table, bytes);
        table = next;
    }
}

static void MarkLeakList(const IndexImage *image, IndexReach *reach, ImageRangeDone done, void *context)
{
    uint64_t leak = ReadImageU32(image, INDEX_LEAK_LIST_OFFSET);
    for (uint64_t links = 0; links < reach->blocks && leak; links++) {
        uint64_t block = 0;
        uint8_t mark = TargetMark(reach, leak, &block);
        // A link back to a record already on the list would go round for ever.
        if (!mark || reach->target[block] == mark || ReadImageU32(image, leak) != RECORD_SIGNATURE_LEAK)
            break;
        reach->target[block] = mark;
        uint64_t next = ReadImageU32(image, leak + LEAK_FIELD_NEXT);
        if (done)
            done(context, leak, LEAK_FIELD_NEXT + 4);
        leak = next;
    }
}

void FindIndexReach(const IndexImage *image, IndexReach *reach, ImageRangeDone done, void *context)
{
    reach->blocks = BitmapBlocks(image);
    memset(reach->target, 0, (size_t)reach->blocks);
    MarkHashTables(image, reach, done, context);
    MarkLeakList(image, reach, done, context);
}

static int BlockInUse(const IndexImage *image, uint64_t block)
{
    return ReadImageU8(image, INDEX_ALLOCATION_BITMAP_OFFSET + block / 8) >> (block % 8) & 1;
}

static int RecordAllocated(const IndexImage *image, const IndexReach *reach, uint64_t recordOffset)
{
    uint64_t first = 0;
    uint8_t mark = TargetMark(reach, recordOffset, &first);
    if (!mark || reach->target[first] != mark)
        return 0;
    uint64_t last = (recordOffset + RecordStep(image, recordOffset) - 1 - INDEX_DATA_AREA_OFFSET) / INDEX_BLOCK_BYTES;
    if (last >= reach->blocks)
        return 0;
    for (uint64_t block = first; block <= last; block++)
        if (!BlockInUse(image, block))
            return 0;
    return 1;
}

// The start of an allocated record in the block at blockStart that lies
// after `after`, or 0.
static uint64_t AllocatedStartIn(const IndexImage *image, const IndexReach *reach, uint64_t blockStart,
                                 uint64_t after)
{
    uint64_t block = 0;
    if (!TargetMark(reach, blockStart, &block) || !reach->target[block])
        return 0;
    uint64_t start = blockStart + reach->target[block] - 1;
    if (start <= after || !IsRecordSignature(ReadImageU32(image, start)) || !RecordAllocated(image, reach, start))
        return 0;
    return start;
}

static uint64_t RecoveredRecordEnd(const IndexImage *image, const IndexReach *reach, uint64_t recordOffset)
{
    uint64_t end = recordOffset + ReadRecordSize(image, recordOffset);
    if (end > image->size)
        end = image->size;
    uint64_t block = recordOffset / INDEX_BLOCK_BYTES * INDEX_BLOCK_BYTES;
    uint64_t taken = AllocatedStartIn(image, reach, block, recordOffset);
    for (block += INDEX_BLOCK_BYTES; !taken && block < end; block += INDEX_BLOCK_BYTES)
        taken = IsRecordSignature(ReadImageU32(image, block)) ? block : AllocatedStartIn(image, reach, block, block);
    return taken && taken < end ? taken : end;
}

void ScanIndexRecords(const IndexImage *image, const IndexReach *reach, StatedRecordVisitor visit, void *context)
{
    ScanIndexRecordsPassing(image, reach, visit, NULL, context);
}

void ScanIndexRecordsPassing(const IndexImage *image, const IndexReach *reach, StatedRecordVisitor visit,
                             ImageRangeDone passed, void *context)
{
    uint64_t limit = ScanLimit(image);
    uint32_t signature = 0;
    uint64_t cursor = ScanStart(image);
    while ((cursor = FindRecordSignaturePassing(image, cursor, limit, &signature, passed, context)) < limit) {
        ScannedRecord record = {cursor, 0, RecordTypeOf(signature), 0};
        if (record.type == RecordNone) {
            cursor += RecordStep(image, cursor);
            continue;
        }
        record.allocated = RecordAllocated(image, reach, cursor);
        record.end = record.allocated ? cursor + ReadRecordSize(image, cursor)
                                      : RecoveredRecordEnd(image, reach, cursor);
        visit(context, &record);
        cursor = record.end > cursor ? record.end : cursor + 1;
    }
}
