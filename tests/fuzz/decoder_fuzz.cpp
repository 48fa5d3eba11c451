// Any byte string as an index file image: the scans must end, stay inside
// the image and give columns that fit their buffer and texts that lie in
// the image.
#include <cstdint>
#include <cstdlib>

#include "store/record_fields.h"
#include "store/record_row.h"
#include "store/record_state.h"

namespace {

void CheckRow(void *context, uint64_t recordOffset)
{
    const IndexImage *image = static_cast<const IndexImage *>(context);
    if (recordOffset + INDEX_SCAN_MARGIN >= image->size)
        std::abort();
    char16_t buffer[RECORD_COLUMN_CHARS + 1];
    for (int column = 0; column < RECORD_COLUMNS; column++) {
        buffer[RECORD_COLUMN_CHARS] = 0xFFFF;
        int length = FormatRecordColumn(image, recordOffset, column, buffer);
        if (length >= RECORD_COLUMN_CHARS || buffer[RECORD_COLUMN_CHARS] != 0xFFFF)
            std::abort();
        if (length >= 0 && buffer[length] != 0)
            std::abort();
        if (length < 0 && column != ColumnHeaders)
            std::abort();
    }
    RecordSortKey(image, recordOffset);
}

void CheckText(const IndexImage *image, const RecordText &text)
{
    if (text.length && (text.start >= image->size || text.length > image->size - text.start))
        std::abort();
}

void CheckFields(void *context, uint64_t recordOffset, int type, int)
{
    const IndexImage *image = static_cast<const IndexImage *>(context);
    RecordFields fields;
    ReadRecordFields(image, recordOffset, type, &fields);
    CheckText(image, fields.location);
    CheckText(image, fields.fileName);
    CheckText(image, fields.headers);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static IndexReach reach;
    IndexImage image;
    OpenIndexImage(&image, data, size);
    ScanIndexImage(&image, CheckRow, &image);
    FindIndexReach(&image, &reach, nullptr, nullptr);
    ScanIndexRecords(&image, &reach, CheckFields, &image);
    return 0;
}
