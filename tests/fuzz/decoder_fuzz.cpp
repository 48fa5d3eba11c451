// Any byte string as an index file image: the scans must end, stay inside
// the image and give columns that fit their buffer and texts that lie in
// the image.
#include <cstdint>
#include <cstdlib>

#include "format/record_fields.h"
#include "format/record_row.h"
#include "format/record_state.h"

namespace {

void CheckRow(const IndexImage *image, const ScannedRecord *record)
{
    if (record->offset + INDEX_SCAN_MARGIN >= image->size)
        std::abort();
    char16_t buffer[RECORD_COLUMN_CHARS + 1];
    for (int column = 0; column < RECORD_COLUMNS; column++) {
        buffer[RECORD_COLUMN_CHARS] = 0xFFFF;
        int length = FormatRecordColumn(image, record, column, buffer);
        if (length >= RECORD_COLUMN_CHARS || buffer[RECORD_COLUMN_CHARS] != 0xFFFF)
            std::abort();
        if (length >= 0 && buffer[length] != 0)
            std::abort();
        if (length < 0 && column != ColumnHeaders)
            std::abort();
    }
    RecordSortKey(image, record->offset);
}

// Texts lie in the image and never past the record's end.
void CheckText(const IndexImage *image, const ScannedRecord *record, const RecordText &text)
{
    if (text.length && (text.start >= image->size || text.length > image->size - text.start
                        || text.start + text.length > record->end))
        std::abort();
}

void CheckRecord(void *context, const ScannedRecord *record)
{
    const IndexImage *image = static_cast<const IndexImage *>(context);
    if (record->type == RecordUrl)
        CheckRow(image, record);
    RecordFields fields;
    ReadRecordFields(image, record, &fields);
    CheckText(image, record, fields.location);
    CheckText(image, record, fields.fileName);
    CheckText(image, record, fields.headers);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static IndexReach reach;
    IndexImage image;
    OpenIndexImage(&image, data, size);
    FindIndexReach(&image, &reach, nullptr, nullptr);
    ScanIndexRecords(&image, &reach, CheckRecord, &image);
    return 0;
}
