#include "decoded_rows.h"

#include <memory>

#include "format/record_row.h"
#include "format/record_state.h"

std::string Utf8(const std::u16string &text)
{
    std::string out;
    for (char16_t c : text) {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | c >> 6);
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xE0 | c >> 12);
            out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

namespace {

struct Collect {
    IndexImage image;
    std::vector<DecodedRow> rows;
};

void CollectRow(void *context, const ScannedRecord *record)
{
    Collect *collect = static_cast<Collect *>(context);
    if (record->type != RecordUrl)
        return;
    DecodedRow row;
    row.offset = record->offset;
    row.sortKey = RecordSortKey(&collect->image, record->offset);
    for (int c = 0; c < RECORD_COLUMNS; c++) {
        char16_t buffer[RECORD_COLUMN_CHARS];
        int length = FormatRecordColumn(&collect->image, record, c, buffer);
        if (c == ColumnHeaders)
            row.headersSet = length >= 0;
        row.columns[c] = Utf8(std::u16string(buffer, length < 0 ? 0 : length));
    }
    collect->rows.push_back(row);
}

} // namespace

std::vector<DecodedRow> DecodeRows(const std::vector<uint8_t> &bytes)
{
    Collect collect;
    auto reach = std::make_unique<IndexReach>();
    OpenIndexImage(&collect.image, bytes.data(), bytes.size());
    FindIndexReach(&collect.image, reach.get(), nullptr, nullptr);
    ScanIndexRecords(&collect.image, reach.get(), CollectRow, &collect);
    return collect.rows;
}
