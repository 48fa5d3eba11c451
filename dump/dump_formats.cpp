#include "dump/dump_formats.h"

#include <atomic>
#include <cstring>
#include <string_view>

#include "dump/dump_text.h"
#include "dump/dump_timezone.h"
#include "format/filetime.h"
#include "format/kind_names.h"
#include "format/record_fields.h"
#include "format/record_row.h"

const char *const kTypeNames[] = {"", "URL", "LEAK", "REDR"};
const char *const kStateNames[] = {"recovered", "allocated", "carved"};

namespace {

enum FieldId { FieldKind, FieldSource, FieldOffset, FieldUrl, FieldAccessed, FieldModified, FieldSize, FieldDir,
               FieldFile, FieldHeaders, FieldSortKey, FieldType, FieldState, FieldExpires, FieldLastChecked,
               FieldHits, FieldCachedSize, FieldDirIndex, FieldFlags, FieldInImage, FieldFileState, FieldPartial,
               FieldUser, FieldCount };

struct FieldName {
    const char *title; // csv and table
    const char *key;   // jsonl
};
const FieldName kFieldNames[FieldCount] = {
    {"Kind", "kind"}, {"Index file", "index_file"}, {"Offset", "offset"}, {"URL", "url"},
    {"Accessed", "accessed"}, {"Modified", "modified"}, {"Size", "size"}, {"Dir", "dir"}, {"File", "file"},
    {"HTML-Headers", "html_headers"}, {"Sort key", "sort_key"}, {"Type", "type"}, {"State", "state"},
    {"Expires", "expires"}, {"Last checked", "last_checked"}, {"Hits", "hits"},
    {"Cached file size", "cached_file_size"}, {"Cache dir index", "cache_dir_index"}, {"Flags", "flags"},
    {"Source", "source"}, {"File state", "file_state"}, {"Partial", "partial"}, {"User", "user"},
};

const char *const kFileStateNames[] = {"", "allocated", "deleted"};

const char *StateName(const DumpSource &source, bool allocated)
{
    return kStateNames[StateOf(source, allocated)];
}

struct Field {
    std::string_view text;
    bool is1252 = false; // Windows-1252 bytes of the index file, not UTF-8
    bool null = false;
    bool number = false;
    bool plain = false;  // letters, digits and punctuation no format escapes
};

// Texts of the fields that are not held by the image itself.
struct FieldTexts {
    char offset[kDecimalChars], size[kDecimalChars], sortKey[kDecimalChars], hits[kDecimalChars],
        cachedSize[kDecimalChars], dirIndex[kDecimalChars], flags[16];
    char accessed[kIsoTimeChars], modified[kIsoTimeChars], expires[kIsoTimeChars], lastChecked[kIsoTimeChars];
};

Field NumberField(uint64_t value, char (&buffer)[kDecimalChars])
{
    return {Decimal(value, buffer + kDecimalChars), false, false, true, true};
}

Field TimeField(uint64_t fileTime, bool fraction, char *buffer, bool utc = true)
{
    Field field;
    field.text = std::string_view(buffer, FormatIsoTime(fileTime, fraction, utc, buffer));
    field.null = field.text.empty();
    field.plain = true;
    return field;
}

Field ImageText(const IndexImage *image, const RecordText &text)
{
    Field field;
    field.text = std::string_view(reinterpret_cast<const char *>(image->bytes + text.start),
                                  static_cast<size_t>(text.length));
    field.is1252 = true;
    return field;
}

std::string_view FlagsText(uint32_t flags, char *buffer)
{
    static const char kHex[] = "0123456789ABCDEF";
    buffer[0] = '0';
    buffer[1] = 'x';
    for (int i = 0; i < 8; i++)
        buffer[2 + i] = kHex[flags >> (28 - 4 * i) & 15];
    return std::string_view(buffer, 10);
}

// The fields a URL or LEAK record has beyond a REDR record's.
void CollectUrlFields(const IndexImage *image, const RecordFields &record, bool fraction, FieldTexts *texts,
                      Field *fields)
{
    fields[FieldAccessed] = TimeField(record.accessed, fraction, texts->accessed);
    if (!record.modifiedLocal)
        fields[FieldModified] = TimeField(record.modified, fraction, texts->modified);
    else if (LocalTimeZoneChosen())
        fields[FieldModified] = TimeField(LocalFileTimeToUtc(record.modified), fraction, texts->modified);
    else
        fields[FieldModified] = TimeField(record.modified, fraction, texts->modified, false);
    fields[FieldExpires] = TimeField(record.expires, fraction, texts->expires);
    fields[FieldLastChecked] = TimeField(record.lastChecked, fraction, texts->lastChecked);
    if (record.directoryIndex < INDEX_DIRECTORY_SLOTS)
        fields[FieldDir].text = image->directories[record.directoryIndex];
    fields[FieldDir].is1252 = true;
    fields[FieldFile] = ImageText(image, record.fileName);
    fields[FieldHeaders] = ImageText(image, record.headers);
    fields[FieldHeaders].null = !record.headers.set;
    fields[FieldSortKey] = NumberField(RecordSortKey(image, record.offset), texts->sortKey);
    fields[FieldHits] = NumberField(record.hits, texts->hits);
    fields[FieldCachedSize] = NumberField(record.cachedFileSize, texts->cachedSize);
    fields[FieldDirIndex] = NumberField(record.directoryIndex, texts->dirIndex);
    fields[FieldFlags].text = FlagsText(record.flags, texts->flags);
    fields[FieldFlags].plain = true;
}

void CollectFields(const DumpSource &source, const IndexImage *image, const RecordFields &record, bool allocated,
                   bool fraction, FieldTexts *texts, Field *fields)
{
    fields[FieldKind].text = KindName(source.kind);
    fields[FieldKind].null = source.kind == KindUnknown;
    fields[FieldKind].plain = true;
    fields[FieldSource].text = source.path;
    fields[FieldOffset] = NumberField(source.offsetBase + record.offset, texts->offset);
    fields[FieldUrl] = ImageText(image, record.location);
    fields[FieldSize] = NumberField(record.size, texts->size);
    fields[FieldType].text = kTypeNames[record.type];
    fields[FieldType].plain = true;
    fields[FieldState].text = StateName(source, allocated);
    fields[FieldState].plain = true;
    fields[FieldInImage].text = source.inImage;
    fields[FieldInImage].null = source.inImage.empty();
    fields[FieldFileState].text = kFileStateNames[source.fileState];
    fields[FieldFileState].null = source.fileState == NotInImage;
    fields[FieldFileState].plain = true;
    fields[FieldPartial].text = record.partial ? "true" : "false";
    fields[FieldPartial].number = fields[FieldPartial].plain = true;
    fields[FieldUser] = ImageText(image, record.user);
    fields[FieldUser].null = !record.user.set;
    if (record.type != RecordRedirect) {
        CollectUrlFields(image, record, fraction, texts, fields);
        return;
    }
    for (FieldId absent : {FieldAccessed, FieldModified, FieldDir, FieldFile, FieldHeaders, FieldSortKey,
                           FieldExpires, FieldLastChecked, FieldHits, FieldCachedSize, FieldDirIndex, FieldFlags})
        fields[absent].null = true;
}

// Byte classes of each format, for Windows-1252 texts and for UTF-8 ones.
struct FormatClasses {
    ByteClasses of1252, ofUtf8;
};
const FormatClasses kCsvQuoted = {MakeByteClasses("\"", false, true), MakeByteClasses("\"", false, false)};
const ByteClasses kCsvNeedsQuotes = MakeByteClasses(",\"\r\n", false, false);
// Texts to copy as they are: no byte to quote, escape or widen.
const FormatClasses kCsvCopied = {MakeByteClasses(",\"\r\n", false, true), kCsvNeedsQuotes};
const FormatClasses kJson = {MakeByteClasses("\"\\", true, true), MakeByteClasses("\"\\", true, false)};
const FormatClasses kPlain = {MakeByteClasses("", false, true), MakeByteClasses("", false, false)};
const FormatClasses kBodyName = {MakeByteClasses("%|\x7F", true, true), MakeByteClasses("%|\x7F", true, false)};

const ByteClasses &ClassesFor(const FormatClasses &format, const Field &field)
{
    return field.is1252 ? format.of1252 : format.ofUtf8;
}

// Room enough for any record line: every text at its longest escaped
// form, and the names, separators and quotes around the fields.
constexpr size_t kLineFrameBytes = 512;

size_t LineBound(const Field *fields)
{
    size_t bound = kLineFrameBytes;
    for (int f = 0; f < FieldCount; f++)
        bound += fields[f].text.size() * kMostBytesPerTextByte;
    return bound;
}

// Writes a line of at most LineBound bytes, and extra more, through put at
// the end of out.
template <typename Put> void PutLine(const Field *fields, OutputBuffer *out, Put put, size_t extra = 0)
{
    CommitOutput(out, put(ReserveOutput(out, LineBound(fields) + extra)));
}

char *PutLiteral(const char *text, char *out)
{
    size_t length = std::strlen(text);
    std::memcpy(out, text, length);
    return out + length;
}

char *DoubleQuote(unsigned char, char *out)
{
    *out++ = '"';
    *out++ = '"';
    return out;
}

char *PutCsvField(const Field &field, char *out)
{
    if (field.plain || !HoldsAny(field.text, ClassesFor(kCsvCopied, field)))
        return PutBytes(field.text, out);
    if (!HoldsAny(field.text, kCsvNeedsQuotes))
        return PutText(field.text, ClassesFor(kPlain, field), nullptr, out);
    *out++ = '"';
    out = PutText(field.text, ClassesFor(kCsvQuoted, field), DoubleQuote, out);
    *out++ = '"';
    return out;
}

char *JsonEscape(unsigned char c, char *out)
{
    static const char kHex[] = "0123456789abcdef";
    const char *shortForm = c == '"' ? "\\\"" : c == '\\' ? "\\\\" : c == '\n' ? "\\n" : c == '\r' ? "\\r"
                            : c == '\t' ? "\\t" : nullptr;
    if (shortForm) {
        *out++ = shortForm[0];
        *out++ = shortForm[1];
        return out;
    }
    const char escape[] = {'\\', 'u', '0', '0', kHex[c >> 4], kHex[c & 15]};
    std::memcpy(out, escape, sizeof escape);
    return out + sizeof escape;
}

void FormatCsv(const Field *fields, OutputBuffer *out)
{
    PutLine(fields, out, [fields](char *at) {
        for (int f = 0; f < FieldCount; f++) {
            if (f)
                *at++ = ',';
            at = PutCsvField(fields[f], at);
        }
        *at++ = '\r';
        *at++ = '\n';
        return at;
    });
}

// The text of a JSON string, without its quotes.
char *PutJsonText(const Field &field, char *at)
{
    return field.plain ? PutBytes(field.text, at) : PutText(field.text, ClassesFor(kJson, field), JsonEscape, at);
}

char *PutJsonMember(const char *key, const Field &field, bool first, char *at)
{
    at = PutLiteral(first ? "{\"" : ",\"", at);
    at = PutLiteral(key, at);
    at = PutLiteral("\":", at);
    if (field.null)
        return PutLiteral("null", at);
    if (field.number)
        return PutBytes(field.text, at);
    *at++ = '"';
    at = PutJsonText(field, at);
    *at++ = '"';
    return at;
}

// The record's members as jsonl writes them, and the object's end.
char *PutJsonFields(const Field *fields, bool first, char *at)
{
    for (int f = 0; f < FieldCount; f++)
        at = PutJsonMember(kFieldNames[f].key, fields[f], first && !f, at);
    *at++ = '}';
    *at++ = '\n';
    return at;
}

void FormatJson(const Field *fields, OutputBuffer *out)
{
    PutLine(fields, out, [fields](char *at) { return PutJsonFields(fields, true, at); });
}

char *PercentEscape(unsigned char c, char *out)
{
    static const char kHex[] = "0123456789ABCDEF";
    *out++ = '%';
    *out++ = kHex[c >> 4];
    *out++ = kHex[c & 15];
    return out;
}

constexpr uint64_t kTicksPerSecond = 10000000;
constexpr uint64_t kFileTimeOf1970 = 116444736000000000ull;

// Whole seconds since 1970, or 0 (no time to mactime) before then.
std::string_view UnixSeconds(uint64_t fileTime, char (&buffer)[kDecimalChars])
{
    uint64_t seconds = fileTime > kFileTimeOf1970 && fileTime <= FILETIME_LARGEST
                       ? (fileTime - kFileTimeOf1970) / kTicksPerSecond : 0;
    return Decimal(seconds, buffer + kDecimalChars);
}

char *PutBodyName(const DumpSource &source, const std::string &sourceName, const IndexImage *image,
                  const RecordFields &record, bool allocated, char *out)
{
    if (source.kind != KindUnknown) {
        out = PutLiteral(KindName(source.kind), out);
        *out++ = ' ';
    }
    out = PutLiteral(kTypeNames[record.type], out);
    *out++ = ' ';
    out = PutLiteral(StateName(source, allocated), out);
    out = PutLiteral(": ", out);
    Field name = ImageText(image, record.location.length || !record.fileName.set ? record.location : record.fileName);
    out = PutText(name.text, kBodyName.of1252, PercentEscape, out);
    out = PutLiteral(" in ", out);
    out = PutText(sourceName, kBodyName.ofUtf8, PercentEscape, out);
    return record.partial ? PutLiteral(" (partial)", out) : out;
}

std::atomic<bool> gLocalTimesLeftOut{false};

// A local time has no place on a UTC timeline unless its zone is known:
// 0, and noted, without one.
uint64_t UtcModifiedTime(const RecordFields &record)
{
    if (!record.modifiedLocal || !record.modified)
        return record.modified;
    if (LocalTimeZoneChosen())
        return LocalFileTimeToUtc(record.modified);
    gLocalTimesLeftOut = true;
    return 0;
}

char *PutBodyNumber(const char *before, std::string_view number, char *out)
{
    return PutBytes(number, PutLiteral(before, out));
}

void FormatBodyfile(const DumpSource &source, const IndexImage *image, const RecordFields &record, bool allocated,
                    OutputBuffer *out)
{
    char number[kDecimalChars];
    std::string sourceName = SourceName(source);
    size_t nameBound = (record.location.length + record.fileName.length + sourceName.size()) * kMostBytesPerTextByte;
    char *at = ReserveOutput(out, nameBound + kLineFrameBytes);
    at = PutBodyName(source, sourceName, image, record, allocated, PutLiteral("0|", at));
    at = PutBodyNumber("|", Decimal(source.offsetBase + record.offset, number + kDecimalChars), at);
    at = PutBodyNumber("|0|0|0|", Decimal(record.cachedFileSize, number + kDecimalChars), at);
    for (uint64_t time : {record.accessed, UtcModifiedTime(record), record.lastChecked})
        at = PutBodyNumber("|", UnixSeconds(time, number), at);
    CommitOutput(out, PutLiteral("|0\n", at));
}

// Accessed, modified, expires and last checked, in the order of each row of
// kTimeDescs.
constexpr int kRecordTimes = 4;

// What each time means, as plaso names it: for cache and cookies (and an
// unknown kind), history, and weekly history.
const char *const kTimeDescs[][kRecordTimes] = {
    {"Last Access Time", "Content Modification Time", "Expiration Time", "Last Checked Time"},
    {"Last Visited Time", "Last Visited Time", "Expiration Time", "Last Checked Time"},
    {"Creation Time", "Last Visited Time", "Expiration Time", "Last Checked Time"},
};
enum TimeDescRow { CacheTimes, HistoryTimes, WeeklyHistoryTimes };

constexpr uint64_t kTicksPerDay = 86400 * kTicksPerSecond;
constexpr size_t kRangeDateDigits = 8;

uint64_t RangeDate(const uint8_t *digits)
{
    unsigned date = 0;
    for (size_t i = 0; i < kRangeDateDigits; i++)
        date = date * 10 + static_cast<unsigned>(digits[i] - '0');
    return CalendarToFileTime(static_cast<int>(date / 10000), static_cast<int>(date / 100 % 100),
                              static_cast<int>(date % 100), 0, 0, 0);
}

// Daily and weekly history files are told apart only by their records'
// :YYYYMMDDYYYYMMDD: ranges (modifiedLocal says one is there): a weekly
// one spans seven days, a daily one one.
TimeDescRow TimeDescRowOf(const DumpSource &source, const IndexImage *image, const RecordFields &record)
{
    if (source.kind != KindHistory)
        return CacheTimes;
    if (!record.modifiedLocal)
        return HistoryTimes;
    const uint8_t *range = image->bytes + record.location.start + 1;
    return RangeDate(range + kRangeDateDigits) - RangeDate(range) == 7 * kTicksPerDay ? WeeklyHistoryTimes
                                                                                       : HistoryTimes;
}

// Microseconds since 1970, negative before then; buffer holds kDecimalChars.
std::string_view UnixMicroseconds(uint64_t fileTime, char (&buffer)[kDecimalChars])
{
    constexpr uint64_t kMicrosecondsTo1970 = kFileTimeOf1970 / 10;
    uint64_t microseconds = fileTime / 10;
    if (microseconds >= kMicrosecondsTo1970)
        return Decimal(microseconds - kMicrosecondsTo1970, buffer + kDecimalChars);
    std::string_view digits = Decimal(kMicrosecondsTo1970 - microseconds, buffer + kDecimalChars);
    buffer[kDecimalChars - digits.size() - 1] = '-';
    return std::string_view(digits.data() - 1, digits.size() + 1);
}

// ISO 8601 as Timesketch's import shows it: six fraction digits, +00:00.
Field TimesketchDatetime(uint64_t fileTime, char (&buffer)[kIsoTimeChars])
{
    size_t length = FormatIsoTime(fileTime, true, false, buffer) - 1;
    std::memcpy(buffer + length, "+00:00", 6);
    return {std::string_view(buffer, length + 6), false, false, false, true};
}

// The Timesketch members before the record's own take at most this much
// beyond its URL and user.
constexpr size_t kTimesketchFrameBytes = 256;

// One line per time the record holds (a REDR record holds none), each with
// every jsonl field.
void FormatTimesketch(const DumpSource &source, const IndexImage *image, const RecordFields &record,
                      const Field *fields, OutputBuffer *out)
{
    const uint64_t times[kRecordTimes] = {record.accessed, UtcModifiedTime(record), record.expires, record.lastChecked};
    const char *const *descs = kTimeDescs[TimeDescRowOf(source, image, record)];
    const Field &url = fields[FieldUrl], &user = fields[FieldUser];
    size_t messageBound = (url.text.size() + user.text.size()) * kMostBytesPerTextByte + kTimesketchFrameBytes;
    for (int t = 0; t < kRecordTimes; t++) {
        if (!times[t] || times[t] > FILETIME_LARGEST)
            continue;
        PutLine(fields, out, [&](char *at) {
            char datetime[kIsoTimeChars], timestamp[kDecimalChars];
            at = PutLiteral(kTypeNames[record.type], PutLiteral("{\"message\":\"", at));
            at = PutJsonText(url, PutLiteral(" ", at));
            if (!user.null)
                at = PutLiteral(")", PutJsonText(user, PutLiteral(" (user ", at)));
            *at++ = '"';
            at = PutJsonMember("datetime", TimesketchDatetime(times[t], datetime), false, at);
            at = PutJsonMember("timestamp", {UnixMicroseconds(times[t], timestamp), false, false, true, true}, false, at);
            at = PutJsonMember("timestamp_desc", {descs[t], false, false, false, true}, false, at);
            return PutJsonFields(fields, false, at);
        }, messageBound);
    }
}

// Table columns after '#': the field, its width and its side; a width of
// 0 leaves the column as long as its text.
struct TableColumn {
    FieldId field;
    size_t width;
    bool right;
};
const TableColumn kTableColumns[] = {
    {FieldKind, 7, false}, {FieldOffset, 10, true}, {FieldType, 4, false}, {FieldState, 9, false},
    {FieldAccessed, 20, false}, {FieldModified, 20, false}, {FieldExpires, 20, false},
    {FieldLastChecked, 20, false}, {FieldSize, 9, true}, {FieldHits, 6, true}, {FieldCachedSize, 16, true},
    {FieldSortKey, 10, true}, {FieldDir, 8, false}, {FieldDirIndex, 15, true}, {FieldFlags, 10, false},
    {FieldPartial, 7, false}, {FieldUser, 12, false}, {FieldFile, 20, false}, {FieldUrl, 0, false}, {FieldHeaders, 0, false},
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

void FormatTable(const DumpSource &source, const Field *fields, OutputBuffer *out)
{
    std::string cells[kTableColumnCount], utf8;
    for (size_t c = 0; c < kTableColumnCount; c++) {
        const Field &field = fields[kTableColumns[c].field];
        utf8.clear();
        AppendText(field.text, ClassesFor(kPlain, field), nullptr, &utf8);
        AppendTableText(utf8, &cells[c]);
    }
    std::string line;
    AppendTableLine(std::to_string(source.number), cells, &line);
    AppendOutput(out, line);
}

// The viewer's nine columns, UTF-16 to UTF-8 and escaped for one line.
void FormatRow(const DumpSource &source, const IndexImage *image, const ScannedRecord &record, OutputBuffer *buffer)
{
    uint64_t offset = record.offset;
    std::string line;
    std::string *out = &line;
    char16_t column[RECORD_COLUMN_CHARS];
    char number[kDecimalChars];
    out->append(Decimal(source.offsetBase + offset, number + kDecimalChars)).append("\t");
    out->append(Decimal(RecordSortKey(image, offset), number + kDecimalChars));
    for (int c = 0; c < RECORD_COLUMNS; c++) {
        *out += '\t';
        int length = FormatRecordColumn(image, &record, c, column);
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
    AppendOutput(buffer, line);
}

} // namespace

bool LocalTimesLeftOut()
{
    return gLocalTimesLeftOut;
}

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
            AppendTableText(SourceName(source), out);
            *out += '\n';
        }
        std::string titles[kTableColumnCount];
        for (size_t c = 0; c < kTableColumnCount; c++)
            titles[c] = kFieldNames[kTableColumns[c].field].title;
        AppendTableLine("#", titles, out);
    }
}

void FormatRecordLine(DumpFormat format, const DumpSource &source, const IndexImage *image,
                      const ScannedRecord &scanned, OutputBuffer *out)
{
    if (format == DumpFormat::Row) {
        FormatRow(source, image, scanned, out);
        return;
    }
    RecordFields record;
    ReadRecordFields(image, &scanned, &record);
    bool allocated = scanned.allocated;
    if (format == DumpFormat::Bodyfile) {
        FormatBodyfile(source, image, record, allocated, out);
        return;
    }
    FieldTexts texts;
    Field fields[FieldCount];
    CollectFields(source, image, record, allocated, format != DumpFormat::Table, &texts, fields);
    if (format == DumpFormat::Csv)
        FormatCsv(fields, out);
    else if (format == DumpFormat::JsonLines)
        FormatJson(fields, out);
    else if (format == DumpFormat::Timesketch)
        FormatTimesketch(source, image, record, fields, out);
    else
        FormatTable(source, fields, out);
}
