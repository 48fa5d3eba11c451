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
    "Usage: gallimaw-dump [--format=row] FILE...\n"
    "Prints one line per URL record of each Internet Explorer index.dat file, in file order:\n"
    "  OFFSET<TAB>SORTKEY<TAB>C0<TAB>...<TAB>C8\n"
    "OFFSET is the record's byte offset and SORTKEY its last-access sort key, both decimal;\n"
    "C0..C8 are the nine columns of the viewer's record list (Accessed, URL, Size, Modified,\n"
    "Dir, File, HTML-Headers, Time Accessed, Time Modified) in UTF-8, with backslash, tab, CR\n"
    "and LF written as \\\\, \\t, \\r and \\n; a column the record leaves unset is empty.\n"
    "Files are mapped, not read, so memory use does not grow with their size.\n"
    "Exit status 1 when a file cannot be opened or mapped (the others are still printed).\n";

// Pages already scanned are handed back to the kernel so that the resident
// size stays flat however large the file is; they fault back in if a text
// offset points behind the cursor.
constexpr uint64_t kReleaseChunk = 256u << 10;

struct DumpContext {
    IndexImage image;
    uint8_t *base;
    uint64_t released;
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

void AppendUtf8(std::string *out, const char16_t *text, int length)
{
    for (int i = 0; i < length; i++) {
        uint32_t c = text[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < length && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000)
            c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
        switch (c) {
        case '\\': *out += "\\\\"; continue;
        case '\t': *out += "\\t"; continue;
        case '\r': *out += "\\r"; continue;
        case '\n': *out += "\\n"; continue;
        }
        if (c < 0x80) {
            *out += static_cast<char>(c);
        } else if (c < 0x800) {
            *out += static_cast<char>(0xC0 | c >> 6);
            *out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            *out += static_cast<char>(0xE0 | c >> 12);
            *out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
            *out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            *out += static_cast<char>(0xF0 | c >> 18);
            *out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
            *out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
            *out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
}

void PrintRow(void *context, uint64_t recordOffset)
{
    DumpContext *dump = static_cast<DumpContext *>(context);
    char16_t column[RECORD_COLUMN_CHARS];
    dump->line = std::to_string(recordOffset) + '\t' + std::to_string(RecordSortKey(&dump->image, recordOffset));
    for (int c = 0; c < RECORD_COLUMNS; c++) {
        int length = FormatRecordColumn(&dump->image, recordOffset, c, column);
        dump->line += '\t';
        AppendUtf8(&dump->line, column, length < 0 ? 0 : length);
    }
    dump->line += '\n';
    std::fwrite(dump->line.data(), 1, dump->line.size(), stdout);
    if (recordOffset >= dump->released + 2 * kReleaseChunk)
        ReleasePages(dump, recordOffset - kReleaseChunk);
}

bool DumpFile(const char *path)
{
    int fd = open(path, O_RDONLY);
    struct stat status;
    if (fd < 0 || fstat(fd, &status) != 0 || S_ISDIR(status.st_mode)) {
        int reason = fd < 0 || !S_ISDIR(status.st_mode) ? errno : EISDIR;
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
    int reason = errno;
    close(fd);
    if (view == MAP_FAILED) {
        std::fprintf(stderr, "gallimaw-dump: %s: cannot map: %s\n", path, std::strerror(reason));
        return false;
    }
    DumpContext dump;
    dump.base = static_cast<uint8_t *>(view);
    dump.released = 0;
    madvise(view, size, MADV_SEQUENTIAL);
    OpenIndexImage(&dump.image, dump.base, size);
    // Opening may have read the whole file backwards; start the scan afresh.
    madvise(view, size, MADV_DONTNEED);
    ScanIndexImage(&dump.image, PrintRow, &dump);
    munmap(view, size);
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    std::vector<const char *> files;
    bool options = true;
    for (int i = 1; i < argc; i++) {
        std::string arg = argv[i];
        if (options && (arg == "--help" || arg == "-h")) {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (options && arg == "--format=row") {
            continue;
        } else if (options && arg == "--") {
            options = false;
        } else if (options && arg.size() > 1 && arg[0] == '-') {
            std::fprintf(stderr, "gallimaw-dump: unknown option %s\n%s", arg.c_str(), kUsage);
            return 2;
        } else {
            files.push_back(argv[i]);
        }
    }
    if (files.empty()) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    bool allRead = true;
    for (const char *file : files)
        allRead = DumpFile(file) && allRead;
    return std::fflush(stdout) == 0 && allRead ? 0 : 1;
}
