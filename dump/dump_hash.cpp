#include "dump/dump_hash.h"

#include <nettle/base16.h>
#include <nettle/nettle-meta.h>
#include <strings.h>

#include <sstream>

namespace {

// The hashes --hash offers, named as nettle names them.
const nettle_hash *const kHashes[] = {&nettle_md5, &nettle_sha1, &nettle_sha256};

const nettle_hash *HashNamed(const std::string &name)
{
    for (const nettle_hash *hash : kHashes)
        if (!strcasecmp(name.c_str(), hash->name))
            return hash;
    return nullptr;
}

} // namespace

bool ParseHashNames(const std::string &list, std::vector<const nettle_hash *> *hashes)
{
    std::istringstream in(list);
    hashes->clear();
    for (std::string name; std::getline(in, name, ',');) {
        const nettle_hash *hash = HashNamed(name);
        if (!hash)
            return false;
        hashes->push_back(hash);
    }
    return !hashes->empty();
}

void StartFileDigests(const std::vector<const nettle_hash *> &hashes, FileDigests *digests)
{
    digests->hashes = hashes;
    digests->contexts.resize(hashes.size());
    for (size_t i = 0; i < hashes.size(); i++) {
        digests->contexts[i].resize(hashes[i]->context_size);
        hashes[i]->init(digests->contexts[i].data());
    }
    digests->bytes = 0;
    digests->hex.clear();
}

void AddToFileDigests(FileDigests *digests, const uint8_t *bytes, size_t size)
{
    for (size_t i = 0; i < digests->hashes.size(); i++)
        digests->hashes[i]->update(digests->contexts[i].data(), size, bytes);
    digests->bytes += size;
}

void FinishFileDigests(FileDigests *digests)
{
    digests->hex.clear();
    for (size_t i = 0; i < digests->hashes.size(); i++) {
        std::vector<uint8_t> digest(digests->hashes[i]->digest_size);
        digests->hashes[i]->digest(digests->contexts[i].data(), digest.size(), digest.data());
        std::string hex(BASE16_ENCODE_LENGTH(digest.size()), '\0');
        base16_encode_update(&hex[0], digest.size(), digest.data());
        digests->hex.push_back(hex);
    }
}

std::string DigestReport(const FileDigests &digests)
{
    std::string report = std::to_string(digests.bytes) + " bytes read";
    for (size_t i = 0; i < digests.hex.size(); i++)
        report += std::string(", ") + digests.hashes[i]->name + " " + digests.hex[i];
    return report;
}
