#include "dump/dump_input.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <mutex>

#include "dump/dump_hash.h"

namespace {

constexpr uint64_t kReleaseChunk = 64u << 10;
// A smaller file stays mapped whole: giving its pages back would cost more,
// in calls and in other processors' address translations, than it saves.
constexpr uint64_t kReleasedFrom = 4u << 20;
// The kernel maps a file's 2 MB page-cache folios whole, through one page
// middle directory entry, where the view's address and the file offset
// agree modulo 2 MB; that keeps 2 MB resident around the scan cursor
// whatever ReleaseScannedPages does. The view is placed one page off that
// alignment, so pages come in a few at a time.
constexpr uint64_t kLargeFolioBytes = 2u << 20;
// The pages mapped around a faulting one lie in a window aligned to this
// size in the address space; with the view offset by it, windows keep to
// the file's own alignment and never reach back into folios released
// behind the scan.
constexpr uint64_t kFaultAroundBytes = 64u << 10;
constexpr size_t kCopyBytes = 1u << 20;
// Bytes fed to the digests, and then given back, at a time: giving pages
// back flushes the address translations of every processor that reads
// the file, which costs more than the digests when done 64 KB at a time.
constexpr uint64_t kDigestChunk = 1u << 20;
// Offsets in an index file are 32 bits: standard input is read no further.
constexpr uint64_t kLargestIndexFile = uint64_t{1} << 32;

std::string Reason(const char *what, int error)
{
    return std::string(what) + std::strerror(error);
}

// This thread's copy buffer, made at its first use. A thread-local array
// would be zeroed, page by page, at the start of every thread.
uint8_t *CopyBuffer()
{
    thread_local std::unique_ptr<uint8_t[]> buffer;
    if (!buffer)
        buffer.reset(new uint8_t[kCopyBytes]);
    return buffer.get();
}

// Writes all bytes to fd; false, with errno set, when a write fails.
bool WriteAll(int fd, const uint8_t *bytes, size_t size)
{
    for (size_t done = 0; done < size;) {
        ssize_t put = write(fd, bytes + done, size - done);
        if (put < 0 && errno != EINTR)
            return false;
        done += put > 0 ? static_cast<size_t>(put) : 0;
    }
    return true;
}

// What a file that is neither a regular file nor a folder is, for the
// reason it is refused.
const char *FileTypeName(mode_t mode)
{
    if (S_ISFIFO(mode))
        return "a pipe";
    if (S_ISCHR(mode))
        return "a character device";
    if (S_ISBLK(mode))
        return "a block device";
    if (S_ISSOCK(mode))
        return "a socket";
    return "no regular file";
}

// Opens path; a pipe is copied to a temporary file, up to the largest
// index file (cut tells whether it held more).
int OpenInput(const std::string &path, struct stat *status, bool *cut, std::string *reason)
{
    int fd = OpenInputFile(path, status, reason);
    if (fd < 0 || S_ISREG(status->st_mode))
        return fd;
    // A pipe cannot be mapped: its bytes go to an unlinked temporary file.
    // One byte past the largest index file tells that there is more.
    int copy = CopyToTemporaryFile(
        [fd, cut, reason](uint64_t offset, uint8_t *into, size_t bytes) -> int64_t {
            if (*cut)
                return 0;
            ssize_t got;
            do
                got = read(fd, into, std::min<uint64_t>(bytes, kLargestIndexFile + 1 - offset));
            while (got < 0 && errno == EINTR);
            if (got < 0)
                *reason = Reason("cannot read: ", errno);
            *cut = got > 0 && offset + static_cast<uint64_t>(got) > kLargestIndexFile;
            return *cut ? got - 1 : got;
        },
        reason);
    close(fd);
    if (copy >= 0 && fstat(copy, status) != 0) {
        *reason = Reason("", errno);
        close(copy);
        return -1;
    }
    return copy;
}

const uint64_t kPageSize = static_cast<uint64_t>(sysconf(_SC_PAGESIZE));

// The views now mapped, for the bus error handler: slots that the readers
// fill and empty and the handler reads, all without a lock.
constexpr size_t kMostMappedViews = 4096;
std::atomic<MappedIndex *> gMappedViews[kMostMappedViews];

// Reading a page of a view past the end of a file that shrank raises
// SIGBUS. The handler puts zero pages in place of the rest of that view
// and lets the read go on; any other bus error ends the program as before.
void ZeroViewPastItsFile(int, siginfo_t *info, void *)
{
    const uint8_t *at = static_cast<const uint8_t *>(info->si_addr);
    for (std::atomic<MappedIndex *> &slot : gMappedViews) {
        MappedIndex *view = slot.load();
        if (!view || at < view->base || at >= view->base + view->size)
            continue;
        uint8_t *page = reinterpret_cast<uint8_t *>(reinterpret_cast<uintptr_t>(at) & ~(kPageSize - 1));
        size_t rest = static_cast<size_t>(view->base + view->size - page);
        if (mmap(page, rest, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0) == MAP_FAILED)
            break;
        view->shrank = 1;
        return;
    }
    signal(SIGBUS, SIG_DFL);
}

void AddMappedView(MappedIndex *index)
{
    static std::once_flag handled;
    std::call_once(handled, [] {
        struct sigaction action = {};
        action.sa_sigaction = ZeroViewPastItsFile;
        action.sa_flags = SA_SIGINFO;
        sigemptyset(&action.sa_mask);
        sigaction(SIGBUS, &action, nullptr);
    });
    // With every slot taken (thousands of files mapped at once) the view
    // goes unguarded.
    for (std::atomic<MappedIndex *> &slot : gMappedViews) {
        MappedIndex *empty = nullptr;
        if (slot.compare_exchange_strong(empty, index))
            return;
    }
}

void RemoveMappedView(MappedIndex *index)
{
    for (std::atomic<MappedIndex *> &slot : gMappedViews) {
        MappedIndex *mapped = index;
        if (slot.compare_exchange_strong(mapped, nullptr))
            return;
    }
}

// Maps index->size bytes of fd from offset; the view begins where the
// offset falls in its page.
bool MapMisaligned(int fd, uint64_t offset, MappedIndex *index, std::string *reason)
{
    uint64_t lead = offset % kPageSize, from = offset - lead;
    index->reservationBytes = lead + index->size + 2 * kLargeFolioBytes + kFaultAroundBytes;
    index->reservation = mmap(nullptr, index->reservationBytes, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE,
                              -1, 0);
    if (index->reservation == MAP_FAILED) {
        *reason = Reason("cannot map: ", errno);
        index->reservation = nullptr;
        return false;
    }
    uintptr_t start = reinterpret_cast<uintptr_t>(index->reservation);
    start = (start + kLargeFolioBytes - 1) / kLargeFolioBytes * kLargeFolioBytes + kFaultAroundBytes
            + from % kLargeFolioBytes;
    void *view = mmap(reinterpret_cast<void *>(start), lead + index->size, PROT_READ, MAP_PRIVATE | MAP_FIXED, fd,
                      static_cast<off_t>(from));
    if (view == MAP_FAILED) {
        *reason = Reason("cannot map: ", errno);
        munmap(index->reservation, index->reservationBytes);
        index->reservation = nullptr;
        return false;
    }
    index->base = static_cast<uint8_t *>(view) + lead;
    AddMappedView(index);
    return true;
}

} // namespace

