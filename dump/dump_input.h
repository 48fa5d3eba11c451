// An index file mapped read-only for gallimaw-dump, standard input included.
#pragma once
#include <sys/stat.h>

#include <csignal>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "format/index_format.h"
#include "format/record_state.h"

constexpr const char *kStandardInputName = "-";

struct FileDigests;

struct MappedIndex {
    IndexImage image;
    uint8_t *base = nullptr;
    uint64_t size = 0;
    void *reservation = nullptr; // the address range that holds the view
    uint64_t reservationBytes = 0;
    uint64_t released = 0; // pages before this offset were handed back
    std::unique_ptr<IndexReach> reach; // once FindMappedReach has run
    uint64_t readFrom = 0, readTo = 0;  // the windows FindMappedReach reads now
    volatile sig_atomic_t shrank = 0;   // the file lost bytes while mapped
    bool cut = false;                   // standard input held more than an index file can
    FileDigests *digests = nullptr;     // --hash: fed the view's bytes in file order
    uint64_t digested = 0;              // the bytes fed so far
};

// Opens a file that a user names or a device folder holds: a regular file,
// or for "-" standard input, which may be a pipe. Nothing is waited for
// before the type is known; -1, with the reason, for a folder, a FIFO, a
// device or a socket.
int OpenInputFile(const std::string &path, struct stat *status, std::string *reason);
// Whether path, or a part or segment of a disk image, is a regular file or
// a block device, which are all the library may open as an image: it would
// wait for ever on a FIFO. False, with the reason, otherwise.
bool CheckImageFileType(const std::string &path, std::string *reason);
// The whole of a file that OpenInputFile accepts, when it holds at most
// limit bytes; false, with the reason, otherwise.
bool ReadSmallFile(const std::string &path, uint64_t limit, std::string *text, std::string *reason);

// Maps path ("-" for standard input) and opens the image; false with the
// reason in reason. An empty file maps as an image of no bytes. Standard
// input is read up to the size of the largest index file, 4 GiB.
// A file that shrinks while it is mapped does not end the program: the
// bytes past its new end read as zeros, which hold no record.
bool MapIndexInput(const std::string &path, MappedIndex *index, std::string *reason);
// The same for size bytes from offset of a file already open (an index
// file inside a disk image, or a copy of one); the caller keeps fd.
bool MapIndexDescriptor(int fd, uint64_t offset, uint64_t size, MappedIndex *index, std::string *reason);
// False, with the reason, when the file shrank while it was mapped or
// standard input held more than an index file can.
bool UnmapIndexInput(MappedIndex *index, std::string *reason);

// Finds which records the file's index reaches, giving back the pages of
// each hash table and leak list link once read.
void FindMappedReach(MappedIndex *index);

// Hands the pages well behind the scan cursor back to the kernel, so that
// the resident size stays flat however large the file is; they fault back
// in if a text offset points behind the cursor.
void ReleaseScannedPages(MappedIndex *index, uint64_t cursor);

// Feeds the view's bytes not yet digested to index->digests, if set,
// giving back the pages of a large view as it goes.
void DigestRestOfView(MappedIndex *index);

// An unlinked temporary file in $TMPDIR (default /tmp), open for reading
// and writing; -1, with the reason, when none can be made.
int MakeTemporaryFile(std::string *reason);
// An unlinked temporary file holding the bytes that read gives, from
// offset 0 on until it gives 0, with holes for runs of zeros; -1 when read
// fails (it says why in reason) or the copy cannot be written.
int CopyToTemporaryFile(const std::function<int64_t(uint64_t offset, uint8_t *into, size_t bytes)> &read,
                        std::string *reason);

