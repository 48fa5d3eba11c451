// gallimaw-dump: prints the Record rows of index.dat files, one line each,
// as the viewer's list would hold them.
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "store/record_row.h"

namespace {

const char kUsage[] =
    "Usage: gallimaw-dump [--format=row|csv|jsonl] FILE...\n"
    "Prints one line per URL record of each Internet Explorer index.dat file, in file order,\n"
    "with the nine columns of the viewer's record list (Accessed, URL, Size, Modified, Dir,\n"
    "File, HTML-Headers, Time Accessed, Time Modified) as the list would hold them, in UTF-8.\n"
    "  row (default)  OFFSET<TAB>SORTKEY<TAB>C0<TAB>...<TAB>C8\n"
    "                 OFFSET is the record's byte offset and SORTKEY its last-access sort key,\n"
    "                 both decimal; backslash, tab, CR and LF in C0..C8 are written as \\\\, \\t,\n"
    "                 \\r and \\n; a column the record leaves unset is empty.\n"
    "  csv            RFC 4180 with a title line; the first field names the file.\n"
    "  jsonl          one JSON object per line; an unset column is null.\n"
    "Files are mapped, not read, so memory use does not grow with their size.\n"
    "Exit status 1 when a file cannot be opened or mapped (the others are still printed).\n";

enum class Format { Row, Csv, JsonLines };

const char *const kColumnTitles[RECORD_COLUMNS] = {"Accessed", "URL", "Size", "Modified", "Dir", "File",
                                                   "HTML-Headers", "Time Accessed", "Time Modified"};
const char *const kJsonKeys[RECORD_COLUMNS] = {"accessed", "url", "size", "modified", "dir", "file",
                                               "html_headers", "time_accessed", "time_modified"};

// Pages already scanned are handed back to the kernel so that the resident
// size stays flat however large the file is; they fault back in if a text
// offset points behind the cursor.
constexpr uint64_t kReleaseChunk = 256u << 10;

struct DumpContext {
    IndexImage image;
    uint8_t *base;
    uint64_t released;
    Format format;
    const char *path;
    std::string line;
};

void ReleasePages(DumpContext *dump, uint64_t upTo)
{
    static const uint64_t pageSize = static_cast<uint64_t>(sysconf(_SC_PAGESIZE));
    upTo -= upTo % pageSize;
    if (upTo <= dump->released)
        return;
    madvise(dump->base + dump->released, upTo - dump->released, MADV_DONTNEED);
    dump->released = upTo;
}

std::string Utf8(const char16_t *text, int length)
{
    std::string out;
    for (int i = 0; i < length; i++) {
        uint32_t c = text[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < length && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000)
            c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | c >> 6);
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | c >> 12);
            out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | c >> 18);
            out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
            out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::string RowField(const std::string &text)
{
    std::string out;
    for (char c : text) {
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '\t': out += "\\t"; break;
        case '\r': out += "\\r"; break;
        case '\n': out += "\\n"; break;
        default: out += c;
        }
    }
    return out;
}

std::string CsvField(const std::string &text)
{
    if (text.find_first_of(",\"\r\n") == std::string::npos)
        return text;
    std::string out = "\"";
    for (char c : text)
        out += c == '"' ? std::string("\"\"") : std::string(1, c);
    return out + "\"";
}

