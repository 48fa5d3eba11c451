#include "tools/index_generator.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <random>

namespace gallimaw_gen {
namespace {

constexpr uint32_t kHashTableBlocks = 0x20;
constexpr uint32_t kHashHeaderBytes = 16;
constexpr uint32_t kHashEntryBytes = 8;
constexpr uint32_t kHashEntriesPerTable = (kHashTableBlocks * kBlockBytes - kHashHeaderBytes) / kHashEntryBytes;
constexpr uint32_t kUnusedHashEntry = 3;
constexpr uint32_t kAllocationBitmapOffset = 0x250;
constexpr uint32_t kUrlFixedBytes = 0x68;
constexpr uint32_t kRedirectUrlOffset = 16;
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
        return uint64_t{BlocksFor(kRedirectUrlOffset + piece.record.url.size() + 1)} * kBlockBytes;
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

void WriteUrl(std::vector<uint8_t> &out, uint64_t at, uint64_t bytes, int version, const Piece &piece)
{
    const UrlRecord &record = piece.record;
    UrlPlan plan = PlanUrl(version, record);
    PutSignature(out, at, piece.type == PieceType::Leak ? "LEAK" : "URL ");
    Put32(out, at + 4, static_cast<uint32_t>(bytes / kBlockBytes));
    Put64(out, at + 8, record.modified);
    Put64(out, at + 16, record.accessed);
    Put32(out, at + 32, static_cast<uint32_t>(record.headers.size() * 3 + 512));
    Put32(out, at + UrlFieldOffset(version, 52), plan.url);
    out[at + UrlFieldOffset(version, 56)] = record.directory;
    Put32(out, at + UrlFieldOffset(version, 60), plan.fileName);
    Put32(out, at + UrlFieldOffset(version, 64), kCacheEntryFlags);
    Put32(out, at + UrlFieldOffset(version, 68), plan.headers);
    Put32(out, at + UrlFieldOffset(version, 72), static_cast<uint32_t>(record.headers.size()));
    Put32(out, at + UrlFieldOffset(version, 84), 1);
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
    PutText(out, at + kRedirectUrlOffset, piece.record.url);
}

void WriteHashTable(std::vector<uint8_t> &out, uint64_t at, uint32_t blocks, uint64_t next, uint32_t sequence,
                    const std::vector<uint64_t> &targets)
{
    PutSignature(out, at, "HASH");
    Put32(out, at + 4, blocks);
    Put32(out, at + 8, static_cast<uint32_t>(next));
    Put32(out, at + 12, sequence);
    uint64_t entries = (uint64_t{blocks} * kBlockBytes - kHashHeaderBytes) / kHashEntryBytes;
    for (uint64_t i = 0; i < entries; i++) {
        uint64_t entry = at + kHashHeaderBytes + i * kHashEntryBytes;
        bool used = i < targets.size();
        // Any value with the low bits clear marks a used entry.
        Put32(out, entry, used ? static_cast<uint32_t>((targets[i] * 2654435761u) & ~0x3Fu) | 0x40 : kUnusedHashEntry);
        Put32(out, entry + 4, used ? static_cast<uint32_t>(targets[i]) : kUnusedHashEntry);
    }
}

void WriteHeader(std::vector<uint8_t> &out, const IndexLayout &layout, uint64_t firstHashTable)
{
    const char *signature = layout.version == 4 ? "Client UrlCache MMF Ver 4.7" : "Client UrlCache MMF Ver 5.2";
    std::memcpy(out.data(), signature, std::strlen(signature) + 1);
    uint64_t blocks = (out.size() - kDataAreaOffset) / kBlockBytes;
    Put32(out, 28, static_cast<uint32_t>(out.size()));
    Put32(out, 32, static_cast<uint32_t>(firstHashTable));
    Put32(out, 36, static_cast<uint32_t>(blocks));
    Put32(out, 40, static_cast<uint32_t>(blocks));
    Put64(out, 48, uint64_t{8} << 20);
    Put32(out, 72, static_cast<uint32_t>(layout.directories.size()));
    for (size_t i = 0; i < layout.directories.size(); i++) {
        uint64_t entry = 76 + i * 12;
        if (entry + 12 > kAllocationBitmapOffset)
            break;
        Put32(out, entry, static_cast<uint32_t>(i + 1));
        std::memcpy(out.data() + entry + 4, layout.directories[i].data(), std::min<size_t>(8, layout.directories[i].size()));
    }
    uint64_t bitmapBits = uint64_t{kDataAreaOffset - kAllocationBitmapOffset} * 8;
    for (uint64_t block = 0; block < std::min(blocks, bitmapBits); block++)
        out[kAllocationBitmapOffset + block / 8] |= static_cast<uint8_t>(1u << (block % 8));
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
    // Days from 1601-01-01, counting years from March so leap days come last.
    int64_t y = year - (month <= 2);
    int64_t era = y / 400;
    int64_t yearOfEra = y - era * 400;
    int64_t dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    int64_t days = era * 146097 + dayOfEra - 584694;
    int64_t seconds = days * 86400 + hour * 3600 + minute * 60 + second;
    return static_cast<uint64_t>(seconds) * 10000000u;
}

uint32_t UrlFieldOffset(int version, uint32_t version5Offset)
{
    return version5Offset + (version == 4 && version5Offset >= 52 ? 4 : 0);
}

GeneratedIndex BuildIndex(const IndexLayout &layout)
{
    // First pass: place every piece, with a HASH table ahead of each run of
    // URL records that one table can point at.
    struct Placed {
        uint64_t at;
        uint64_t bytes;
    };
    std::vector<Placed> placed;
    std::vector<uint64_t> tables;
    std::vector<std::vector<uint64_t>> tableTargets;
    uint64_t at = kDataAreaOffset;
    auto placeTable = [&] {
        tables.push_back(at);
        tableTargets.emplace_back();
        at += uint64_t{kHashTableBlocks} * kBlockBytes;
    };
    if (layout.hashTables)
        placeTable();
    for (const Piece &piece : layout.pieces) {
        bool isUrl = piece.type == PieceType::Url;
        if (layout.hashTables && isUrl && tableTargets.back().size() == kHashEntriesPerTable)
            placeTable();
        uint64_t bytes = PieceBytes(layout.version, piece);
        placed.push_back({at, bytes});
        if (layout.hashTables && isUrl)
            tableTargets.back().push_back(at);
        at += bytes;
    }

    GeneratedIndex index;
    index.bytes.assign(at, 0);
    index.firstHashTable = tables.empty() ? kDataAreaOffset : tables.front();
    for (size_t i = 0; i < tables.size(); i++)
        WriteHashTable(index.bytes, tables[i], kHashTableBlocks, i + 1 < tables.size() ? tables[i + 1] : 0,
                       static_cast<uint32_t>(i), tableTargets[i]);
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
            break;
        }
    }
    WriteHeader(index.bytes, layout, index.firstHashTable);
    return index;
}

