// gallimaw-dump: prints the URL, LEAK and REDR records of index.dat files as
// CSV, JSON Lines, a table, a Sleuth Kit body file or the viewer's record
// list rows.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "dump/dump_carve.h"
#include "dump/dump_device.h"
#include "dump/dump_formats.h"
#include "dump/dump_hash.h"
#include "dump/dump_image.h"
#include "dump/dump_input.h"
#include "dump/dump_options.h"
#include "dump/dump_output.h"
#include "dump/dump_parallel.h"
#include "dump/dump_progress.h"
#include "dump/dump_report.h"
#include "dump/dump_timezone.h"
#include "dump/dump_walk.h"
#include "format/kind_names.h"
#include "format/record_fields.h"
#include "format/record_row.h"
#include "format/record_state.h"

namespace {

constexpr size_t kOutputBuffer = 1u << 16;
// Output of a file read ahead of its turn stays in memory up to this size
// and goes to a temporary file beyond it.
constexpr size_t kHeldOutputBytes = 4u << 20;
// Files or batches of records the processors may run ahead of the one
// printed, per processor.
constexpr size_t kSlotsPerProcessor = 2;
constexpr size_t kBatchRecords = 512;
// The progress line learns of a file's scan a stretch at a time.
constexpr uint64_t kProgressStride = 1u << 20;

// Set by a reader that found a fault which changes the exit status but
// leaves the records to print.
std::atomic<bool> gFaultNoted{false};
// Index files that could not be read, or not to their end.
size_t gUnreadFiles = 0;

// Closes the disk images, naming what reading them found unreadable;
// false when there was such a part.
bool CloseImages()
{
    std::vector<std::string> problems;
    CloseDiskImages(&problems);
    return ComplainOfEach(problems);
}

bool KindWanted(const DumpOptions &options, int kind)
{
    return !options.kindMask || (kind != KindUnknown && options.kindMask & 1u << kind);
}

// The wanted index files of one device folder; false when it has none or
// its registry export could not be read or named a path out of the folder.
bool AddDeviceSources(const DumpOptions &options, const std::string &folder, std::vector<DumpSource> *found)
{
    std::vector<DeviceIndexFile> files;
    std::vector<std::string> problems;
    if (!FindDeviceIndexFiles(folder, &files, &problems))
        return ComplainOfEach(problems);
    bool sound = ComplainOfEach(problems);
    size_t before = found->size();
    for (const DeviceIndexFile &file : files) {
        if (!KindWanted(options, file.kind))
            continue;
        if (!file.problem.empty())
            sound = ComplainOfEach({file.problem});
        else if (!file.hostPath.empty())
            found->push_back({file.hostPath, file.kind, 0});
        else
            Note(folder, std::string("no ") + KindName(file.kind) + " index file at " + file.devicePath);
    }
    if (found->size() > before)
        return sound;
    Complain(folder, "no index file found");
    return false;
}

bool IsFolder(const std::string &path)
{
    struct stat status;
    return stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

// Maps a loose index file or one found in a disk image.
bool MapSource(const DumpSource &source, MappedIndex *index, std::string *problem)
{
    return source.item ? MapImageFile(source, index, problem) : MapIndexInput(source.path, index, problem);
}

// Maps a file to read, counted for the progress line; with --hash, digests
// is started, to be fed the file's bytes as they are read.
bool OpenSource(const DumpOptions &options, const DumpSource &source, MappedIndex *index, FileDigests *digests,
                std::string *problem)
{
    StartFileDigests(options.hashes, digests);
    bool mapped = MapSource(source, index, problem);
    CountMappedSource(source, mapped, index->size);
    if (!mapped)
        return false;
    if (!options.hashes.empty())
        index->digests = digests;
    return true;
}

// Unmaps a file OpenSource mapped, finishing its digests when it was read
// whole; false with the reason in problem otherwise.
bool CloseSource(MappedIndex *index, std::string *problem)
{
    FileDigests *digests = index->digests;
    bool whole = UnmapIndexInput(index, problem);
    if (digests && whole)
        FinishFileDigests(digests);
    return whole;
}

// With --hash, the bytes read of a file and their digests, on standard
// error once its records are printed.
void ReportDigests(const DumpSource &source, const FileDigests &digests)
{
    if (!digests.hex.empty())
        Tell(SourceName(source), DigestReport(digests));
}

// Names a file that could not be read, or not to its end, and counts it
// for the summary.
void ComplainOfUnread(const DumpSource &source, const std::string &problem)
{
    Complain(SourceName(source), problem);
    gUnreadFiles++;
}

// The kind a file's records tell. Standard input may be a pipe, which can
// be read only once, when its records are printed: its kind stays unknown.
int KindOfContent(const DumpSource &source)
{
    if (source.path == kStandardInputName && !source.item)
        return KindUnknown;
    MappedIndex index;
    std::string problem;
    if (!MapSource(source, &index, &problem))
        return KindUnknown;
    // A file whose first URL records lie far in gives back what it passes.
    int kind = IndexKindOfRecords(
        &index.image,
        [](void *mapped, uint64_t offset, uint64_t bytes) {
            ReleaseScannedPages(static_cast<MappedIndex *>(mapped), offset + bytes);
        },
        &index);
    UnmapIndexInput(&index, &problem);
    return kind < 0 ? KindUnknown : kind;
}

// A file given or found, kept when --kind wants its kind: the kind its
// path tells, or else the one its records tell.
void AddFileSource(const DumpOptions &options, DumpSource source, std::vector<DumpSource> *sources)
{
    source.kind = source.carved ? KindUnknown : KindOfPath(source.inImage.empty() ? source.path : source.inImage);
    if (source.kind == KindUnknown && !source.carved)
        source.kind = KindOfContent(source);
    if (KindWanted(options, source.kind))
        sources->push_back(source);
    else if (source.kind == KindUnknown)
        Note(SourceName(source), "kind unknown, left out by --kind");
}

// The index files of a disk image and the areas to carve.
bool AddImageSources(const DumpOptions &options, const std::string &path, std::vector<DumpSource> *sources)
{
    std::vector<DumpSource> found;
    std::vector<std::string> problems;
    AddImageSources(path, options.carve, &found, &problems);
    for (const DumpSource &source : found)
        AddFileSource(options, source, sources);
    return ComplainOfEach(problems);
}

// The index files of the inputs, in order, with the kinds that --kind
// keeps; false when an input gave no file at all or a searched entry could
// not be read.
bool CollectSources(const DumpOptions &options, std::vector<DumpSource> *sources)
{
    bool complete = true;
    for (const DumpInput &input : options.inputs) {
        if (input.device) {
            complete = AddDeviceSources(options, input.path, sources) && complete;
        } else if (options.image) {
            complete = AddImageSources(options, input.path, sources) && complete;
        } else if (options.recursive && IsFolder(input.path)) {
            std::vector<std::string> paths, problems;
            FindIndexFiles(input.path, &paths, &problems);
            complete = ComplainOfEach(problems) && complete;
            for (const std::string &path : paths)
                AddFileSource(options, DumpSource{path}, sources);
        } else {
            DumpSource named{input.path};
            named.named = true;
            AddFileSource(options, named, sources);
        }
    }
    for (size_t i = 0; i < sources->size(); i++)
        (*sources)[i].number = i + 1;
    return complete;
}

// The records of one mapped file as its format lists them: for row the
// viewer's URL records, otherwise every record of a wanted type.
typedef void (*RecordSink)(void *context, const ScannedRecord &record);

struct SourceScan {
    const DumpOptions *options;
    MappedIndex *index;
    RecordSink sink;
    void *context;
    uint64_t counted; // the bytes before this the progress line knows are done
};

void CountScanned(SourceScan *scan, uint64_t offset)
{
    if (offset < scan->counted + kProgressStride)
        return;
    AddWorkDone(offset - scan->counted, 0);
    scan->counted = offset;
}

void PassWantedRecord(void *context, const ScannedRecord *record)
{
    SourceScan *scan = static_cast<SourceScan *>(context);
    CountScanned(scan, record->offset);
    bool wanted = scan->options->format == DumpFormat::Row ? record->type == RecordUrl
                                                           : (scan->options->typeMask & 1u << record->type) != 0;
    if (wanted)
        scan->sink(scan->context, *record);
}

// A long stretch without records, such as a sparse file's holes, is given
// back as the scan passes it. The thread that scans is the one that gives
// back the pages behind its records too; a record still to be formatted
// that lay there faults its pages back in.
void ReleasePassedStretch(void *context, uint64_t offset, uint64_t bytes)
{
    SourceScan *scan = static_cast<SourceScan *>(context);
    ReleaseScannedPages(scan->index, offset + bytes);
    CountScanned(scan, offset + bytes);
}

void ScanSource(const DumpOptions &options, const DumpSource &source, MappedIndex *index, RecordSink sink,
                void *context)
{
    SourceScan scan{&options, index, sink, context, 0};
    // An empty file holds nothing to lose. One that a search found may be
    // any file that happens to be named index.dat.
    if (index->size && !HasIndexSignature(&index->image)) {
        (source.named ? Complain : Note)(SourceName(source),
                                         "not an index file (it does not begin with \"" INDEX_SIGNATURE
                                         "\"); its records are searched all the same");
        gFaultNoted = gFaultNoted || source.named;
    } else if (HashTableOutside(&index->image)) {
        Note(SourceName(source), "the first hash table lies outside the file; records searched from the data area on");
    }
    // A file cut short keeps its header and allocation bitmap, but the
    // records and hash tables past the cut are gone: a record that only a
    // lost table listed is no longer known to be allocated.
    uint64_t stated = ReadImageU32(&index->image, INDEX_FILE_SIZE_OFFSET);
    if (HasIndexSignature(&index->image) && stated > index->size) {
        Complain(SourceName(source), std::to_string(index->size) + " of the " + std::to_string(stated)
                                         + " bytes its header states; the records past its end are lost, and a record "
                                           "listed only in a lost hash table is reported recovered");
        gFaultNoted = true;
    }
    FindMappedReach(index);
    ScanIndexRecordsPassing(&index->image, index->reach.get(), PassWantedRecord, ReleasePassedStretch, &scan);
    // The digests have followed the scan; the rest of the file is fed
    // while it is still in memory.
    DigestRestOfView(index);
    AddWorkDone(index->size - scan.counted, 1);
}

// Where lines go: straight to standard output, or held for their turn in
// memory and then in a temporary file.
struct Printer {
    const DumpOptions *options;
    const DumpSource *source;
    MappedIndex *index;
    OutputBuffer out;
    FILE *file = nullptr;     // standard output, or the temporary file once made
    bool lineByLine = false;  // a terminal sees each record as it is found
    size_t holdBytes = kOutputBuffer;
    std::string failure;      // why the temporary file could not be written
    RecordCounts counts;      // of the lines not yet added to the run's
};

void FlushPrinter(Printer *printer)
{
    if (!printer->out.size)
        return;
    if (!printer->file && printer->failure.empty()) {
        int fd = MakeTemporaryFile(&printer->failure);
        if (fd >= 0 && !(printer->file = fdopen(fd, "w+")))
            close(fd);
    }
    bool held = printer->file
                && std::fwrite(printer->out.bytes.get(), 1, printer->out.size, printer->file) == printer->out.size;
    if (!held && printer->failure.empty())
        printer->failure = std::string("cannot hold the output in a temporary file: ") + std::strerror(errno);
    printer->out.size = 0;
}

void PrintRecord(Printer *printer, const ScannedRecord &record)
{
    FormatRecordLine(printer->options->format, *printer->source, &printer->index->image, record, &printer->out);
    CountRecord(&printer->counts, *printer->source, record);
    if (printer->lineByLine || printer->out.size >= printer->holdBytes)
        FlushPrinter(printer);
}

void PrintScannedRecord(void *context, const ScannedRecord &record)
{
    Printer *printer = static_cast<Printer *>(context);
    PrintRecord(printer, record);
    ReleaseScannedPages(printer->index, record.offset);
}

// Maps one file and prints its records; false with the reason in problem
// when it cannot be read or shrank while it was read.
bool PrintSource(const DumpSource &source, Printer *printer, FileDigests *digests, std::string *problem)
{
    MappedIndex index;
    if (!OpenSource(*printer->options, source, &index, digests, problem))
        return false;
    printer->source = &source;
    printer->index = &index;
    ScanSource(*printer->options, source, &index, PrintScannedRecord, printer);
    return CloseSource(&index, problem);
}

// One large file's records, formatted a batch at a time by the readers
// and by the main thread between the batches it scans.
struct RecordBatch {
    std::vector<ScannedRecord> records;
    Printer printer;
};

struct BatchRun {
    OrderedPool pool;
    std::vector<RecordBatch> batches;
    size_t filling = 0;
    MappedIndex *index;
};

void FormatBatch(void *context, size_t slot)
{
    RecordBatch &batch = static_cast<BatchRun *>(context)->batches[slot];
    for (const ScannedRecord &record : batch.records) {
        FormatRecordLine(batch.printer.options->format, *batch.printer.source, &batch.printer.index->image, record,
                         &batch.printer.out);
        CountRecord(&batch.printer.counts, *batch.printer.source, record);
    }
}

void PrintBatch(void *context, size_t slot)
{
    BatchRun *run = static_cast<BatchRun *>(context);
    RecordBatch &batch = run->batches[slot];
    std::fwrite(batch.printer.out.bytes.get(), 1, batch.printer.out.size, stdout);
    batch.printer.out.size = 0;
    AddPrintedRecords(&batch.printer.counts);
    if (!batch.records.empty())
        ReleaseScannedPages(run->index, batch.records.back().offset);
    batch.records.clear();
}

void BatchRecord(void *context, const ScannedRecord &record)
{
    BatchRun *run = static_cast<BatchRun *>(context);
    std::vector<ScannedRecord> &records = run->batches[run->filling].records;
    records.push_back(record);
    if (records.size() < kBatchRecords)
        return;
    SubmitSlot(&run->pool);
    run->filling = ClaimSlot(&run->pool);
}

bool PrintSourceInBatches(const DumpOptions &options, const DumpSource &source, unsigned processors,
                          FileDigests *digests, std::string *problem)
{
    MappedIndex index;
    if (!OpenSource(options, source, &index, digests, problem))
        return false;
    BatchRun run;
    run.index = &index;
    StartOrderedPool(&run.pool, &run, FormatBatch, PrintBatch, processors - 1, kSlotsPerProcessor * processors);
    run.batches.resize(run.pool.slots);
    for (RecordBatch &batch : run.batches) {
        batch.printer.options = &options;
        batch.printer.source = &source;
        batch.printer.index = &index;
    }
    run.filling = ClaimSlot(&run.pool);
    ScanSource(options, source, &index, BatchRecord, &run);
    SubmitSlot(&run.pool);
    StopOrderedPool(&run.pool);
    return CloseSource(&index, problem);
}

// Each file in turn, its records printed in file order: as the scan finds
// them on a terminal or a single processor, otherwise formatted in batches
// by one reader per processor.
bool PrintInFileOrder(const DumpOptions &options, const std::vector<DumpSource> &sources, unsigned processors)
{
    bool allRead = true;
    Printer printer;
    printer.options = &options;
    printer.file = stdout;
    printer.lineByLine = isatty(STDOUT_FILENO);
    for (const DumpSource &source : sources) {
        std::string problem;
        FileDigests digests;
        bool read = processors > 1 && !printer.lineByLine
                        ? PrintSourceInBatches(options, source, processors, &digests, &problem)
                        : PrintSource(source, &printer, &digests, &problem);
        if (!read) {
            ComplainOfUnread(source, problem);
            allRead = false;
        }
        FlushPrinter(&printer);
        ReportDigests(source, digests);
        AddPrintedRecords(&printer.counts);
    }
    return allRead;
}

// Many files, each read whole by one reader, printed in their order.
struct FileJob {
    const DumpSource *source;
    Printer printer;
    FileDigests digests;
    std::string problem;
    bool read = false;
};

struct FileRun {
    OrderedPool pool;
    const DumpOptions *options;
    std::vector<FileJob> jobs;
    bool allRead = true;
};

void ReadFile(void *context, size_t slot)
{
    FileRun *run = static_cast<FileRun *>(context);
    FileJob &job = run->jobs[slot];
    job.printer.options = run->options;
    job.printer.holdBytes = kHeldOutputBytes;
    job.problem.clear();
    job.read = PrintSource(*job.source, &job.printer, &job.digests, &job.problem);
}

// Copies a held temporary file to standard output.
bool CopyHeldOutput(FILE *held)
{
    static char buffer[kOutputBuffer];
    std::rewind(held);
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, held)) > 0)
        std::fwrite(buffer, 1, got, stdout);
    return !std::ferror(held);
}

