#include "dump/dump_progress.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <thread>

#include "dump/dump_image.h"
#include "dump/dump_input.h"

namespace {

typedef std::chrono::steady_clock Clock;

// The start of the run, set before main runs.
const Clock::time_point gStarted = Clock::now();
// A shorter run shows no line.
constexpr double kSilentSeconds = 1;
constexpr std::chrono::milliseconds kRedrawEvery{250};
// Files averaging less are counted as files: opening them outweighs their
// bytes.
constexpr uint64_t kSmallFileBytes = 1u << 20;
// Clears the terminal's line from the cursor on.
const char kClearToEnd[] = "\033[K";

std::atomic<uint64_t> gBytesToDo{0}, gBytesDone{0}, gFilesDone{0};
uint64_t gFilesToDo = 0;
bool gInFiles = false;
Clock::time_point gCounted; // the rate counts from here

// Held to write on standard error; also guards the two flags.
std::mutex gStandardError;
std::condition_variable gStopAsked;
bool gStopping = false;
bool gLineShown = false;
std::thread gLineThread;

double SecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// A file in a disk image or given as standard input tells its size only
// once it is mapped.
bool SizeKnownAhead(const DumpSource &source)
{
    return !source.item && source.path != kStandardInputName;
}

uint64_t BytesKnownAhead(const DumpSource &source)
{
    uint64_t bytes = 0;
    struct stat status;
    if (source.carved) {
        for (const ByteRun &run : AreaRuns(source))
            bytes += run.end - run.start;
    } else if (SizeKnownAhead(source) && stat(source.path.c_str(), &status) == 0 && S_ISREG(status.st_mode)) {
        bytes = static_cast<uint64_t>(status.st_size);
    }
    return bytes;
}

bool SameTerminal(int first, int second)
{
    struct stat a, b;
    return isatty(first) && fstat(first, &a) == 0 && fstat(second, &b) == 0 && a.st_rdev == b.st_rdev;
}

// "0.5", "8.0", "240": one decimal below ten.
std::string Amount(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, value < 10 ? "%.1f" : "%.0f", value);
    return text;
}

// "512 B", "8.0 GiB", "240 MiB".
std::string Bytes(double bytes)
{
    static const char *const kUnits[] = {"B", "KiB", "MiB", "GiB", "TiB"};
    size_t unit = 0;
    for (; bytes >= 1024 && unit + 1 < std::size(kUnits); unit++)
        bytes /= 1024;
    return (unit ? Amount(bytes) : std::to_string(static_cast<unsigned>(bytes))) + " " + kUnits[unit];
}

std::string TimeLeft(double seconds)
{
    seconds = std::ceil(seconds);
    return seconds < 100 ? std::to_string(static_cast<long>(seconds)) + " s left"
                         : std::to_string(static_cast<long>(std::ceil(seconds / 60))) + " min left";
}

// "1.2 GiB of 8.0 GiB, 240 MiB/s, 28 s left", or "120 of 5000 files, ...".
std::string ProgressText()
{
    double done = static_cast<double>(gInFiles ? gFilesDone.load() : gBytesDone.load());
    double total = std::max(done, static_cast<double>(gInFiles ? gFilesToDo : gBytesToDo.load()));
    double rate = done / SecondsSince(gCounted);
    std::string text = "gallimaw-dump: ";
    if (gInFiles)
        text += std::to_string(static_cast<uint64_t>(done)) + " of " + std::to_string(gFilesToDo) + " files";
    else
        text += Bytes(done) + " of " + Bytes(total);
    if (done > 0)
        text += ", " + (gInFiles ? Amount(rate) + " files" : Bytes(rate)) + "/s, "
                + TimeLeft((total - done) / rate);
    return text;
}

void ClearShownLine()
{
    if (gLineShown)
        std::fprintf(stderr, "\r%s", kClearToEnd);
    gLineShown = false;
}

void DrawLines()
{
    std::unique_lock<std::mutex> hold(gStandardError);
    while (!gStopAsked.wait_for(hold, kRedrawEvery, [] { return gStopping; })) {
        // A run sent to the background leaves the terminal to the shell.
        if (SecondsRunning() < kSilentSeconds || tcgetpgrp(STDERR_FILENO) != getpgrp())
            continue;
        std::fprintf(stderr, "\r%s%s", ProgressText().c_str(), kClearToEnd);
        gLineShown = true;
    }
    ClearShownLine();
}

} // namespace

double SecondsRunning()
{
    return SecondsSince(gStarted);
}

void AddWorkDone(uint64_t bytes, uint64_t files)
{
    gBytesDone.fetch_add(bytes, std::memory_order_relaxed);
    gFilesDone.fetch_add(files, std::memory_order_relaxed);
}

bool StandardErrorShowsProgress()
{
    return isatty(STDERR_FILENO) && !SameTerminal(STDOUT_FILENO, STDERR_FILENO);
}

void CountMappedSource(const DumpSource &source, bool mapped, uint64_t bytes)
{
    if (!mapped)
        AddWorkDone(BytesKnownAhead(source), 1);
    else if (!SizeKnownAhead(source))
        gBytesToDo += bytes;
}

void StartProgressLine(const std::vector<DumpSource> &sources)
{
    bool carving = false;
    for (const DumpSource &source : sources) {
        gBytesToDo += BytesKnownAhead(source);
        gFilesToDo += !source.carved;
        carving = carving || source.carved;
    }
    gInFiles = !carving && gFilesToDo > 1 && gBytesToDo < gFilesToDo * kSmallFileBytes;
    gCounted = Clock::now();
    gLineThread = std::thread(DrawLines);
}

void StopProgressLine()
{
    if (!gLineThread.joinable())
        return;
    {
        std::lock_guard<std::mutex> hold(gStandardError);
        gStopping = true;
    }
    gStopAsked.notify_all();
    gLineThread.join();
}

void WriteOnStandardError(const std::string &text)
{
    std::lock_guard<std::mutex> hold(gStandardError);
    ClearShownLine();
    std::fputs(text.c_str(), stderr);
}
