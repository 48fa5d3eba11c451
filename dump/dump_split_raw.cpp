#include "dump/dump_split_raw.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>

#include "dump/dump_input.h"

namespace {

// The part number that ends name: a run of digits ("disk.001") or of two
// or three small letters ("disk.aa", counted from aa as 0); no digits when
// it ends in neither.
struct PartNumber {
    uint64_t value = 0;
    size_t digits = 0;
    bool letters = false;
};

PartNumber NumberOf(const std::string &name)
{
    PartNumber number;
    size_t first = name.find_last_not_of("0123456789") + 1;
    number.letters = first == name.size();
    if (number.letters)
        first = name.find_last_not_of("abcdefghijklmnopqrstuvwxyz") + 1;
    number.digits = name.size() - first;
    // Longer runs are no part numbers the library counts.
    if (number.digits == 0 || number.digits > (number.letters ? 3 : 9) || (number.letters && number.digits < 2))
        return PartNumber();
    for (size_t i = first; i < name.size(); i++)
        number.value = number.value * (number.letters ? 26 : 10) + (name[i] - (number.letters ? 'a' : '0'));
    return number;
}

// The part numbers above last's among the files beside it whose names
// differ from last's only in a number of as many digits, in order.
std::vector<uint64_t> LaterPartsThere(const std::string &last, PartNumber number)
{
    size_t slash = last.rfind('/');
    std::string folder = slash == std::string::npos ? "." : last.substr(0, slash + 1);
    std::string stem = last.substr(slash == std::string::npos ? 0 : slash + 1);
    stem.resize(stem.size() - number.digits);
    std::vector<uint64_t> later;
    DIR *listing = opendir(folder.c_str());
    if (!listing)
        return later;
    while (const dirent *entry = readdir(listing)) {
        std::string name = entry->d_name;
        PartNumber other = NumberOf(name);
        if (other.digits == number.digits && other.letters == number.letters && !name.compare(0, stem.size(), stem)
            && name.size() == stem.size() + other.digits && other.value > number.value)
            later.push_back(other.value);
    }
    closedir(listing);
    std::sort(later.begin(), later.end());
    return later;
}

std::string WithNumber(const std::string &last, PartNumber number, uint64_t value)
{
    std::string digits(number.digits, number.letters ? 'a' : '0');
    for (size_t i = digits.size(); i-- > 0; value /= number.letters ? 26 : 10)
        digits[i] = static_cast<char>(digits[i] + value % (number.letters ? 26 : 10));
    return last.substr(0, last.size() - number.digits) + digits;
}

// Whether name is the first part of a split raw image ("disk.000",
// "disk.001", "disk.aa").
bool IsFirstPart(PartNumber number)
{
    return number.digits >= 2 && number.value <= 1 && !(number.letters && number.value);
}

} // namespace

bool CheckSplitRawPartTypes(const std::string &first, std::vector<std::string> *problems)
{
    PartNumber number = NumberOf(first);
    if (!IsFirstPart(number))
        return true;
    for (uint64_t value : LaterPartsThere(first, number)) {
        std::string part = WithNumber(first, number, value), reason;
        if (!CheckImageFileType(part, &reason)) {
            problems->push_back(part + ": " + reason + "; the split raw image " + first + " is not read");
            return false;
        }
    }
    return true;
}

void CheckSplitRawParts(const std::vector<std::string> &parts, std::vector<std::string> *problems)
{
    PartNumber first = NumberOf(parts.front());
    // A split image's first part is numbered 0 or 1 ("disk.000", "disk.001",
    // "disk.aa").
    if (parts.size() == 1 && !IsFirstPart(first))
        return;
    struct stat status;
    if (stat(parts.front().c_str(), &status) != 0) {
        problems->push_back(parts.front() + ": " + std::strerror(errno));
        return;
    }
    uint64_t partBytes = static_cast<uint64_t>(status.st_size);
    for (size_t i = 1; i + 1 < parts.size(); i++)
        if (stat(parts[i].c_str(), &status) == 0 && static_cast<uint64_t>(status.st_size) != partBytes)
            problems->push_back(parts[i] + ": part " + std::to_string(i + 1) + " of the split raw image is "
                                + std::to_string(status.st_size) + " bytes, not " + std::to_string(partBytes)
                                + " as the first part: every byte after it is read at a wrong offset");
    PartNumber last = NumberOf(parts.back());
    if (!last.digits)
        return;
    std::vector<uint64_t> later = LaterPartsThere(parts.back(), last);
    if (!later.empty())
        problems->push_back(WithNumber(parts.back(), last, last.value + 1) + ": missing: the split raw image is "
                            "read up to the part before it; " + WithNumber(parts.back(), last, later.front())
                            + " and the parts after it are not read");
}