void PrintFile(void *context, size_t slot)
{
    FileRun *run = static_cast<FileRun *>(context);
    FileJob &job = run->jobs[slot];
    if (!job.read)
        Complain(SourceName(*job.source), job.problem);
    if (job.printer.file && job.printer.failure.empty() && !CopyHeldOutput(job.printer.file))
        job.printer.failure = std::string("cannot read back the output held in a temporary file: ")
                              + std::strerror(errno);
    if (!job.printer.failure.empty()) {
        Complain(SourceName(*job.source), job.printer.failure);
        job.read = false;
    }
    if (job.printer.file)
        std::fclose(job.printer.file);
    std::fwrite(job.printer.out.bytes.get(), 1, job.printer.out.size, stdout);
    ReportDigests(*job.source, job.digests);
    AddPrintedRecords(&job.printer.counts);
    // The slot's next file writes into the same buffer.
    job.printer.out.size = 0;
    job.printer.file = nullptr;
    job.printer.failure.clear();
    gUnreadFiles += !job.read;
    run->allRead = run->allRead && job.read;
}

bool PrintFilesInParallel(const DumpOptions &options, const std::vector<DumpSource> &sources, unsigned processors)
{
    FileRun run;
    run.options = &options;
    StartOrderedPool(&run.pool, &run, ReadFile, PrintFile, processors - 1, kSlotsPerProcessor * processors);
    run.jobs.resize(run.pool.slots);
    for (const DumpSource &source : sources) {
        run.jobs[ClaimSlot(&run.pool)].source = &source;
        SubmitSlot(&run.pool);
    }
    StopOrderedPool(&run.pool);
    return run.allRead;
}

