// Digests of the bytes gallimaw-dump read of an index file (--hash),
// made by nettle.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct nettle_hash;

// The digests of one file, fed its bytes in file order.
struct FileDigests {
    std::vector<const nettle_hash *> hashes;
    std::vector<std::vector<uint8_t>> contexts; // each hash's state
    uint64_t bytes = 0;                         // fed so far
    std::vector<std::string> hex;               // once finished: each digest in lowercase hex
};

// The hashes a comma-separated list names (md5, sha1, sha256 in any letter
// case), in its order; false for an empty list or another name.
bool ParseHashNames(const std::string &list, std::vector<const nettle_hash *> *hashes);

void StartFileDigests(const std::vector<const nettle_hash *> &hashes, FileDigests *digests);
void AddToFileDigests(FileDigests *digests, const uint8_t *bytes, size_t size);
void FinishFileDigests(FileDigests *digests);

// "N bytes read, md5 HEX, sha256 HEX" for finished digests.
std::string DigestReport(const FileDigests &digests);
