// Every field of a "URL ", "LEAK" or "REDR" record, read for both layouts
// (versions 4.7 and 5.2) with each read checked against the image's bounds.
// Texts are left in the image as byte ranges for the caller to convert.
#pragma once
#include <stdint.h>

#include "format/index_format.h"

// No real record text comes near this; it bounds the work a hostile
// offset can cause per record.
#define RECORD_TEXT_LIMIT 65536
// The blank line, CR LF CR LF, that ends a record's header text.
#define BLANK_LINE_BYTES 4

enum RecordType { RecordNone = 0, RecordUrl, RecordLeak, RecordRedirect };

// A record as a scan finds it. Its texts stop at end: the end of the
// blocks it claims, or for a record the file's index does not reach, the
// first later record that takes those blocks over.
struct ScannedRecord {
    uint64_t offset;
    uint64_t end;
    int type;
    int allocated;
};

// An 8-bit text of the image: from start up to its first NUL, its first
// blank line (header text only), the record's end or RECORD_TEXT_LIMIT.
struct RecordText {
    uint64_t start;
    uint64_t length;
    int set; // 0: the record has no such text (offset 0, or no header block)
};

struct RecordFields {
    int type;
    uint64_t offset;
    uint64_t size; // block count x 128
    int partial;   // the record ends before the blocks it claims do
    // "URL " and "LEAK" records; a "REDR" record has only its location.
    // Times are FILETIMEs, those stored as FAT date-times converted; 0
    // when not set.
    uint64_t accessed;
    uint64_t modified;
    uint64_t expires;
    uint64_t lastChecked;
    uint64_t cachedFileSize;
    uint32_t hits;
    uint32_t flags;
    uint8_t directoryIndex;
    RecordText location;
    RecordText fileName;
    RecordText headers;
    // The user the record names: in its location ("Visited: name@",
    // ":range: name@", "Cookie:name@") or after its headers ("~U:name").
    RecordText user;
    // Daily and weekly history (locations beginning ":YYYYMMDDYYYYMMDD: ")
    // keep the modified time in local time; every other time is UTC.
    int modifiedLocal;
};

// The record type its signature names, or RecordNone.
int RecordTypeOf(uint32_t signature);
// The IndexFileKind the first URL records with a location tell: Visited:
// or a daily or weekly history range, History; Cookie:, Cookies; any
// other address, Cache. -1 when no URL record tells. passed, when not
// null, hears of each megabyte searched without a record
// (FindRecordSignaturePassing).
int IndexKindOfRecords(const IndexImage *image, ImageRangeDone passed, void *context);

// Reads every field of a record a scan found.
void ReadRecordFields(const IndexImage *image, const ScannedRecord *record, RecordFields *fields);

// The single fields of a "URL " or "LEAK" record, for callers that need one
// at a time. A text is read up to limit bytes; the viewer's rows read no
// more than a column holds.
uint64_t ReadAccessedTime(const IndexImage *image, uint64_t offset);
uint64_t ReadModifiedTime(const IndexImage *image, uint64_t offset);
uint8_t ReadDirectoryIndex(const IndexImage *image, uint64_t offset);
// The text an offset field (URL_FIELD_LOCATION, URL_FIELD_FILE_NAME) names.
// An offset of 0 names none: set is 0, and start is the record's own start.
RecordText ReadTextField(const IndexImage *image, const ScannedRecord *record, int field, uint64_t limit);
// The header text; set only when a blank line ends it before the record's
// end.
RecordText ReadHeaders(const IndexImage *image, const ScannedRecord *record, uint64_t limit);
// The text at start, up to its first NUL, the record's end or limit bytes.
RecordText ReadRecordText(const IndexImage *image, const ScannedRecord *record, uint64_t start, uint64_t limit);