// The Mixed view's order; the rows themselves are formatted again from the
// mapped files when printed.
struct MixedEntry {
    ScannedRecord record;
    uint32_t sortKey;
    uint32_t source;
};

struct MixedScan {
    const IndexImage *image;
    uint32_t source;
    std::vector<MixedEntry> *entries;
};

// A REDR record has no time and sorts last.
void CollectMixedEntry(void *context, const ScannedRecord &record)
{
    MixedScan *scan = static_cast<MixedScan *>(context);
    uint32_t sortKey = record.type == RecordRedirect ? 0 : RecordSortKey(scan->image, record.offset);
    scan->entries->push_back({record, sortKey, scan->source});
}

bool PrintMixed(const DumpOptions &options, const std::vector<DumpSource> &sources)
{
    bool allRead = true;
    std::vector<MappedIndex> indexes(sources.size());
    std::vector<FileDigests> digests(sources.size());
    std::vector<MixedEntry> entries;
    for (size_t i = 0; i < sources.size(); i++) {
        std::string problem;
        if (!OpenSource(options, sources[i], &indexes[i], &digests[i], &problem)) {
            ComplainOfUnread(sources[i], problem);
            allRead = false;
            continue;
        }
        MixedScan scan{&indexes[i].image, static_cast<uint32_t>(i), &entries};
        ScanSource(options, sources[i], &indexes[i], CollectMixedEntry, &scan);
    }
    std::stable_sort(entries.begin(), entries.end(),
                     [](const MixedEntry &a, const MixedEntry &b) { return a.sortKey > b.sortKey; });
    Printer printer;
    printer.options = &options;
    printer.file = stdout;
    printer.lineByLine = isatty(STDOUT_FILENO);
    for (const MixedEntry &entry : entries) {
        printer.source = &sources[entry.source];
        printer.index = &indexes[entry.source];
        PrintRecord(&printer, entry.record);
    }
    FlushPrinter(&printer);
    AddPrintedRecords(&printer.counts);
    for (size_t i = 0; i < sources.size(); i++) {
        std::string problem;
        if (indexes[i].base && !CloseSource(&indexes[i], &problem)) {
            ComplainOfUnread(sources[i], problem);
            allRead = false;
        }
        ReportDigests(sources[i], digests[i]);
    }
    return allRead;
}

