// Which records an index file still uses. A record is allocated when every
// block it claims is marked in use in the allocation bitmap and the file's
// own index reaches it: an entry of the hash tables (URL and REDR records)
// or the leak list that starts in the header (LEAK records). Every other
// record a scan finds is recovered: deleted, overwritten or orphaned data.
#pragma once
#include <stdint.h>

#include "format/index_format.h"
#include "format/record_fields.h"

struct IndexReach {
    uint64_t blocks; // blocks the allocation bitmap describes in this image
    // Per block: 1 + the offset within the block of the record the index
    // points at there, or 0. Two records cannot start in one block unless
    // they overlap. Only the first `blocks` entries are used.
    uint8_t target[INDEX_BITMAP_BLOCKS];
};

// Follows the hash table chain and the leak list; done may be null, or is
// told of each range it has finished reading (a hash table, a leak list
// link). The work is bounded by the image's size, whatever loops the file
// holds.
void FindIndexReach(const IndexImage *image, IndexReach *reach, ImageRangeDone done, void *context);

typedef void (*StatedRecordVisitor)(void *context, const ScannedRecord *record);

// Calls visit for every URL, LEAK and REDR record, in file order, from the
// first hash table on (from the data area when the table lies outside the
// image). An allocated record ends with the blocks it claims. The blocks
// of any other record may since have been reused: it ends at the first of
// the end of its blocks, the image's end, the start of an allocated
// record, and a later 128-byte boundary that holds a record signature.
// The scan goes on where each record ends; "HASH" records are stepped over
// by the blocks they claim.
void ScanIndexRecords(const IndexImage *image, const IndexReach *reach, StatedRecordVisitor visit, void *context);
// The same, telling passed of each megabyte the search has gone over
// without finding a record (FindRecordSignaturePassing).
void ScanIndexRecordsPassing(const IndexImage *image, const IndexReach *reach, StatedRecordVisitor visit,
                             ImageRangeDone passed, void *context);
