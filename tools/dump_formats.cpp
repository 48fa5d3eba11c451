#include "tools/dump_formats.h"

#include <cstring>
#include <string_view>

#include "store/record_row.h"
#include "tools/dump_kinds.h"

namespace {

enum FieldId { FieldKind, FieldSource, FieldOffset, FieldUrl, FieldAccessed, FieldModified, FieldSize, FieldDir,
               FieldFile, FieldHeaders, FieldSortKey, FieldCount };

struct FieldName {
    const char *title; // csv and table
    const char *key;   // jsonl
};
const FieldName kFieldNames[FieldCount] = {
    {"Kind", "kind"}, {"Index file", "index_file"}, {"Offset", "offset"}, {"URL", "url"},
    {"Accessed", "accessed"}, {"Modified", "modified"}, {"Size", "size"}, {"Dir", "dir"}, {"File", "file"},
    {"HTML-Headers", "html_headers"}, {"Sort key", "sort_key"},
};

struct Field {
    std::string_view text;
    bool null = false;
    bool number = false;
};

// Texts of the fields that are not held by the record itself.
constexpr size_t kDecimalChars = 24; // 2^64 has 20 digits
struct FieldTexts {
    char offset[kDecimalChars], size[kDecimalChars], sortKey[kDecimalChars];
    char accessed[kIsoTimeChars], modified[kIsoTimeChars];
};

std::string_view Decimal(uint64_t value, char *buffer)
{
    char *end = buffer + kDecimalChars, *out = end;
    do
        *--out = static_cast<char>('0' + value % 10);
    while (value /= 10);
    return std::string_view(out, static_cast<size_t>(end - out));
}

Field TimeField(uint64_t fileTime, bool fraction, char *buffer)
{
    Field field;
    field.text = std::string_view(buffer, FormatIsoTime(fileTime, fraction, buffer));
    field.null = field.text.empty();
    return field;
}

void CollectFields(const DumpSource &source, const DumpRecord &record, bool fraction, FieldTexts *texts,
                   Field *fields)
{
    fields[FieldKind].text = KindName(source.kind);
    fields[FieldKind].null = source.kind == KindUnknown;
    fields[FieldSource].text = source.path;
    fields[FieldOffset] = {Decimal(record.offset, texts->offset), false, true};
    fields[FieldUrl].text = record.url;
    fields[FieldAccessed] = TimeField(record.accessed, fraction, texts->accessed);
    fields[FieldModified] = TimeField(record.modified, fraction, texts->modified);
    fields[FieldSize] = {Decimal(record.size, texts->size), false, true};
    fields[FieldDir].text = record.directory;
    fields[FieldFile].text = record.fileName;
    fields[FieldHeaders].text = record.headers;
    fields[FieldHeaders].null = !record.headersSet;
    fields[FieldSortKey] = {Decimal(record.sortKey, texts->sortKey), false, true};
}

void AppendCsvField(std::string_view text, std::string *out)
{
    if (text.find_first_of(",\"\r\n") == std::string_view::npos) {
        out->append(text);
        return;
    }
    *out += '"';
    for (char c : text) {
        if (c == '"')
            *out += '"';
        *out += c;
    }
    *out += '"';
}

void AppendJsonString(std::string_view text, std::string *out)
{
    static const char kHex[] = "0123456789abcdef";
    *out += '"';
    size_t run = 0;
    for (size_t i = 0; i < text.size(); i++) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (c >= 0x20 && c != '"' && c != '\\')
            continue;
        out->append(text.substr(run, i - run));
        run = i + 1;
        const char *shortForm = c == '"' ? "\\\"" : c == '\\' ? "\\\\" : c == '\n' ? "\\n" : c == '\r' ? "\\r"
                                : c == '\t' ? "\\t" : nullptr;
        if (shortForm) {
            out->append(shortForm);
        } else {
            const char escape[] = {'\\', 'u', '0', '0', kHex[c >> 4], kHex[c & 15]};
            out->append(escape, sizeof escape);
        }
    }
    out->append(text.substr(run));
    *out += '"';
}

void FormatCsv(const Field *fields, std::string *out)
{
    for (int f = 0; f < FieldCount; f++) {
        if (f)
            *out += ',';
        AppendCsvField(fields[f].text, out);
    }
    out->append("\r\n");
}

void FormatJson(const Field *fields, std::string *out)
{
    for (int f = 0; f < FieldCount; f++) {
        out->append(f ? ",\"" : "{\"").append(kFieldNames[f].key).append("\":");
        if (fields[f].null)
            out->append("null");
        else if (fields[f].number)
            out->append(fields[f].text);
        else
            AppendJsonString(fields[f].text, out);
    }
    out->append("}\n");
}

// Table columns after '#': the field, its width and its side; a width of
// 0 leaves the column as long as its text.
struct TableColumn {
    FieldId field;
    size_t width;
    bool right;
};
const TableColumn kTableColumns[] = {
    {FieldKind, 7, false}, {FieldOffset, 10, true}, {FieldAccessed, 20, false}, {FieldModified, 20, false},
    {FieldSize, 9, true}, {FieldSortKey, 10, true}, {FieldDir, 8, false}, {FieldFile, 20, false},
    {FieldUrl, 0, false}, {FieldHeaders, 0, false},
};
constexpr size_t kTableColumnCount = sizeof kTableColumns / sizeof kTableColumns[0];
constexpr size_t kTableNumberWidth = 3;
const char kTableGap[] = "  ";