// The sources in order: each stretch of index files read as above, each
// carved area searched a chunk at a time.
bool PrintSources(const DumpOptions &options, const std::vector<DumpSource> &sources, unsigned processors)
{
    bool allRead = true;
    for (size_t first = 0; first < sources.size();) {
        if (sources[first].carved) {
            std::vector<std::string> problems;
            PrintCarvedRecords(options, sources[first++], processors, &problems);
            allRead = ComplainOfEach(problems) && allRead;
            continue;
        }
        size_t end = first;
        while (end < sources.size() && !sources[end].carved)
            end++;
        std::vector<DumpSource> files(sources.begin() + static_cast<long>(first), sources.begin() + static_cast<long>(end));
        if (processors > 1 && files.size() > 1)
            allRead = PrintFilesInParallel(options, files, std::min<size_t>(processors, files.size())) && allRead;
        else
            allRead = PrintInFileOrder(options, files, processors) && allRead;
        first = end;
    }
    return allRead;
}

// Reads a file whole for its digests alone; false when it cannot be read.
bool DigestSource(const DumpOptions &options, const DumpSource &source, FileDigests *digests)
{
    MappedIndex index;
    std::string problem;
    if (OpenSource(options, source, &index, digests, &problem)) {
        DigestRestOfView(&index);
        if (CloseSource(&index, &problem))
            return true;
    }
    ComplainOfUnread(source, problem);
    return false;
}

