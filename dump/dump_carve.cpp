#include "dump/dump_carve.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "dump/dump_formats.h"
#include "dump/dump_image.h"
#include "dump/dump_input.h"
#include "dump/dump_parallel.h"
#include "dump/dump_progress.h"
#include "dump/dump_report.h"
#include "format/index_format.h"
#include "format/record_fields.h"

namespace {

// Bytes searched by one reader at a time.
constexpr uint64_t kChunkBytes = 4u << 20;
// A record claiming more blocks than this is taken for bytes that only
// happen to spell a signature; the same bound caps what a record found
// near the end of a chunk reads beyond it.
constexpr uint64_t kMostCarvedBlocks = 1024;
constexpr uint64_t kMostRecordBytes = kMostCarvedBlocks * INDEX_BLOCK_BYTES;
constexpr size_t kSlotsPerProcessor = 2;
// The URL of a "URL " or "LEAK" record follows its fixed fields, which
// end with the hit count.
constexpr uint32_t kLeastUrlOffset = URL_FIELD_HITS + 4;

// Records start in [start, searchEnd) and are read at most up to runEnd,
// the end of their run of free space: the bytes after it belong to
// another file, so a record found near the end of a run is cut there
// rather than continued with them.
struct Span {
    uint64_t start, searchEnd, runEnd;
};

struct CarveJob {
    std::vector<Span> spans;
    std::vector<uint8_t> bytes;
    OutputBuffer out;
    std::vector<std::string> problems;
    RecordCounts counts;
};

struct CarveRun {
    OrderedPool pool;
    const DumpOptions *options;
    const DumpSource *area;
    std::vector<CarveJob> jobs;
    std::vector<std::string> *problems;
};

typedef uint8_t ByteLanes __attribute__((vector_size(16)));
constexpr size_t kLanes = sizeof(ByteLanes);

ByteLanes LanesAt(const uint8_t *bytes)
{
    ByteLanes lanes;
    std::memcpy(&lanes, bytes, sizeof lanes);
    return lanes;
}

bool AnyLane(ByteLanes lanes)
{
    uint64_t halves[2];
    std::memcpy(halves, &lanes, sizeof halves);
    return (halves[0] | halves[1]) != 0;
}

// Whether any of the positions from bytes on may begin "URL ", "LEAK" or
// "REDR": their first two bytes, which chance data holds about once in
// 20,000 positions (a test of the first byte alone would pass one in 85).
bool MayStartSignature(const uint8_t *bytes)
{
    ByteLanes first = LanesAt(bytes), second = LanesAt(bytes + 1);
    return AnyLane((first == 'U' & second == 'R') | ((first == 'L' | first == 'R') & second == 'E'));
}

// The first offset in [from, limit) where a URL, LEAK or REDR signature
// begins, or limit; the bytes up to limit + 3 are there.
uint64_t FindCarvedSignature(const uint8_t *bytes, uint64_t from, uint64_t limit, uint32_t *signature)
{
    for (;;) {
        while (from + 2 * kLanes + 1 <= limit && !MayStartSignature(bytes + from)
               && !MayStartSignature(bytes + from + kLanes))
            from += 2 * kLanes;
        uint64_t end = std::min(limit, from + 2 * kLanes);
        for (; from < end; from++) {
            std::memcpy(signature, bytes + from, sizeof *signature);
            if (RecordTypeOf(*signature) != RecordNone)
                return from;
        }
        if (from == limit)
            return limit;
    }
}

bool UrlOffsetFits(const IndexImage *record, int field, uint64_t claimed)
{
    uint32_t offset = ReadImageU32(record, UrlFieldOffset(record, 0, field));
    return offset >= kLeastUrlOffset + (record->version4 ? URL_VERSION4_SHIFT : 0) && offset < claimed;
}

// The record at bytes as an image of its own: the blocks it claims, cut
// where the bytes read end. False for bytes that only look like a record:
// a block count beyond reason, or (URL and LEAK) a URL offset outside the
// record in both layouts; the layout whose URL offset fits is the
// record's version, 5.2 when both do.
bool CarvedRecord(const uint8_t *bytes, uint64_t available, int type, IndexImage *record)
{
    OpenRecordImage(record, bytes, available, 0);
    uint64_t claimed = ReadRecordSize(record, 0);
    if (!claimed || claimed > kMostRecordBytes)
        return false;
    for (int version4 = 0; version4 < 2; version4++) {
        OpenRecordImage(record, bytes, std::min(available, claimed), version4);
        if (type == RecordRedirect || UrlOffsetFits(record, URL_FIELD_LOCATION, claimed))
            return true;
    }
    return false;
}

void CarveSpan(const CarveRun &run, const Span &span, const uint8_t *bytes, uint64_t length, CarveJob *job)
{
    DumpSource source = *run.area;
    bool row = run.options->format == DumpFormat::Row;
    // A record's signature and block count are there before it counts.
    uint64_t limit = std::min(span.searchEnd - span.start, length >= 8 ? length - 7 : 0);
    uint32_t signature = 0;
    for (uint64_t at = 0; (at = FindCarvedSignature(bytes, at, limit, &signature)) < limit; at++) {
        int type = RecordTypeOf(signature);
        if (!(run.options->typeMask & 1u << type) || (row && type != RecordUrl))
            continue;
        IndexImage record;
        if (!CarvedRecord(bytes + at, length - at, type, &record))
            continue;
        source.offsetBase = span.start + at;
        ScannedRecord carved{0, record.size, type, 0};
        FormatRecordLine(run.options->format, source, &record, carved, &job->out);
        CountRecord(&job->counts, source, carved);
    }
}

void CarveChunk(void *context, size_t slot)
{
    CarveRun *run = static_cast<CarveRun *>(context);
    CarveJob &job = run->jobs[slot];
    for (const Span &span : job.spans) {
        uint64_t end = std::min(span.runEnd, span.searchEnd + kMostRecordBytes);
        job.bytes.resize(static_cast<size_t>(end - span.start));
        std::string reason;
        if (ReadImageBytes(*run->area, span.start, job.bytes.size(), job.bytes.data(), &reason))
            CarveSpan(*run, span, job.bytes.data(), job.bytes.size(), &job);
        else
            job.problems.push_back(SourceName(*run->area) + ": " + reason);
    }
}

void PrintChunk(void *context, size_t slot)
{
    CarveRun *run = static_cast<CarveRun *>(context);
    CarveJob &job = run->jobs[slot];
    std::fwrite(job.out.bytes.get(), 1, job.out.size, stdout);
    job.out.size = 0;
    AddPrintedRecords(&job.counts);
    uint64_t searched = 0;
    for (const Span &span : job.spans)
        searched += span.searchEnd - span.start;
    AddWorkDone(searched, 0);
    run->problems->insert(run->problems->end(), job.problems.begin(), job.problems.end());
    job.problems.clear();
    job.spans.clear();
}

} // namespace

void PrintCarvedRecords(const DumpOptions &options, const DumpSource &area, unsigned processors,
                        std::vector<std::string> *problems)
{
    CarveRun run;
    run.options = &options;
    run.area = &area;
    run.problems = problems;
    StartOrderedPool(&run.pool, &run, CarveChunk, PrintChunk, processors - 1, kSlotsPerProcessor * processors);
    run.jobs.resize(run.pool.slots);
    // Each job searches up to kChunkBytes, of one long run or of many
    // short ones.
    size_t slot = ClaimSlot(&run.pool);
    uint64_t filled = 0;
    for (const ByteRun &free : AreaRuns(area)) {
        for (uint64_t at = free.start; at < free.end;) {
            uint64_t take = std::min(free.end - at, kChunkBytes - filled);
            run.jobs[slot].spans.push_back({at, at + take, free.end});
            at += take;
            filled += take;
            if (filled == kChunkBytes) {
                SubmitSlot(&run.pool);
                slot = ClaimSlot(&run.pool);
                filled = 0;
            }
        }
    }
    SubmitSlot(&run.pool);
    StopOrderedPool(&run.pool);
}
