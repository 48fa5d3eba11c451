#include "dump/dump_ewf.h"

#include <libewf.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <map>

#include "dump/dump_image.h"
#include "dump/dump_input.h"

namespace {

// An EWF segment file: a 13-byte header (signature, segment number) and a
// chain of sections, each starting with a 76-byte descriptor: its type,
// the file offset of the next section and its own size. The chain of a
// segment ends in a section that names itself as the next: "next" when
// another segment follows, "done" in the last one. A "table" section
// lists the chunks whose data the segment holds, starting with their
// count ("table2" is its copy).
const char kSignature[] = "EVF\x09\x0D\x0A\xFF";
constexpr size_t kSignatureBytes = 8;
constexpr uint64_t kHeaderBytes = 13;
constexpr uint64_t kSegmentNumberOffset = 9;
constexpr uint64_t kDescriptorBytes = 76;
constexpr size_t kTypeBytes = 16;
constexpr uint64_t kNextOffset = 16;
constexpr uint64_t kSizeOffset = 24;
constexpr size_t kChunkCountBytes = 4;

uint64_t Little(const unsigned char *bytes, int width)
{
    uint64_t value = 0;
    for (int i = width - 1; i >= 0; i--)
        value = value << 8 | bytes[i];
    return value;
}

bool ReadAt(std::ifstream &file, uint64_t offset, unsigned char *into, size_t bytes)
{
    file.seekg(static_cast<std::streamoff>(offset));
    return static_cast<bool>(file.read(reinterpret_cast<char *>(into), static_cast<std::streamsize>(bytes)));
}

// Follows the sections of one segment, adding to chunks the chunks of
// each whole table; the type of its last section, or "" with the problem
// said.
std::string LastSection(const std::string &segment, uint16_t number, uint64_t *chunks, std::string *problem)
{
    std::ifstream file(segment, std::ios::binary | std::ios::ate);
    if (!file) {
        *problem = segment + ": " + std::strerror(errno);
        return "";
    }
    uint64_t size = static_cast<uint64_t>(file.tellg());
    unsigned char header[kHeaderBytes];
    if (size < kHeaderBytes || !ReadAt(file, 0, header, sizeof header)
        || std::memcmp(header, kSignature, kSignatureBytes)) {
        *problem = segment + ": not an EWF segment file";
        return "";
    }
    if (Little(header + kSegmentNumberOffset, 2) != number) {
        *problem = segment + ": holds segment " + std::to_string(Little(header + kSegmentNumberOffset, 2))
                   + " where segment " + std::to_string(number) + " belongs: a segment is missing";
        return "";
    }
    for (uint64_t at = kHeaderBytes;;) {
        unsigned char descriptor[kDescriptorBytes];
        if (at + kDescriptorBytes > size || !ReadAt(file, at, descriptor, sizeof descriptor)) {
            *problem = segment + ": EWF segment cut short at byte " + std::to_string(size)
                       + ", where a section should begin at byte " + std::to_string(at);
            return "";
        }
        std::string type(reinterpret_cast<char *>(descriptor), strnlen(reinterpret_cast<char *>(descriptor), kTypeBytes));
        uint64_t next = Little(descriptor + kNextOffset, 8), bytes = Little(descriptor + kSizeOffset, 8);
        if (next == at)
            return type;
        if (bytes > size - at || next > size) {
            *problem = segment + ": EWF segment cut short at byte " + std::to_string(size) + ", inside its " + type
                       + " section from byte " + std::to_string(at);
            return "";
        }
        unsigned char count[kChunkCountBytes];
        if (type == "table" && bytes >= kDescriptorBytes + sizeof count
            && ReadAt(file, at + kDescriptorBytes, count, sizeof count))
            *chunks += Little(count, sizeof count);
        // Each section lies after the one before, so the chain ends.
        if (next < at + kDescriptorBytes) {
            *problem = segment + ": EWF segment damaged: its " + type + " section at byte " + std::to_string(at)
                       + " names no later section";
            return "";
        }
        at = next;
    }
}

// The file of segment number (from 1) of the image whose first segment is
// first ("case.E01"): case.E01 to case.E99, then case.EAA to case.EZZ,
// case.FAA and on, in the letter case of the first; "" past the last name.
std::string SegmentName(const std::string &first, int number)
{
    if (first.size() < 4 || first[first.size() - 4] != '.' || first.compare(first.size() - 2, 2, "01"))
        return number == 1 ? first : "";
    size_t dot = first.size() - 4;
    std::string name = first;
    char letter = name[dot + 1], a = letter >= 'a' ? 'a' : 'A';
    if (number < 100) {
        name[dot + 2] = static_cast<char>('0' + number / 10);
        name[dot + 3] = static_cast<char>('0' + number % 10);
        return name;
    }
    int past = number - 100;
    int lead = letter - a + past / (26 * 26);
    if (lead >= 26)
        return "";
    name[dot + 1] = static_cast<char>(a + lead);
    name[dot + 2] = static_cast<char>(a + past / 26 % 26);
    name[dot + 3] = static_cast<char>(a + past % 26);
    return name;
}

bool Exists(const std::string &path)
{
    struct stat status;
    return !path.empty() && stat(path.c_str(), &status) == 0;
}

// The segments of an image to open, in order: each an EWF segment file
// in its place, the last perhaps damaged, with the chunks that their whole
// tables list; whole when the last ends the image.
struct Segments {
    std::vector<std::string> names;
    uint64_t chunks = 0;
    bool whole = false;
};

// Checks the segments of the image whose first segment is path, naming
// in problems the segment and the byte where one is damaged or missing.
Segments CheckSegments(const std::string &path, std::vector<std::string> *problems)
{
    Segments found;
    for (int number = 1; Exists(SegmentName(path, number)); number++) {
        std::string problem;
        if (!CheckImageFileType(SegmentName(path, number), &problem)) {
            problems->push_back(SegmentName(path, number) + ": " + problem + "; not read");
            return found;
        }
        found.names.push_back(SegmentName(path, number));
        std::string type = LastSection(found.names.back(), static_cast<uint16_t>(number), &found.chunks, &problem);
        if (type.empty()) {
            problems->push_back(problem);
            return found;
        }
        if (type == "done") {
            found.whole = true;
            return found;
        }
    }
    problems->push_back(found.names.back() + ": the EWF segment after it is missing");
    return found;
}

std::string EwfError(libewf_error_t **error)
{
    char text[512] = "unknown error";
    if (*error)
        libewf_error_sprint(*error, text, sizeof text);
    libewf_error_free(error);
    std::string line = text;
    std::replace(line.begin(), line.end(), '\n', ' ');
    return line;
}

// Image bytes that cannot be read, by their start: read as zeros, and
// never asked of the library again, which keeps memory for each failed
// chunk it reads.
struct Fault {
    uint64_t end;
    std::string reason;
    bool named; // said when the image was opened
};

struct EwfReader {
    std::string path;
    libewf_handle_t *handle = nullptr;
    uint64_t size = 0;
    uint32_t bytesPerSector = 0;
    uint32_t checksumErrors = 0; // the library's count when last looked
    std::map<uint64_t, Fault> faults;
};

// What The Sleuth Kit holds: its image first, as it requires.
struct EwfImage {
    TSK_IMG_INFO info;
    EwfReader *reader;
};

// Adds the bytes of [start, end) that are no fault yet, joined to the
// faults beside them that have the same reason.
void AddFault(EwfReader *reader, uint64_t start, uint64_t end, const std::string &reason, bool named)
{
    auto same = [&](const Fault &fault) { return fault.reason == reason && fault.named == named; };
    for (end = std::min(end, reader->size); start < end;) {
        auto next = reader->faults.upper_bound(start);
        auto before = next == reader->faults.begin() ? reader->faults.end() : std::prev(next);
        if (before != reader->faults.end() && before->second.end > start) {
            start = before->second.end;
            continue;
        }
        uint64_t stop = next == reader->faults.end() ? end : std::min(end, next->first);
        if (before == reader->faults.end() || before->second.end != start || !same(before->second))
            before = reader->faults.emplace(start, Fault{stop, reason, named}).first;
        before->second.end = stop;
        if (next != reader->faults.end() && next->first == stop && same(next->second)) {
            before->second.end = next->second.end;
            reader->faults.erase(next);
        }
        start = stop;
    }
}

// The chunks the library found failing their checksum since it was last
// asked; it reads them as zeros.
void NoteChecksumErrors(EwfReader *reader)
{
    libewf_error_t *error = nullptr;
    uint32_t count = 0;
    if (libewf_handle_get_number_of_checksum_errors(reader->handle, &count, &error) != 1) {
        libewf_error_free(&error);
        return;
    }
    for (uint32_t i = reader->checksumErrors; i < count; i++) {
        uint64_t sector = 0, sectors = 0;
        if (libewf_handle_get_checksum_error(reader->handle, i, &sector, &sectors, &error) == 1)
            AddFault(reader, sector * reader->bytesPerSector, (sector + sectors) * reader->bytesPerSector,
                     "their EWF chunk fails its checksum", false);
        libewf_error_free(&error);
    }
    reader->checksumErrors = count;
}

ssize_t ReadEwf(TSK_IMG_INFO *image, TSK_OFF_T offset, char *into, size_t bytes)
{
    EwfReader *reader = reinterpret_cast<EwfImage *>(image)->reader;
    uint64_t start = static_cast<uint64_t>(offset);
    if (offset < 0 || start >= reader->size)
        return 0;
    uint64_t end = std::min<uint64_t>(start + bytes, reader->size);
    for (uint64_t at = start; at < end;) {
        auto next = reader->faults.upper_bound(at);
        if (next != reader->faults.begin() && std::prev(next)->second.end > at) {
            uint64_t stop = std::min(end, std::prev(next)->second.end);
            std::memset(into + (at - start), 0, stop - at);
            at = stop;
            continue;
        }
        uint64_t stop = next == reader->faults.end() ? end : std::min(end, next->first);
        libewf_error_t *error = nullptr;
        ssize_t got = libewf_handle_read_random(reader->handle, into + (at - start), stop - at,
                                                static_cast<off64_t>(at), &error);
        if (got <= 0) {
            AddFault(reader, at, stop, EwfError(&error), false);
            continue;
        }
        NoteChecksumErrors(reader);
        at += static_cast<uint64_t>(got);
    }
    return static_cast<ssize_t>(end - start);
}

void FreeReader(EwfReader *reader)
{
    libewf_error_t *error = nullptr;
    if (reader->handle) {
        libewf_handle_close(reader->handle, &error);
        libewf_error_free(&error);
        libewf_handle_free(&reader->handle, &error);
        libewf_error_free(&error);
    }
    delete reader;
}

void CloseEwf(TSK_IMG_INFO *image)
{
    EwfImage *opened = reinterpret_cast<EwfImage *>(image);
    FreeReader(opened->reader);
    delete opened;
}

void DescribeEwf(TSK_IMG_INFO *, FILE *) {}

// Opens the segments; without the damaged last one when the library
// rejects it (an empty segment makes it reject the whole image).
bool OpenSegments(EwfReader *reader, const Segments &segments, std::string *problem)
{
    libewf_error_t *error = nullptr;
    if (libewf_handle_initialize(&reader->handle, &error) != 1) {
        *problem = EwfError(&error);
        return false;
    }
    std::vector<std::string> names = segments.names;
    for (size_t tries = segments.whole || names.size() < 2 ? 1 : 2; tries--; names.pop_back()) {
        std::vector<char *> files;
        for (std::string &name : names)
            files.push_back(&name[0]);
        if (libewf_handle_open(reader->handle, files.data(), static_cast<int>(files.size()), LIBEWF_OPEN_READ,
                               &error) == 1)
            return true;
        *problem = EwfError(&error);
    }
    return false;
}

} // namespace

