// The Record row of one "URL " record: nine UTF-16 column texts and the
// Sort key, each built on demand so that a caller can deliver a column
// before building the next one.
#pragma once
#include <stdint.h>

#include "format/index_format.h"
#include "format/record_fields.h"

#define RECORD_COLUMNS 9
#define RECORD_COLUMN_CHARS 1024

enum RecordColumn {
    ColumnAccessed = 0,
    ColumnUrl = 1,
    ColumnSize = 2,
    ColumnModified = 3,
    ColumnDir = 4,
    ColumnFile = 5,
    ColumnHeaders = 6,
    ColumnTimeAccessed = 7,
    ColumnTimeModified = 8,
};

// Writes the column's text of a "URL " record into buffer
// (RECORD_COLUMN_CHARS units, always NUL-terminated) and returns its
// length, or -1 when the record leaves the column unset.
int FormatRecordColumn(const IndexImage *image, const ScannedRecord *record, int column, char16_t *buffer);

// Pseudo-seconds of the last-access time with a two-digit year; 0 for a
// time the calendar conversion refuses.
uint32_t RecordSortKey(const IndexImage *image, uint64_t recordOffset);
