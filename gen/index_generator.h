// Builds plausible Internet Explorer index.dat images (formats 5.2 and 4.7)
// for tests, benchmarks and the emulated device.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "format/index_format.h"
#include "format/index_kinds.h"

namespace gallimaw_gen {

struct UrlRecord {
    std::string url;
    std::string fileName;  // empty: file name offset 0
    std::string headers;   // empty: header offset 0
    uint8_t directory = 0;
    uint64_t modified = 0; // FILETIME
    uint64_t accessed = 0; // FILETIME
    // FILETIMEs; written as FAT date-times (to the even second) where the
    // layout stores them so.
    uint64_t expires = 0;
    uint64_t lastChecked = 0;
    uint32_t hits = 1;
    uint32_t blocks = 0;   // at least as many as the texts need
};

enum class PieceType { Url, Leak, Redirect, Hash, Junk };

struct Piece {
    PieceType type = PieceType::Url;
    UrlRecord record;    // Url and Leak; Redirect uses record.url
    uint32_t blocks = 0; // Hash
    std::string bytes;   // Junk: written as they are, so later records may start at any offset
    // A URL, LEAK or REDR record left behind in free blocks: no hash table
    // entry or leak list link reaches it and the bitmap marks its blocks free.
    bool deleted = false;
};

struct IndexLayout {
    int version = 5; // 5: "Ver 5.2", 4: "Ver 4.7"
    std::vector<std::string> directories;
    // Lead with HASH tables whose entries point at the URL and REDR records,
    // as Internet Explorer writes them; otherwise the header's hash table
    // offset points at the first piece. LEAK records are linked in the
    // leak list either way.
    bool hashTables = true;
    std::vector<Piece> pieces;
};

struct GeneratedIndex {
    std::vector<uint8_t> bytes;
    std::vector<uint64_t> offsets; // first byte of each piece
    uint64_t firstHashTable = 0;
};

constexpr uint32_t kDataAreaOffset = INDEX_DATA_AREA_OFFSET;
constexpr uint32_t kBlockBytes = INDEX_BLOCK_BYTES;

Piece UrlPiece(UrlRecord record);
Piece LeakPiece(UrlRecord record);
Piece RedirectPiece(std::string url);
Piece HashPiece(uint32_t blocks);
Piece JunkPiece(std::string bytes);

// FILETIME of a UTC calendar time.
uint64_t FileTimeOf(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);

GeneratedIndex BuildIndex(const IndexLayout &layout);

// A file of the given kind with `records` URL records, with LEAK and REDR
// records among them and some of each deleted; junk puts unrecognised
// bytes between records.
IndexLayout SampleLayout(IndexFileKind kind, uint32_t records, uint64_t seed, int version, bool junk);

// Writes the image; false with errno-style reason in `error` on failure.
bool WriteIndexFile(const std::string &path, const GeneratedIndex &index, std::string *error);

} // namespace gallimaw_gen