// --list: KIND<TAB>PATH, or for a file in a disk image
// KIND<TAB>IMAGE<TAB>PLACE<TAB>STATE, then with --hash each digest (empty
// for a file that could not be read); false when a file could not be.
bool ListSources(const DumpOptions &options, const std::vector<DumpSource> &sources)
{
    bool allRead = true;
    for (const DumpSource &source : sources) {
        if (source.carved)
            continue;
        FileDigests digests;
        if (!options.hashes.empty())
            allRead = DigestSource(options, source, &digests) && allRead;
        std::printf("%s\t%s", KindName(source.kind), source.path.c_str());
        if (source.item)
            std::printf("\t%s\t%s", source.inImage.c_str(), source.fileState == FileDeleted ? "deleted" : "allocated");
        for (size_t i = 0; i < options.hashes.size(); i++)
            std::printf("\t%s", i < digests.hex.size() ? digests.hex[i].c_str() : "");
        std::printf("\n");
    }
    return allRead;
}

// Whether everything written to standard output reached it, and for
// --output its file, which only then takes its name. A write that failed (a
// full disk, a closed pipe) is named on standard error, and --output's file
// is left as it was.
bool OutputWritten(OutputFile *output)
{
    bool toFile = output->fd >= 0;
    std::string reason;
    if (std::fflush(stdout) == 0 && !std::ferror(stdout)) {
        if (!toFile || NameOutputFile(output, &reason))
            return true;
    } else {
        reason = std::strerror(errno);
        if (toFile)
            DiscardOutputFile(output);
    }
    Complain(toFile ? output->path : "standard output", toFile ? reason + "; left as it was" : reason);
    return false;
}

} // namespace