bool IsEwfImage(const std::string &path)
{
    std::ifstream first(path, std::ios::binary);
    char signature[kSignatureBytes] = {};
    return first.read(signature, sizeof signature) && !std::memcmp(signature, kSignature, kSignatureBytes);
}

TSK_IMG_INFO *OpenEwfImage(const std::string &path, std::vector<std::string> *problems)
{
    Segments segments = CheckSegments(path, problems);
    EwfReader *reader = new EwfReader;
    reader->path = path;
    std::string problem;
    libewf_error_t *error = nullptr;
    size64_t size = 0;
    uint32_t chunkBytes = 0;
    if (!OpenSegments(reader, segments, &problem)
        || libewf_handle_get_media_size(reader->handle, &size, &error) != 1
        || libewf_handle_get_chunk_size(reader->handle, &chunkBytes, &error) != 1
        || libewf_handle_get_bytes_per_sector(reader->handle, &reader->bytesPerSector, &error) != 1) {
        problems->push_back(path + ": cannot open the disk image: " + (problem.empty() ? EwfError(&error) : problem));
        FreeReader(reader);
        return nullptr;
    }
    reader->size = size;
    // The library reads the chunks past those the segments list as zeros,
    // and cannot read past a lost segment into the ones after it.
    if (!segments.whole && segments.chunks * chunkBytes < reader->size) {
        AddFault(reader, segments.chunks * chunkBytes, reader->size, "", true);
        problems->push_back(path + ": " + ByteRange(segments.chunks * chunkBytes, reader->size)
                            + " cannot be read: their EWF segments are damaged or missing; read as zeros");
    }
    EwfImage *image = new EwfImage{{}, reader};
    image->info.tag = TSK_IMG_INFO_TAG;
    if (!tsk_img_open_external(image, static_cast<TSK_OFF_T>(reader->size), reader->bytesPerSector, ReadEwf,
                               CloseEwf, DescribeEwf)) {
        problems->push_back(path + ": cannot open the disk image: " + (tsk_error_get() ? tsk_error_get() : "?"));
        tsk_error_reset();
        CloseEwf(&image->info);
        return nullptr;
    }
    return &image->info;
}

void NameEwfReadFaults(TSK_IMG_INFO *image, std::vector<std::string> *problems)
{
    const EwfReader *reader = reinterpret_cast<EwfImage *>(image)->reader;
    for (const auto &fault : reader->faults)
        if (!fault.second.named)
            problems->push_back(reader->path + ": " + ByteRange(fault.first, fault.second.end) + " cannot be read: "
                                + fault.second.reason + "; read as zeros");
}