int OpenInputFile(const std::string &path, struct stat *status, std::string *reason)
{
    bool standardInput = path == kStandardInputName;
    // Opening a FIFO waits for a writer, and a device may never answer:
    // neither is waited for before its type is known.
    int fd = standardInput ? fcntl(STDIN_FILENO, F_DUPFD_CLOEXEC, 0)
                           : open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0 || fstat(fd, status) != 0) {
        *reason = Reason("", errno);
        if (fd >= 0)
            close(fd);
        return -1;
    }
    bool pipe = S_ISFIFO(status->st_mode) || S_ISSOCK(status->st_mode);
    if (S_ISDIR(status->st_mode) || !(S_ISREG(status->st_mode) || (standardInput && pipe))) {
        *reason = S_ISDIR(status->st_mode) ? Reason("", EISDIR)
                                           : std::string(FileTypeName(status->st_mode))
                                                 + (standardInput ? ", not a file or a pipe" : ", not a regular file");
        close(fd);
        return -1;
    }
    if (!standardInput && fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0) {
        *reason = Reason("", errno);
        close(fd);
        return -1;
    }
    return fd;
}

bool CheckImageFileType(const std::string &path, std::string *reason)
{
    struct stat status;
    if (stat(path.c_str(), &status) != 0) {
        *reason = Reason("", errno);
        return false;
    }
    if (S_ISREG(status.st_mode) || S_ISBLK(status.st_mode))
        return true;
    *reason = S_ISDIR(status.st_mode) ? Reason("", EISDIR)
                                      : std::string(FileTypeName(status.st_mode)) + ", not a regular file or a block device";
    return false;
}

