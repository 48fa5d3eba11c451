#include "tools/dump_input.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

constexpr uint64_t kReleaseChunk = 256u << 10;
// The kernel maps a file's 2 MB page-cache folios whole, through one page
// middle directory entry, where the view's address and the file offset
// agree modulo 2 MB; that keeps 2 MB resident around the scan cursor
// whatever ReleaseScannedPages does. The view is placed one page off that
// alignment, so pages come in a few at a time.
constexpr uint64_t kLargeFolioBytes = 2u << 20;
constexpr size_t kCopyBytes = 1u << 16;

std::string Reason(const char *what, int error)
{
    return std::string(what) + std::strerror(error);
}

// A pipe cannot be mapped: its bytes go to an unlinked temporary file.
int CopyToTemporaryFile(int from, std::string *reason)
{
    FILE *copy = std::tmpfile();
    if (!copy) {
        *reason = Reason("cannot make a temporary file: ", errno);
        return -1;
    }
    int fd = dup(fileno(copy));
    std::fclose(copy);
    static char buffer[kCopyBytes];
    for (;;) {
        ssize_t got = read(from, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            *reason = Reason("cannot read: ", errno);
            break;
        }
        if (got == 0)
            return fd;
        for (ssize_t done = 0; done < got;) {
            ssize_t put = write(fd, buffer + done, static_cast<size_t>(got - done));
            if (put < 0 && errno != EINTR) {
                *reason = Reason("cannot copy to a temporary file: ", errno);
                close(fd);
                return -1;
            }
            done += put > 0 ? put : 0;
        }
    }
    close(fd);
    return -1;
}

int OpenInput(const std::string &path, struct stat *status, std::string *reason)
{
    bool standardInput = path == kStandardInputName;
    int fd = standardInput ? dup(STDIN_FILENO) : open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0 || fstat(fd, status) != 0) {
        *reason = Reason("", errno);
        if (fd >= 0)
            close(fd);
        return -1;
    }
    if (S_ISDIR(status->st_mode)) {
        *reason = Reason("", EISDIR);
        close(fd);
        return -1;
    }
    if (S_ISREG(status->st_mode))
        return fd;
    int copy = CopyToTemporaryFile(fd, reason);
    close(fd);
    if (copy >= 0 && fstat(copy, status) != 0) {
        *reason = Reason("", errno);
        close(copy);
        return -1;
    }
    return copy;
}

uint64_t PageSize()
{
    static const uint64_t pageSize = static_cast<uint64_t>(sysconf(_SC_PAGESIZE));
    return pageSize;
}

bool MapMisaligned(int fd, MappedIndex *index, std::string *reason)
{
    index->reservationBytes = index->size + kLargeFolioBytes + PageSize();
    index->reservation = mmap(nullptr, index->reservationBytes, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE,
                              -1, 0);
    if (index->reservation == MAP_FAILED) {
        *reason = Reason("cannot map: ", errno);
        index->reservation = nullptr;
        return false;
    }
    uintptr_t start = reinterpret_cast<uintptr_t>(index->reservation);
    start = (start + kLargeFolioBytes - 1) / kLargeFolioBytes * kLargeFolioBytes + PageSize();
    void *view = mmap(reinterpret_cast<void *>(start), index->size, PROT_READ, MAP_PRIVATE | MAP_FIXED, fd, 0);
    if (view == MAP_FAILED) {
        *reason = Reason("cannot map: ", errno);
        munmap(index->reservation, index->reservationBytes);
        index->reservation = nullptr;
        return false;
    }
    index->base = static_cast<uint8_t *>(view);
    return true;
}

} // namespace

bool MapIndexInput(const std::string &path, MappedIndex *index, std::string *reason)
{
    *index = MappedIndex();
    struct stat status;
    int fd = OpenInput(path, &status, reason);
    if (fd < 0)
        return false;
    index->size = static_cast<uint64_t>(status.st_size);
    bool mapped = !index->size || MapMisaligned(fd, index, reason);
    close(fd);
    if (!mapped)
        return false;
    OpenIndexImage(&index->image, index->base, index->size);
    // Opening may have read the whole file backwards; the scan starts afresh.
    if (index->size)
        madvise(index->base, index->size, MADV_DONTNEED);
    return true;
}

void UnmapIndexInput(MappedIndex *index)
{
    if (index->reservation)
        munmap(index->reservation, index->reservationBytes);
    *index = MappedIndex();
}

void ReleaseScannedPages(MappedIndex *index, uint64_t cursor)
{
    if (cursor < index->released + 2 * kReleaseChunk)
        return;
    uint64_t upTo = cursor - kReleaseChunk;
    upTo -= upTo % PageSize();
    madvise(index->base + index->released, upTo - index->released, MADV_DONTNEED);
    index->released = upTo;
}