int main(int argc, char **argv)
{
    DumpOptions options;
    std::string error;
    if (!ParseDumpOptions(argc, argv, &options, &error)
        || (!options.timeZone.empty() && !SetLocalTimeZone(options.timeZone, &error))) {
        std::fprintf(stderr, "gallimaw-dump: %s\nTry 'gallimaw-dump --help' for more information.\n", error.c_str());
        return 2;
    }
    ChooseReports(options.quiet, options.verbose);
    OutputFile output;
    if (options.help || options.version) {
        std::fputs(options.help ? kDumpUsage : kDumpVersion, stdout);
        return OutputWritten(&output) ? 0 : 1;
    }
    // Every writer of the output writes to standard output, which becomes
    // --output's unnamed file.
    if (!options.output.empty()) {
        if (!OpenOutputFile(options.output, &output, &error)) {
            Complain(options.output, error);
            return 2;
        }
        if (dup2(output.fd, STDOUT_FILENO) < 0) {
            Complain(options.output, std::strerror(errno));
            DiscardOutputFile(&output);
            return 2;
        }
    }
    // A terminal sees each record as it is found; a pipe or file gets the
    // printers' own large writes, which need no second buffer.
    static char outputBuffer[kOutputBuffer];
    if (isatty(STDOUT_FILENO))
        std::setvbuf(stdout, outputBuffer, _IOLBF, sizeof outputBuffer);
    else
        std::setvbuf(stdout, nullptr, _IONBF, 0);

    std::vector<DumpSource> sources;
    bool allRead = CollectSources(options, &sources);
    size_t areas = static_cast<size_t>(
        std::count_if(sources.begin(), sources.end(), [](const DumpSource &source) { return source.carved; }));
    if (options.list) {
        allRead = ListSources(options, sources) && allRead;
        allRead = CloseImages() && allRead;
        bool listed = OutputWritten(&output);
        ReportSummary(sources.size() - areas, gUnreadFiles, 0, true);
        return listed && allRead ? 0 : 1;
    }
    if (!options.quiet && StandardErrorShowsProgress())
        StartProgressLine(sources);
    std::string preamble;
    FormatPreamble(options.format, sources, &preamble);
    std::fwrite(preamble.data(), 1, preamble.size(), stdout);
    unsigned processors = AvailableProcessors();
    if (options.mixed)
        allRead = PrintMixed(options, sources) && allRead;
    else
        allRead = PrintSources(options, sources, processors) && allRead;
    StopProgressLine();
    allRead = CloseImages() && allRead;
    if (LocalTimesLeftOut())
        Note("note", std::string("daily and weekly history keep their modified times in local time; the ")
                     + (options.format == DumpFormat::Bodyfile ? "body file leaves" : "timesketch lines leave")
                     + " them out (give --timezone=ZONE to convert them to UTC)");
    bool written = OutputWritten(&output);
    ReportSummary(sources.size() - areas, gUnreadFiles, areas, false);
    return written && allRead && !gFaultNoted ? 0 : 1;
}