// Control characters (C0, DEL and C1) would act on the terminal; they are
// shown escaped instead.
void AppendTableText(std::string_view text, std::string *out)
{
    static const char kHex[] = "0123456789abcdef";
    for (size_t i = 0; i < text.size(); i++) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        unsigned code = c;
        if (c == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) < 0xA0)
            code = static_cast<unsigned char>(text[++i]);
        else if (c >= 0x20 && c != 0x7F)
            code = 0x20;
        if (code == 0x20) {
            *out += text[i];
        } else if (code == '\r' || code == '\n' || code == '\t') {
            out->append(code == '\r' ? "\\r" : code == '\n' ? "\\n" : "\\t");
        } else {
            const char escape[] = {'\\', 'x', kHex[code >> 4], kHex[code & 15]};
            out->append(escape, sizeof escape);
        }
    }
}

size_t DisplayWidth(const std::string &text)
{
    size_t width = 0;
    for (char c : text)
        width += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return width;
}

void AppendCell(const std::string &text, size_t width, bool right, bool last, std::string *out)
{
    size_t pad = width > DisplayWidth(text) ? width - DisplayWidth(text) : 0;
    if (right)
        out->append(pad, ' ');
    out->append(text);
    if (!right && !last)
        out->append(pad, ' ');
}

void AppendTableLine(const std::string &number, const std::string *cells, std::string *out)
{
    AppendCell(number, kTableNumberWidth, true, false, out);
    for (size_t c = 0; c < kTableColumnCount; c++) {
        out->append(kTableGap);
        AppendCell(cells[c], kTableColumns[c].width, kTableColumns[c].right, c + 1 == kTableColumnCount, out);
    }
    // Trailing blanks of empty last columns.
    while (!out->empty() && out->back() == ' ')
        out->pop_back();
    *out += '\n';
}

void FormatTable(const DumpSource &source, const Field *fields, std::string *out)
{
    std::string cells[kTableColumnCount];
    for (size_t c = 0; c < kTableColumnCount; c++)
        AppendTableText(fields[kTableColumns[c].field].text, &cells[c]);
    AppendTableLine(std::to_string(source.number), cells, out);
}

// The viewer's nine columns, UTF-16 to UTF-8 and escaped for one line.
void FormatRow(const IndexImage *image, uint64_t offset, std::string *out)
{
    char16_t column[RECORD_COLUMN_CHARS];
    char number[kDecimalChars];
    out->append(Decimal(offset, number)).append("\t").append(Decimal(RecordSortKey(image, offset), number));
    for (int c = 0; c < RECORD_COLUMNS; c++) {
        *out += '\t';
        int length = FormatRecordColumn(image, offset, c, column);
        for (int i = 0; i < length; i++) {
            char16_t unit = column[i];
            const char *escape = unit == '\\' ? "\\\\" : unit == '\t' ? "\\t" : unit == '\r' ? "\\r"
                                 : unit == '\n' ? "\\n" : nullptr;
            if (escape) {
                out->append(escape);
            } else {
                // Column texts are widened single bytes: never a surrogate.
                AppendUtf8(unit, out);
            }
        }
    }
    *out += '\n';
}

} // namespace

void FormatPreamble(DumpFormat format, const std::vector<DumpSource> &sources, std::string *out)
{
    if (format == DumpFormat::Csv) {
        for (int f = 0; f < FieldCount; f++)
            out->append(f ? "," : "").append(kFieldNames[f].title);
        out->append("\r\n");
    } else if (format == DumpFormat::Table) {
        for (const DumpSource &source : sources) {
            out->append("Index file ").append(std::to_string(source.number)).append(": ")
                .append(source.kind == KindUnknown ? "kind unknown" : KindName(source.kind)).append(", ");
            AppendTableText(source.path, out);
            *out += '\n';
        }
        std::string titles[kTableColumnCount];
        for (size_t c = 0; c < kTableColumnCount; c++)
            titles[c] = kFieldNames[kTableColumns[c].field].title;
        AppendTableLine("#", titles, out);
    }
}

void FormatRecordLine(DumpFormat format, const DumpSource &source, const IndexImage *image, uint64_t offset,
                      DumpRecord *scratch, std::string *out)
{
    if (format == DumpFormat::Row) {
        FormatRow(image, offset, out);
        return;
    }
    ReadDumpRecord(image, offset, scratch);
    FieldTexts texts;
    Field fields[FieldCount];
    CollectFields(source, *scratch, format != DumpFormat::Table, &texts, fields);
    if (format == DumpFormat::Csv)
        FormatCsv(fields, out);
    else if (format == DumpFormat::JsonLines)
        FormatJson(fields, out);
    else
        FormatTable(source, fields, out);
}