namespace {

const char *const kHosts[] = {"www.example.com", "news.example.org", "mail.example.net", "shop.example.com",
                              "www.pocketpc.example", "weather.example.org", "maps.example.net"};
const char *const kPages[] = {"index", "default", "news", "article", "search", "logo", "style", "menu"};
const char *const kTypes[][2] = {{"htm", "text/html"}, {"gif", "image/gif"}, {"jpg", "image/jpeg"},
                                 {"css", "text/css"}, {"js", "application/x-javascript"}};
constexpr const char *kUser = "pocketpc";

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

// Mostly within the years the list shows; one in ten in the year before
// them, shown "Unknown" and, with a two-digit year of 00, sorted last in
// the Mixed view, so that its first rows show their times.
uint64_t SampleTime(std::mt19937_64 &random, int firstYear, int lastYear)
{
    int year = random() % 10 == 0 ? firstYear - 1
                                   : firstYear + static_cast<int>(random() % (lastYear - firstYear + 1));
    return FileTimeOf(year, 1 + random() % 12, 1 + random() % 28, random() % 24, random() % 60, random() % 60)
           + random() % 10000000;
}

UrlRecord SampleRecord(IndexKind kind, std::mt19937_64 &random, uint32_t number, size_t directories)
{
    UrlRecord record;
    std::string host = Pick(random, kHosts);
    std::string page = std::string(Pick(random, kPages)) + std::to_string(number);
    record.modified = SampleTime(random, 2001, 2014);
    record.accessed = SampleTime(random, 2001, 2009);
    switch (kind) {
    case IndexKind::Cache: {
        const char *const *type = kTypes[random() % (sizeof kTypes / sizeof kTypes[0])];
        record.url = "http://" + host + "/" + page + "." + type[0];
        record.fileName = page + "[1]." + type[0];
        record.directory = static_cast<uint8_t>(directories ? random() % directories : 0);
        record.headers = "HTTP/1.1 200 OK\r\nContent-Type: " + std::string(type[1]) + "\r\nContent-Length: "
                         + std::to_string(200 + random() % 50000) + "\r\n\r\n~U:" + kUser + "\r\n";
        break;
    }
    case IndexKind::Cookies: {
        std::string domain = host.substr(host.find('.') + 1);
        record.url = "Cookie:" + std::string(kUser) + "@" + domain + "/";
        record.fileName = std::string(kUser) + "@" + domain.substr(0, domain.find('.')) + "[1].txt";
        record.directory = 0xFF;
        break;
    }
    case IndexKind::History:
        record.url = "Visited: " + std::string(kUser) + "@http://" + host + "/" + page + ".htm";
        record.directory = 0xFF;
        break;
    }
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

IndexLayout SampleLayout(IndexKind kind, uint32_t records, uint64_t seed, int version, bool junk)
{
    std::mt19937_64 random(seed);
    IndexLayout layout;
    layout.version = version;
    if (kind == IndexKind::Cache)
        for (int i = 0; i < 4; i++)
            layout.directories.push_back(DirectoryName(random));
    layout.pieces.reserve(records + records / 8);
    for (uint32_t number = 0; number < records; number++) {
        if (junk && random() % 3 == 0)
            layout.pieces.push_back(JunkPiece(SampleJunk(random)));
        // LEAK records are cache files left behind, as Internet Explorer 5
        // and later mark them.
        if (kind == IndexKind::Cache && version == 5 && random() % 16 == 0)
            layout.pieces.push_back(LeakPiece(SampleRecord(kind, random, number, layout.directories.size())));
        if (kind == IndexKind::Cache && random() % 24 == 0)
            layout.pieces.push_back(RedirectPiece("http://" + std::string(Pick(random, kHosts)) + "/moved"));
        layout.pieces.push_back(UrlPiece(SampleRecord(kind, random, number, layout.directories.size())));
    }
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
