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

} // namespace

bool MapIndexInput(const std::string &path, MappedIndex *index, std::string *reason)
{
    *index = MappedIndex();
    struct stat status;
    int fd = OpenInput(path, &status, reason);
    if (fd < 0)
        return false;
    index->size = static_cast<uint64_t>(status.st_size);
    if (index->size) {
        void *view = mmap(nullptr, index->size, PROT_READ, MAP_PRIVATE, fd, 0);
        if (view == MAP_FAILED) {
            *reason = Reason("cannot map: ", errno);
            close(fd);
            return false;
        }
        index->base = static_cast<uint8_t *>(view);
        madvise(view, index->size, MADV_SEQUENTIAL);
    }
    close(fd);
    OpenIndexImage(&index->image, index->base, index->size);
    // Opening may have read the whole file backwards; the scan starts afresh.
    if (index->size)
        madvise(index->base, index->size, MADV_DONTNEED);
    return true;
}

void UnmapIndexInput(MappedIndex *index)
{
    if (index->base)
        munmap(index->base, index->size);
    *index = MappedIndex();
}

void ReleaseScannedPages(MappedIndex *index, uint64_t cursor)
{
    if (cursor < index->released + 2 * kReleaseChunk)
        return;
    static const uint64_t pageSize = static_cast<uint64_t>(sysconf(_SC_PAGESIZE));
    uint64_t upTo = cursor - kReleaseChunk;
    upTo -= upTo % pageSize;
    madvise(index->base + index->released, upTo - index->released, MADV_DONTNEED);
    index->released = upTo;
}
