#include "gen/index_generator.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <random>

#include "format/filetime.h"

namespace gallimaw_gen {
namespace {

constexpr uint32_t kHashTableBlocks = 0x20;
constexpr uint32_t kHashEntriesPerTable = (kHashTableBlocks * kBlockBytes - HASH_ENTRIES_OFFSET) / HASH_ENTRY_BYTES;
constexpr uint32_t kUnusedHashEntry = 3;
// The low bits of a used hash entry: 0 for a URL record, 5 for a REDR one.
constexpr uint32_t kRedirectHashFlags = 5;
constexpr uint32_t kUrlFixedBytes = 0x68;
constexpr uint32_t kTextAlignment = 8;
constexpr uint32_t kFillWord = 0xDEADBEEF;
constexpr uint32_t kCacheEntryFlags = 0x00101000;

uint32_t BlocksFor(uint64_t bytes)
{
    return static_cast<uint32_t>((bytes + kBlockBytes - 1) / kBlockBytes);
}

uint32_t Align(uint32_t value)
{
    return (value + kTextAlignment - 1) / kTextAlignment * kTextAlignment;
}

void Put32(std::vector<uint8_t> &out, uint64_t at, uint32_t value)
{
    for (int i = 0; i < 4; i++)
        out[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

void Put64(std::vector<uint8_t> &out, uint64_t at, uint64_t value)
{
    Put32(out, at, static_cast<uint32_t>(value));
    Put32(out, at + 4, static_cast<uint32_t>(value >> 32));
}

void PutText(std::vector<uint8_t> &out, uint64_t at, const std::string &text)
{
    std::memcpy(out.data() + at, text.data(), text.size());
    out[at + text.size()] = 0;
}

void PutSignature(std::vector<uint8_t> &out, uint64_t at, const char *signature)
{
    std::memcpy(out.data() + at, signature, 4);
}

// Where each text of a URL record goes, relative to the record.
struct UrlPlan {
    uint32_t url = 0, fileName = 0, headers = 0, end = 0;
};

UrlPlan PlanUrl(int version, const UrlRecord &record)
{
    UrlPlan plan;
    uint32_t at = kUrlFixedBytes + (version == 4 ? 4 : 0);
    plan.url = at;
    at = Align(at + static_cast<uint32_t>(record.url.size()) + 1);
    if (!record.fileName.empty()) {
        plan.fileName = at;
        at = Align(at + static_cast<uint32_t>(record.fileName.size()) + 1);
    }
    if (!record.headers.empty()) {
        plan.headers = at;
        at = Align(at + static_cast<uint32_t>(record.headers.size()) + 1);
    }
    plan.end = at;
    return plan;
}

uint64_t PieceBytes(int version, const Piece &piece)
{
    switch (piece.type) {
    case PieceType::Url:
    case PieceType::Leak:
        return uint64_t{std::max(piece.record.blocks, BlocksFor(PlanUrl(version, piece.record).end))} * kBlockBytes;
    case PieceType::Redirect:
        return uint64_t{BlocksFor(REDR_FIELD_LOCATION + piece.record.url.size() + 1)} * kBlockBytes;
    case PieceType::Hash:
        return uint64_t{piece.blocks} * kBlockBytes;
    case PieceType::Junk:
        return piece.bytes.size();
    }
    return 0;
}

void FillUnused(std::vector<uint8_t> &out, uint64_t from, uint64_t to)
{
    for (uint64_t at = from; at < to; at++)
        out[at] = static_cast<uint8_t>(kFillWord >> (8 * (at % 4)));
}

// FAT date-time of a FILETIME from 1980 to 2107, to the even second below.
uint32_t FatDateTimeOf(uint64_t fileTime)
{
    CalendarTime time;
    if (!fileTime || !FileTimeToCalendar(fileTime, &time) || time.year < 1980 || time.year > 2107)
        return 0;
    uint32_t date = static_cast<uint32_t>((time.year - 1980) << 9 | time.month << 5 | time.day);
    uint32_t clock = static_cast<uint32_t>(time.hour << 11 | time.minute << 5 | time.second / 2);
    return date | clock << 16;
}

// Offset of a "URL " record field (version 5 numbering) in the given layout.
uint32_t UrlFieldOffset(int version, uint32_t version5Offset)
{
    return version5Offset + (version == 4 && version5Offset >= 52 ? 4 : 0);
}

void WriteUrl(std::vector<uint8_t> &out, uint64_t at, uint64_t bytes, int version, const Piece &piece)
{
    const UrlRecord &record = piece.record;
    UrlPlan plan = PlanUrl(version, record);
    PutSignature(out, at, piece.type == PieceType::Leak ? "LEAK" : "URL ");
    Put32(out, at + 4, static_cast<uint32_t>(bytes / kBlockBytes));
    Put64(out, at + URL_FIELD_MODIFIED, record.modified);
    Put64(out, at + URL_FIELD_ACCESSED, record.accessed);
    if (version == 4)
        Put64(out, at + URL_FIELD_EXPIRES, record.expires);
    else
        Put32(out, at + URL_FIELD_EXPIRES, FatDateTimeOf(record.expires));
    Put32(out, at + URL_FIELD_CACHED_SIZE, static_cast<uint32_t>(record.headers.size() * 3 + 512));
    Put32(out, at + UrlFieldOffset(version, URL_FIELD_LOCATION), plan.url);
    out[at + UrlFieldOffset(version, URL_FIELD_DIRECTORY)] = record.directory;
    Put32(out, at + UrlFieldOffset(version, URL_FIELD_FILE_NAME), plan.fileName);
    Put32(out, at + UrlFieldOffset(version, URL_FIELD_FLAGS), kCacheEntryFlags);
    Put32(out, at + UrlFieldOffset(version, URL_FIELD_HEADERS), plan.headers);
    Put32(out, at + UrlFieldOffset(version, URL_FIELD_HEADERS + 4), static_cast<uint32_t>(record.headers.size()));
    Put32(out, at + UrlFieldOffset(version, URL_FIELD_LAST_CHECKED), FatDateTimeOf(record.lastChecked));
    Put32(out, at + UrlFieldOffset(version, URL_FIELD_HITS), record.hits);
    PutText(out, at + plan.url, record.url);
    if (plan.fileName)
        PutText(out, at + plan.fileName, record.fileName);
    if (plan.headers)
        PutText(out, at + plan.headers, record.headers);
    FillUnused(out, at + plan.end, at + bytes);
}

void WriteRedirect(std::vector<uint8_t> &out, uint64_t at, uint64_t bytes, const Piece &piece)
{
    PutSignature(out, at, "REDR");
    Put32(out, at + 4, static_cast<uint32_t>(bytes / kBlockBytes));
    PutText(out, at + REDR_FIELD_LOCATION, piece.record.url);
}

// A record a hash table entry points at.
struct HashTarget {
    uint64_t offset;
    bool redirect;
};

void WriteHashTable(std::vector<uint8_t> &out, uint64_t at, uint32_t blocks, uint64_t next, uint32_t sequence,
                    const std::vector<HashTarget> &targets)
{
    PutSignature(out, at, "HASH");
    Put32(out, at + 4, blocks);
    Put32(out, at + HASH_FIELD_NEXT, static_cast<uint32_t>(next));
    Put32(out, at + 12, sequence);
    uint64_t entries = (uint64_t{blocks} * kBlockBytes - HASH_ENTRIES_OFFSET) / HASH_ENTRY_BYTES;
    for (uint64_t i = 0; i < entries; i++) {
        uint64_t entry = at + HASH_ENTRIES_OFFSET + i * HASH_ENTRY_BYTES;
        bool used = i < targets.size();
        uint32_t target = used ? static_cast<uint32_t>(targets[i].offset) : kUnusedHashEntry;
        uint32_t hash = ((target * 2654435761u) & ~0x3Fu) | 0x40 | (used && targets[i].redirect ? kRedirectHashFlags : 0);
        Put32(out, entry, used ? hash : kUnusedHashEntry);
        Put32(out, entry + 4, target);
    }
}

// Marks the blocks from `at` for `bytes` in use in the allocation bitmap;
// returns how many it newly marked.
uint32_t MarkInUse(std::vector<uint8_t> &out, uint64_t at, uint64_t bytes)
{
    uint32_t marked = 0;
    uint64_t last = (at + bytes - 1 - kDataAreaOffset) / kBlockBytes;
    for (uint64_t block = (at - kDataAreaOffset) / kBlockBytes; block <= last && block < INDEX_BITMAP_BLOCKS; block++) {
        uint8_t &bits = out[INDEX_ALLOCATION_BITMAP_OFFSET + block / 8];
        uint8_t bit = static_cast<uint8_t>(1u << (block % 8));
        marked += !(bits & bit);
        bits |= bit;
    }
    return marked;
}

void WriteHeader(std::vector<uint8_t> &out, const IndexLayout &layout, uint64_t firstHashTable, uint32_t blocksInUse)
{
    std::string signature = INDEX_SIGNATURE + std::string(layout.version == 4 ? "4.7" : "5.2");
    std::memcpy(out.data(), signature.c_str(), signature.size() + 1);
    uint64_t blocks = (out.size() - kDataAreaOffset) / kBlockBytes;
    Put32(out, 28, static_cast<uint32_t>(out.size()));
    Put32(out, INDEX_HASH_TABLE_OFFSET, static_cast<uint32_t>(firstHashTable));
    Put32(out, INDEX_BLOCK_COUNT_OFFSET, static_cast<uint32_t>(blocks));
    Put32(out, 40, blocksInUse);
    Put64(out, 48, uint64_t{8} << 20);
    Put32(out, INDEX_DIRECTORY_COUNT_OFFSET, static_cast<uint32_t>(layout.directories.size()));
    for (size_t i = 0; i < layout.directories.size(); i++) {
        uint64_t entry = INDEX_DIRECTORY_ENTRIES_OFFSET + i * INDEX_DIRECTORY_ENTRY_BYTES;
        if (entry + INDEX_DIRECTORY_ENTRY_BYTES > INDEX_LEAK_LIST_OFFSET)
            break;
        Put32(out, entry, static_cast<uint32_t>(i + 1));
        std::memcpy(out.data() + entry + INDEX_DIRECTORY_NAME_SKIP, layout.directories[i].data(),
                    std::min<size_t>(INDEX_DIRECTORY_NAME_BYTES, layout.directories[i].size()));
    }
}

} // namespace

Piece UrlPiece(UrlRecord record)
{
    Piece piece;
    piece.record = std::move(record);
    return piece;
}

Piece LeakPiece(UrlRecord record)
{
    Piece piece = UrlPiece(std::move(record));
    piece.type = PieceType::Leak;
    return piece;
}

Piece RedirectPiece(std::string url)
{
    Piece piece;
    piece.type = PieceType::Redirect;
    piece.record.url = std::move(url);
    return piece;
}

Piece HashPiece(uint32_t blocks)
{
    Piece piece;
    piece.type = PieceType::Hash;
    piece.blocks = blocks;
    return piece;
}

Piece JunkPiece(std::string bytes)
{
    Piece piece;
    piece.type = PieceType::Junk;
    piece.bytes = std::move(bytes);
    return piece;
}

uint64_t FileTimeOf(int year, int month, int day, int hour, int minute, int second)
{
    return CalendarToFileTime(year, month, day, hour, minute, second);
}

GeneratedIndex BuildIndex(const IndexLayout &layout)
{
    // First pass: place every piece, with a HASH table ahead of each run of
    // URL and REDR records that one table can point at.
    struct Placed {
        uint64_t at;
        uint64_t bytes;
    };
    std::vector<Placed> placed;
    std::vector<uint64_t> tables;
    std::vector<std::vector<HashTarget>> tableTargets;
    uint64_t at = kDataAreaOffset;
    auto placeTable = [&] {
        tables.push_back(at);
        tableTargets.emplace_back();
        at += uint64_t{kHashTableBlocks} * kBlockBytes;
    };
    if (layout.hashTables)
        placeTable();
    for (const Piece &piece : layout.pieces) {
        bool hashed = layout.hashTables && !piece.deleted
                      && (piece.type == PieceType::Url || piece.type == PieceType::Redirect);
        if (hashed && tableTargets.back().size() == kHashEntriesPerTable)
            placeTable();
        uint64_t bytes = PieceBytes(layout.version, piece);
        placed.push_back({at, bytes});
        if (hashed)
            tableTargets.back().push_back({at, piece.type == PieceType::Redirect});
        at += bytes;
    }

    // The file ends on a whole block, as the allocation bitmap counts them.
    GeneratedIndex index;
    index.bytes.assign(uint64_t{BlocksFor(at)} * kBlockBytes, 0);
    index.firstHashTable = tables.empty() ? kDataAreaOffset : tables.front();
    uint32_t blocksInUse = 0;
    for (size_t i = 0; i < tables.size(); i++) {
        WriteHashTable(index.bytes, tables[i], kHashTableBlocks, i + 1 < tables.size() ? tables[i + 1] : 0,
                       static_cast<uint32_t>(i), tableTargets[i]);
        blocksInUse += MarkInUse(index.bytes, tables[i], uint64_t{kHashTableBlocks} * kBlockBytes);
    }
    uint64_t leakLink = INDEX_LEAK_LIST_OFFSET;
    for (size_t i = 0; i < layout.pieces.size(); i++) {
        const Piece &piece = layout.pieces[i];
        index.offsets.push_back(placed[i].at);
        switch (piece.type) {
        case PieceType::Url:
        case PieceType::Leak:
            WriteUrl(index.bytes, placed[i].at, placed[i].bytes, layout.version, piece);
            break;
        case PieceType::Redirect:
            WriteRedirect(index.bytes, placed[i].at, placed[i].bytes, piece);
            break;
        case PieceType::Hash:
            WriteHashTable(index.bytes, placed[i].at, piece.blocks, 0, 0, {});
            break;
        case PieceType::Junk:
            std::memcpy(index.bytes.data() + placed[i].at, piece.bytes.data(), piece.bytes.size());
            continue;
        }
        if (piece.deleted || !placed[i].bytes)
            continue;
        blocksInUse += MarkInUse(index.bytes, placed[i].at, placed[i].bytes);
        // Each LEAK record links the next; the header holds the first.
        if (piece.type == PieceType::Leak) {
            Put32(index.bytes, leakLink, static_cast<uint32_t>(placed[i].at));
            leakLink = placed[i].at + LEAK_FIELD_NEXT;
        }
    }
    WriteHeader(index.bytes, layout, index.firstHashTable, blocksInUse);
    return index;
}

namespace {

const char *const kHosts[] = {"www.example.com", "news.example.org", "mail.example.net", "shop.example.com",
                              "www.pocketpc.example", "weather.example.org", "maps.example.net"};
const char *const kPages[] = {"index", "default", "news", "article", "search", "logo", "style", "menu"};
const char *const kTypes[][2] = {{"htm", "text/html"}, {"gif", "image/gif"}, {"jpg", "image/jpeg"},
                                 {"css", "text/css"}, {"js", "application/x-javascript"}};
constexpr const char *kUser = "pocketpc";
constexpr uint64_t kTicksPerDay = 864000000000ull;

template <size_t N> const char *Pick(std::mt19937_64 &random, const char *const (&items)[N])
{
    return items[random() % N];
}

std::string DirectoryName(std::mt19937_64 &random)
{
    static const char kChars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::string name;
    for (int i = 0; i < 8; i++)
        name += kChars[random() % (sizeof kChars - 1)];
    return name;
}

// Mostly from firstYear to lastYear; one in ten in the year before (2000
// for the samples), which the list shows as "Unknown" and, with a two-digit
// year of 00, sorts last in the Mixed view.
uint64_t SampleTime(std::mt19937_64 &random, int firstYear, int lastYear)
{
    int year = random() % 10 == 0 ? firstYear - 1
                                   : firstYear + static_cast<int>(random() % (lastYear - firstYear + 1));
    return FileTimeOf(year, 1 + random() % 12, 1 + random() % 28, random() % 24, random() % 60, random() % 60)
           + random() % 10000000;
}

UrlRecord SampleRecord(IndexFileKind kind, std::mt19937_64 &random, uint32_t number, size_t directories)
{
    UrlRecord record;
    std::string host = Pick(random, kHosts);
    std::string page = std::string(Pick(random, kPages)) + std::to_string(number);
    // Years after 2009 as well, as a device still in use then holds them.
    record.modified = SampleTime(random, 2001, 2016);
    record.accessed = SampleTime(random, 2001, 2016);
    switch (kind) {
    case KindCache: {
        const char *const *type = kTypes[random() % (sizeof kTypes / sizeof kTypes[0])];
        record.url = "http://" + host + "/" + page + "." + type[0];
        record.fileName = page + "[1]." + type[0];
        record.directory = static_cast<uint8_t>(directories ? random() % directories : 0);
        record.headers = "HTTP/1.1 200 OK\r\nContent-Type: " + std::string(type[1]) + "\r\nContent-Length: "
                         + std::to_string(200 + random() % 50000) + "\r\n\r\n~U:" + kUser + "\r\n";
        break;
    }
    case KindCookies: {
        std::string domain = host.substr(host.find('.') + 1);
        record.url = "Cookie:" + std::string(kUser) + "@" + domain + "/";
        record.fileName = std::string(kUser) + "@" + domain.substr(0, domain.find('.')) + "[1].txt";
        record.directory = 0xFF;
        break;
    }
    case KindHistory:
        record.url = "Visited: " + std::string(kUser) + "@http://" + host + "/" + page + ".htm";
        record.directory = 0xFF;
        break;
    }
    // Checked when last accessed, kept for up to a month, used now and then.
    record.lastChecked = record.accessed;
    record.expires = record.accessed + number % 31 * kTicksPerDay;
    record.hits = 1 + number % 20;
    return record;
}

// Lowercase letters, digits and zero bytes never spell a record signature.
std::string SampleJunk(std::mt19937_64 &random)
{
    static const char kChars[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::string junk(1 + random() % 61, '\0');
    for (char &c : junk)
        c = random() % 4 ? kChars[random() % (sizeof kChars - 1)] : '\0';
    return junk;
}

} // namespace

IndexLayout SampleLayout(IndexFileKind kind, uint32_t records, uint64_t seed, int version, bool junk)
{
    std::mt19937_64 random(seed);
    IndexLayout layout;
    layout.version = version;
    if (kind == KindCache)
        for (int i = 0; i < 4; i++)
            layout.directories.push_back(DirectoryName(random));
    layout.pieces.reserve(records + records / 8);
    for (uint32_t number = 0; number < records; number++) {
        if (junk && random() % 3 == 0)
            layout.pieces.push_back(JunkPiece(SampleJunk(random)));
        // LEAK records are cache files left behind, as Internet Explorer 5
        // and later mark them.
        if (kind == KindCache && version == 5 && random() % 16 == 0)
            layout.pieces.push_back(LeakPiece(SampleRecord(kind, random, number, layout.directories.size())));
        if (kind == KindCache && random() % 24 == 0)
            layout.pieces.push_back(RedirectPiece("http://" + std::string(Pick(random, kHosts)) + "/moved"));
        layout.pieces.push_back(UrlPiece(SampleRecord(kind, random, number, layout.directories.size())));
    }
    // Records deleted since they were written, left in free blocks.
    for (Piece &piece : layout.pieces)
        piece.deleted = piece.type != PieceType::Junk && random() % 16 == 0;
    return layout;
}

bool WriteIndexFile(const std::string &path, const GeneratedIndex &index, std::string *error)
{
    FILE *file = std::fopen(path.c_str(), "wb");
    if (!file) {
        *error = std::strerror(errno);
        return false;
    }
    bool written = std::fwrite(index.bytes.data(), 1, index.bytes.size(), file) == index.bytes.size();
    if (std::fclose(file) != 0 || !written) {
        *error = std::strerror(errno);
        return false;
    }
    return true;
}

} // namespace gallimaw_gen
