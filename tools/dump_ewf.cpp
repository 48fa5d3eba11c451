#include "tools/dump_ewf.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fstream>

namespace {

// An EWF segment file: a 13-byte header (signature, segment number) and a
// chain of sections, each starting with a 76-byte descriptor: its type,
// the file offset of the next section and its own size. The chain of a
// segment ends in a section that names itself as the next: "next" when
// another segment follows, "done" in the last one.
const char kSignature[] = "EVF\x09\x0D\x0A\xFF";
constexpr size_t kSignatureBytes = 8;
constexpr uint64_t kHeaderBytes = 13;
constexpr uint64_t kSegmentNumberOffset = 9;
constexpr uint64_t kDescriptorBytes = 76;
constexpr size_t kTypeBytes = 16;
constexpr uint64_t kNextOffset = 16;
constexpr uint64_t kSizeOffset = 24;

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

// Follows the sections of one segment; the type of its last section, or
// "" with the problem said.
std::string LastSection(const std::string &segment, uint16_t number, std::string *problem)
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

} // namespace

bool IsEwfImage(const std::string &path)
{
    std::ifstream first(path, std::ios::binary);
    char signature[kSignatureBytes] = {};
    return first.read(signature, sizeof signature) && !std::memcmp(signature, kSignature, kSignatureBytes);
}

void CheckEwfSegments(const std::string &path, std::vector<std::string> *problems)
{
    std::string last, type;
    for (int number = 1; Exists(SegmentName(path, number)); number++) {
        std::string problem;
        last = SegmentName(path, number);
        type = LastSection(last, static_cast<uint16_t>(number), &problem);
        if (type.empty()) {
            problems->push_back(problem);
            return;
        }
        if (type == "done")
            return;
    }
    problems->push_back(last + ": the EWF segment after it is missing");
}
