// gallimaw-dump: prints the URL records of index.dat files as CSV, JSON
// Lines, a table or the viewer's record list rows.
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "store/record_row.h"
#include "tools/dump_device.h"
#include "tools/dump_formats.h"
#include "tools/dump_input.h"
#include "tools/dump_kinds.h"
#include "tools/dump_options.h"

namespace {

constexpr size_t kOutputBuffer = 1u << 16;

void Complain(const std::string &subject, const std::string &reason)
{
    std::fprintf(stderr, "gallimaw-dump: %s: %s\n", subject.c_str(), reason.c_str());
}

bool KindWanted(const DumpOptions &options, int kind)
{
    return !options.kindMask || (kind != KindUnknown && options.kindMask & 1u << kind);
}

// The wanted index files of one device folder; false when it has none.
bool AddDeviceSources(const DumpOptions &options, const std::string &folder, std::vector<DumpSource> *found)
{
    std::vector<DeviceIndexFile> files;
    std::string reason;
    if (!FindDeviceIndexFiles(folder, &files, &reason)) {
        Complain(folder, reason);
        return false;
    }
    size_t before = found->size();
    for (const DeviceIndexFile &file : files) {
        if (!KindWanted(options, file.kind))
            continue;
        if (!file.hostPath.empty())
            found->push_back({file.hostPath, file.kind, 0});
        else
            Complain(folder, std::string("no ") + KindName(file.kind) + " index file at " + file.devicePath);
    }
    if (found->size() > before)
        return true;
    Complain(folder, "no index file found");
    return false;
}

// The index files of the inputs, in order, with the kinds that --kind
// keeps; false when an input gave no file at all.
bool CollectSources(const DumpOptions &options, std::vector<DumpSource> *sources)
{
    bool complete = true;
    for (const DumpInput &input : options.inputs) {
        if (input.device) {
            complete = AddDeviceSources(options, input.path, sources) && complete;
            continue;
        }
        int kind = KindOfPath(input.path);
        if (KindWanted(options, kind))
            sources->push_back({input.path, kind, 0});
        else if (kind == KindUnknown)
            Complain(input.path, "kind unknown, left out by --kind");
    }
    for (size_t i = 0; i < sources->size(); i++)
        (*sources)[i].number = i + 1;
    return complete;
}

struct Printer {
    DumpFormat format;
    const DumpSource *source;
    MappedIndex *index;
    DumpRecord scratch;
    std::string line;
};

void PrintRecord(Printer *printer, uint64_t offset)
{
    printer->line.clear();
    FormatRecordLine(printer->format, *printer->source, &printer->index->image, offset, &printer->scratch,
                     &printer->line);
    std::fwrite(printer->line.data(), 1, printer->line.size(), stdout);
}

void PrintScannedRecord(void *context, uint64_t offset)
{
    Printer *printer = static_cast<Printer *>(context);
    PrintRecord(printer, offset);
    ReleaseScannedPages(printer->index, offset);
}

bool MapSource(const DumpSource &source, MappedIndex *index)
{
    std::string reason;
    if (MapIndexInput(source.path, index, &reason))
        return true;
    Complain(source.path, reason);
    return false;
}

bool UnmapSource(const DumpSource &source, MappedIndex *index)
{
    std::string reason;
    if (UnmapIndexInput(index, &reason))
        return true;
    Complain(source.path, reason);
    return false;
}

// Each file in turn, each record printed as the scan finds it.
bool PrintInFileOrder(DumpFormat format, const std::vector<DumpSource> &sources)
{
    bool allRead = true;
    Printer printer;
    printer.format = format;
    for (const DumpSource &source : sources) {
        MappedIndex index;
        if (!MapSource(source, &index)) {
            allRead = false;
            continue;
        }
        printer.source = &source;
        printer.index = &index;
        ScanIndexImage(&index.image, PrintScannedRecord, &printer);
        allRead = UnmapSource(source, &index) && allRead;
    }
    return allRead;
}

// The Mixed view's order: 16 bytes per record, the rows themselves are
// formatted again from the mapped files when printed.
struct MixedEntry {
    uint64_t offset;
    uint32_t sortKey;
    uint32_t source;
};

struct MixedScan {
    const IndexImage *image;
    uint32_t source;
    std::vector<MixedEntry> *entries;
};

void CollectMixedEntry(void *context, uint64_t offset)
{
    MixedScan *scan = static_cast<MixedScan *>(context);
    scan->entries->push_back({offset, RecordSortKey(scan->image, offset), scan->source});
}

bool PrintMixed(DumpFormat format, const std::vector<DumpSource> &sources)
{
    bool allRead = true;
    std::vector<MappedIndex> indexes(sources.size());
    std::vector<MixedEntry> entries;
    for (size_t i = 0; i < sources.size(); i++) {
        if (!MapSource(sources[i], &indexes[i])) {
            allRead = false;
            continue;
        }
        MixedScan scan{&indexes[i].image, static_cast<uint32_t>(i), &entries};
        ScanIndexImage(&indexes[i].image, CollectMixedEntry, &scan);
    }
    std::stable_sort(entries.begin(), entries.end(),
                     [](const MixedEntry &a, const MixedEntry &b) { return a.sortKey > b.sortKey; });
    Printer printer;
    printer.format = format;
    for (const MixedEntry &entry : entries) {
        printer.source = &sources[entry.source];
        printer.index = &indexes[entry.source];
        PrintRecord(&printer, entry.offset);
    }
    for (size_t i = 0; i < sources.size(); i++)
        allRead = UnmapSource(sources[i], &indexes[i]) && allRead;
    return allRead;
}

} // namespace

int main(int argc, char **argv)
{
    DumpOptions options;
    std::string error;
    if (!ParseDumpOptions(argc, argv, &options, &error)) {
        std::fprintf(stderr, "gallimaw-dump: %s\nTry 'gallimaw-dump --help' for more information.\n", error.c_str());
        return 2;
    }
    if (options.help || options.version) {
        std::fputs(options.help ? kDumpUsage : kDumpVersion, stdout);
        return std::fflush(stdout) == 0 ? 0 : 1;
    }
    // A terminal sees each record as it is found; a pipe or file gets
    // large writes.
    static char outputBuffer[kOutputBuffer];
    std::setvbuf(stdout, outputBuffer, isatty(STDOUT_FILENO) ? _IOLBF : _IOFBF, sizeof outputBuffer);

    std::vector<DumpSource> sources;
    bool allRead = CollectSources(options, &sources);
    if (options.list) {
        for (const DumpSource &source : sources)
            std::printf("%s\t%s\n", KindName(source.kind), source.path.c_str());
        return std::fflush(stdout) == 0 && allRead ? 0 : 1;
    }
    std::string preamble;
    FormatPreamble(options.format, sources, &preamble);
    std::fwrite(preamble.data(), 1, preamble.size(), stdout);
    allRead = (options.mixed ? PrintMixed(options.format, sources) : PrintInFileOrder(options.format, sources))
              && allRead;
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        Complain("standard output", std::strerror(errno));
        return 1;
    }
    return allRead ? 0 : 1;
}