bool ReadSmallFile(const std::string &path, uint64_t limit, std::string *text, std::string *reason)
{
    struct stat status;
    int fd = OpenInputFile(path, &status, reason);
    if (fd < 0)
        return false;
    text->clear();
    // A file that grows while it is read is cut off one byte past the limit.
    bool fits = static_cast<uint64_t>(status.st_size) <= limit;
    while (fits) {
        char buffer[1 << 16];
        ssize_t got = read(fd, buffer, static_cast<size_t>(std::min<uint64_t>(sizeof buffer, limit + 1 - text->size())));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            *reason = Reason("", errno);
            close(fd);
            return false;
        }
        if (got == 0)
            break;
        text->append(buffer, static_cast<size_t>(got));
        fits = text->size() <= limit;
    }
    close(fd);
    if (!fits)
        *reason = "larger than " + std::to_string(limit) + " bytes";
    return fits;
}

bool MapIndexInput(const std::string &path, MappedIndex *index, std::string *reason)
{
    struct stat status;
    bool cut = false;
    int fd = OpenInput(path, &status, &cut, reason);
    if (fd < 0)
        return false;
    bool opened = MapIndexDescriptor(fd, 0, static_cast<uint64_t>(status.st_size), index, reason);
    close(fd);
    index->cut = cut;
    return opened;
}

bool MapIndexDescriptor(int fd, uint64_t offset, uint64_t size, MappedIndex *index, std::string *reason)
{
    *index = MappedIndex();
    index->size = size;
    if (size && !MapMisaligned(fd, offset, index, reason)) {
        UnmapIndexInput(index, reason);
        return false;
    }
    OpenIndexImage(&index->image, index->base, size);
    return true;
}

int CopyToTemporaryFile(const std::function<int64_t(uint64_t offset, uint8_t *into, size_t bytes)> &read,
                        std::string *reason)
{
    int fd = MakeTemporaryFile(reason);
    if (fd < 0)
        return -1;
    uint8_t *buffer = CopyBuffer();
    for (uint64_t offset = 0;;) {
        int64_t got = read(offset, buffer, kCopyBytes);
        if (got < 0) {
            close(fd);
            return -1;
        }
        offset += static_cast<uint64_t>(got);
        bool copied;
        if (got == 0) {
            // The size covers a hole left at the end.
            if (ftruncate(fd, static_cast<off_t>(offset)) == 0)
                return fd;
            copied = false;
        } else if (buffer[0] == 0 && !std::memcmp(buffer, buffer + 1, static_cast<size_t>(got - 1))) {
            // Zeros hold no record: a run of them is left a hole in the copy.
            copied = lseek(fd, got, SEEK_CUR) >= 0;
        } else {
            copied = WriteAll(fd, buffer, static_cast<size_t>(got));
        }
        if (!copied) {
            *reason = Reason("cannot copy to a temporary file: ", errno);
            close(fd);
            return -1;
        }
    }
}

int MakeTemporaryFile(std::string *reason)
{
    const char *variable = std::getenv("TMPDIR");
    std::string folder = variable && *variable ? variable : "/tmp";
    int fd = open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    // A file system without unnamed files gets a named one, unlinked at once.
    if (fd < 0 && (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL)) {
        std::string name = folder + "/gallimaw-dump.XXXXXX";
        fd = mkostemp(&name[0], O_CLOEXEC);
        if (fd >= 0)
            unlink(name.c_str());
    }
    if (fd < 0)
        *reason = Reason(("cannot make a temporary file in " + folder + ": ").c_str(), errno);
    return fd;
}

