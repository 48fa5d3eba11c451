#include "decoded_rows.h"

#include "store/record_row.h"

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

void CollectRow(void *context, uint64_t recordOffset)
{
    Collect *collect = static_cast<Collect *>(context);
    DecodedRow row;
    row.offset = recordOffset;
    row.sortKey = RecordSortKey(&collect->image, recordOffset);
    for (int c = 0; c < RECORD_COLUMNS; c++) {
        char16_t buffer[RECORD_COLUMN_CHARS];
        int length = FormatRecordColumn(&collect->image, recordOffset, c, buffer);
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
    OpenIndexImage(&collect.image, bytes.data(), bytes.size());
    ScanIndexImage(&collect.image, CollectRow, &collect);
    return collect.rows;
}
