// Decoder throughput on a page-cached index file with unrecognised regions:
// a generated cache file in which every second URL record has lost its
// signature, as deleted records leave their text behind. Prints bytes per
// second of the scan alone, of the scan with every Record row built, and of
// counting one byte value over the same bytes (what merely reading them
// costs), with ratios.
// Usage: decoder_bench [RECORDS] [SECONDS]
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "format/record_row.h"
#include "format/record_state.h"
#include "gen/index_generator.h"

using namespace gallimaw_gen;

namespace {

constexpr double kTargetBytesPerSecond = 1e9;

struct Counter {
    const IndexImage *image;
    uint64_t rows;
    uint64_t keys;
};

void CountRow(void *context, const ScannedRecord *record)
{
    Counter *counter = static_cast<Counter *>(context);
    if (record->type != RecordUrl)
        return;
    counter->rows++;
    counter->keys += RecordSortKey(counter->image, record->offset);
}

void BuildRow(void *context, const ScannedRecord *record)
{
    Counter *counter = static_cast<Counter *>(context);
    if (record->type != RecordUrl)
        return;
    char16_t column[RECORD_COLUMN_CHARS];
    for (int c = 0; c < RECORD_COLUMNS; c++)
        counter->keys += static_cast<uint64_t>(FormatRecordColumn(counter->image, record, c, column) + 1);
    counter->rows++;
}

// The viewer's scan: the file's index first, then the records.
void ScanRows(const IndexImage *image, StatedRecordVisitor visit, Counter *counter)
{
    static IndexReach reach;
    FindIndexReach(image, &reach, nullptr, nullptr);
    ScanIndexRecords(image, &reach, visit, counter);
}

// Bytes per second of pass over the image, repeated for at least seconds.
template <typename Pass> double Throughput(uint64_t bytes, double seconds, Pass pass)
{
    using Clock = std::chrono::steady_clock;
    uint64_t rounds = 0;
    Clock::time_point start = Clock::now();
    double elapsed = 0;
    do {
        pass();
        rounds++;
        elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    } while (elapsed < seconds);
    return static_cast<double>(bytes) * static_cast<double>(rounds) / elapsed;
}

// The generated file with every second URL record's signature blanked.
std::string WriteDamagedIndex(uint32_t records)
{
    IndexLayout layout = SampleLayout(KindCache, records, 7, 5, true);
    GeneratedIndex index = BuildIndex(layout);
    bool blank = false;
    for (size_t i = 0; i < layout.pieces.size(); i++)
        if (layout.pieces[i].type == PieceType::Url && (blank = !blank))
            std::memset(index.bytes.data() + index.offsets[i], 0, 4);
    char path[] = "/tmp/decoder-bench-XXXXXX";
    int fd = mkstemp(path);
    std::string error;
    if (fd < 0 || !WriteIndexFile(path, index, &error)) {
        std::fprintf(stderr, "decoder_bench: cannot write %s: %s\n", path, error.c_str());
        std::exit(1);
    }
    close(fd);
    return path;
}

} // namespace

int main(int argc, char **argv)
{
    uint32_t records = argc > 1 ? static_cast<uint32_t>(std::strtoul(argv[1], nullptr, 10)) : 45000;
    double seconds = argc > 2 ? std::strtod(argv[2], nullptr) : 2.0;
    std::string path = WriteDamagedIndex(records);
    int fd = open(path.c_str(), O_RDONLY);
    off_t size = lseek(fd, 0, SEEK_END);
    void *view = mmap(nullptr, static_cast<size_t>(size), PROT_READ, MAP_SHARED | MAP_POPULATE, fd, 0);
    close(fd);
    unlink(path.c_str());
    if (view == MAP_FAILED) {
        std::perror("decoder_bench: mmap");
        return 1;
    }
    const uint8_t *bytes = static_cast<const uint8_t *>(view);
    uint64_t length = static_cast<uint64_t>(size);

    IndexImage image;
    OpenIndexImage(&image, bytes, length);
    Counter counter{&image, 0, 0};
    ScanRows(&image, CountRow, &counter);
    std::printf("file: %llu bytes, %llu URL records found (half the written ones; the rest are unrecognised)\n",
                static_cast<unsigned long long>(length), static_cast<unsigned long long>(counter.rows));

    volatile uint64_t sink = 0;
    double read = Throughput(length, seconds, [&] { sink = sink + static_cast<uint64_t>(std::count(bytes, bytes + length, 'U')); });
    double scan = Throughput(length, seconds, [&] { ScanRows(&image, CountRow, &counter); });
    double rows = Throughput(length, seconds, [&] { ScanRows(&image, BuildRow, &counter); });
    std::printf("counting one byte value (baseline): %8.0f MB/s\n", read / 1e6);
    std::printf("scan with Sort keys:             %8.0f MB/s  = %.2f x the 1 GB/s target, %.2f x counting\n",
                scan / 1e6, scan / kTargetBytesPerSecond, scan / read);
    std::printf("scan with all nine columns:      %8.0f MB/s  = %.2f x the 1 GB/s target, %.2f x counting\n",
                rows / 1e6, rows / kTargetBytesPerSecond, rows / read);
    munmap(view, static_cast<size_t>(size));
    return 0;
}