std::string JsonString(const std::string &text)
{
    std::string out = "\"";
    for (char c : text) {
        unsigned char byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", byte);
            out += escape;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

std::string CsvTitleLine()
{
    std::string line = "Index file,Offset,Sort key";
    for (const char *title : kColumnTitles)
        line += std::string(",") + title;
    return line + "\r\n";
}

void FormatLine(DumpContext *dump, uint64_t recordOffset, uint32_t sortKey, const std::string *columns,
                const bool *set)
{
    std::string &line = dump->line;
    switch (dump->format) {
    case Format::Row:
        line = std::to_string(recordOffset) + '\t' + std::to_string(sortKey);
        for (int c = 0; c < RECORD_COLUMNS; c++)
            line += '\t' + RowField(columns[c]);
        break;
    case Format::Csv:
        line = CsvField(dump->path) + ',' + std::to_string(recordOffset) + ',' + std::to_string(sortKey);
        for (int c = 0; c < RECORD_COLUMNS; c++)
            line += ',' + CsvField(columns[c]);
        line += '\r';
        break;
    case Format::JsonLines:
        line = "{\"index_file\":" + JsonString(dump->path) + ",\"offset\":" + std::to_string(recordOffset)
               + ",\"sort_key\":" + std::to_string(sortKey);
        for (int c = 0; c < RECORD_COLUMNS; c++)
            line += ",\"" + std::string(kJsonKeys[c]) + "\":" + (set[c] ? JsonString(columns[c]) : "null");
        line += '}';
        break;
    }
    line += '\n';
}

void PrintRow(void *context, uint64_t recordOffset)
{
    DumpContext *dump = static_cast<DumpContext *>(context);
    char16_t column[RECORD_COLUMN_CHARS];
    std::string columns[RECORD_COLUMNS];
    bool set[RECORD_COLUMNS];
    for (int c = 0; c < RECORD_COLUMNS; c++) {
        int length = FormatRecordColumn(&dump->image, recordOffset, c, column);
        set[c] = length >= 0;
        columns[c] = Utf8(column, set[c] ? length : 0);
    }
    FormatLine(dump, recordOffset, RecordSortKey(&dump->image, recordOffset), columns, set);
    std::fwrite(dump->line.data(), 1, dump->line.size(), stdout);
    if (recordOffset >= dump->released + 2 * kReleaseChunk)
        ReleasePages(dump, recordOffset - kReleaseChunk);
}

bool DumpFile(const char *path, Format format)
{
    int fd = open(path, O_RDONLY);
    struct stat status;
    int reason = 0;
    if (fd < 0 || fstat(fd, &status) != 0)
        reason = errno;
    else if (S_ISDIR(status.st_mode))
        reason = EISDIR;
    if (reason) {
        std::fprintf(stderr, "gallimaw-dump: %s: %s\n", path, std::strerror(reason));
        if (fd >= 0)
            close(fd);
        return false;
    }
    uint64_t size = static_cast<uint64_t>(status.st_size);
    if (size == 0) {
        close(fd);
        return true;
    }
    void *view = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
    reason = errno;
    close(fd);
    if (view == MAP_FAILED) {
        std::fprintf(stderr, "gallimaw-dump: %s: cannot map: %s\n", path, std::strerror(reason));
        return false;
    }
    DumpContext dump;
    dump.base = static_cast<uint8_t *>(view);
    dump.released = 0;
    dump.format = format;
    dump.path = path;
    madvise(view, size, MADV_SEQUENTIAL);
    OpenIndexImage(&dump.image, dump.base, size);
    // Opening may have read the whole file backwards; start the scan afresh.
    madvise(view, size, MADV_DONTNEED);
    ScanIndexImage(&dump.image, PrintRow, &dump);
    munmap(view, size);
    return true;
}

int Usage(const char *problem)
{
    std::fprintf(stderr, "gallimaw-dump: %s\n%s", problem, kUsage);
    return 2;
}

} // namespace

int main(int argc, char **argv)
{
    std::vector<const char *> files;
    Format format = Format::Row;
    bool options = true;
    for (int i = 1; i < argc; i++) {
        std::string arg = argv[i];
        if (options && (arg == "--help" || arg == "-h")) {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (options && arg.rfind("--format=", 0) == 0) {
            std::string name = arg.substr(9);
            if (name == "row")
                format = Format::Row;
            else if (name == "csv")
                format = Format::Csv;
            else if (name == "jsonl")
                format = Format::JsonLines;
            else
                return Usage(("unknown format " + name).c_str());
        } else if (options && arg == "--") {
            options = false;
        } else if (options && arg.size() > 1 && arg[0] == '-') {
            return Usage(("unknown option " + arg).c_str());
        } else {
            files.push_back(argv[i]);
        }
    }
    if (files.empty())
        return Usage("no file given");
    if (format == Format::Csv)
        std::fputs(CsvTitleLine().c_str(), stdout);
    bool allRead = true;
    for (const char *file : files)
        allRead = DumpFile(file, format) && allRead;
    return std::fflush(stdout) == 0 && allRead ? 0 : 1;
}