bool UnmapIndexInput(MappedIndex *index, std::string *reason)
{
    bool whole = !index->shrank && !index->cut;
    if (index->cut)
        *reason = "more than " + std::to_string(kLargestIndexFile)
                  + " bytes, more than an index file holds; the records of the bytes up to there are printed";
    if (index->shrank)
        *reason = "the file shrank while it was read";
    if (index->reservation) {
        RemoveMappedView(index);
        munmap(index->reservation, index->reservationBytes);
    }
    *index = MappedIndex();
    return whole;
}

namespace {

// Gives back the whole pages of view bytes [from, to).
void GiveBackPages(MappedIndex *index, uint64_t from, uint64_t to)
{
    uintptr_t start = reinterpret_cast<uintptr_t>(index->base + from);
    uintptr_t end = reinterpret_cast<uintptr_t>(index->base + std::min(index->size, to));
    start = (start + kPageSize - 1) & ~(kPageSize - 1);
    end &= ~(kPageSize - 1);
    if (start < end)
        madvise(reinterpret_cast<void *>(start), end - start, MADV_DONTNEED);
}


// Gives back the pages that reading the ranges brought in, once the
// reading has moved on to another window (a leak list often holds several
// links in one): the fault-around windows, aligned to the file, that hold
// them, and the windows either side, into which a large page-cache folio
// can be mapped whole.
void ReleaseReadRange(void *context, uint64_t offset, uint64_t bytes)
{
    MappedIndex *index = static_cast<MappedIndex *>(context);
    if (index->size < kReleasedFrom)
        return;
    uint64_t window = offset / kFaultAroundBytes * kFaultAroundBytes;
    uint64_t from = window > kFaultAroundBytes ? window - kFaultAroundBytes : 0;
    uint64_t to = (offset + bytes + kFaultAroundBytes - 1) / kFaultAroundBytes * kFaultAroundBytes + kFaultAroundBytes;
    if (from == index->readFrom && to == index->readTo)
        return;
    GiveBackPages(index, index->readFrom, index->readTo);
    index->readFrom = from;
    index->readTo = to;
}

} // namespace

void FindMappedReach(MappedIndex *index)
{
    index->reach.reset(new IndexReach);
    FindIndexReach(&index->image, index->reach.get(), ReleaseReadRange, index);
    GiveBackPages(index, index->readFrom, index->readTo);
}

namespace {

// Gives back the pages of a large view from the last one given back up to
// the page that holds upTo.
void GiveBackBefore(MappedIndex *index, uint64_t upTo)
{
    if (index->size < kReleasedFrom)
        return;
    upTo -= (reinterpret_cast<uintptr_t>(index->base) + upTo) % kPageSize;
    if (upTo <= index->released)
        return;
    GiveBackPages(index, index->released, upTo);
    index->released = upTo;
}

// Feeds view bytes up to `to` to the digests, in file order, a chunk at a
// time, giving each chunk's pages back once fed. A file that shrinks
// under the view reads as zeros here, as it does for the scan, and
// UnmapIndexInput then fails it.
void DigestViewUpTo(MappedIndex *index, uint64_t to)
{
    to = std::min(to, index->size);
    while (index->digests && index->digested < to) {
        uint64_t end = std::min(to, index->digested + kDigestChunk);
        AddToFileDigests(index->digests, index->base + index->digested, static_cast<size_t>(end - index->digested));
        index->digested = end;
        GiveBackBefore(index, end);
    }
}

} // namespace

void ReleaseScannedPages(MappedIndex *index, uint64_t cursor)
{
    if (index->size < kReleasedFrom)
        return;
    if (cursor < index->released + 2 * kReleaseChunk)
        return;
    // The digests follow the scan, just behind it, through pages it has
    // brought in: a large file is read once, in order, where a pass of
    // their own before or after the scan would read it twice.
    DigestViewUpTo(index, cursor - kReleaseChunk);
    GiveBackBefore(index, cursor - kReleaseChunk);
}

void DigestRestOfView(MappedIndex *index)
{
    DigestViewUpTo(index, index->size);
}
