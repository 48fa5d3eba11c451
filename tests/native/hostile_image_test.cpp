// Damaged and hostile images: every read stays inside the image and every
// scan ends.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "decoded_rows.h"
#include "run_command.h"
#include "format/index_format.h"
#include "format/record_state.h"
#include "gen/index_generator.h"

using namespace gallimaw_gen;

namespace {

UrlRecord Record(const std::string &url)
{
    uint64_t time = FileTimeOf(2003, 3, 3, 3, 3, 3);
    return UrlRecord{url, "page[1].htm", "HTTP/1.1 200 OK\r\n\r\n", 0, time, time};
}

GeneratedIndex Build(std::vector<Piece> pieces, bool hashTables = false)
{
    IndexLayout layout;
    layout.directories = {"DIRONE"};
    layout.hashTables = hashTables;
    layout.pieces = std::move(pieces);
    return BuildIndex(layout);
}

void Put32(std::vector<uint8_t> &bytes, uint64_t at, uint32_t value)
{
    for (int i = 0; i < 4; i++)
        bytes[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

} // namespace

TEST(HostileImage, OffsetsPastTheEndGiveEmptyColumns)
{
    GeneratedIndex index = Build({UrlPiece(Record("http://a.example/"))});
    uint64_t at = index.offsets[0];
    Put32(index.bytes, at + 52, 0xFFFFFFFF);
    Put32(index.bytes, at + 60, static_cast<uint32_t>(index.bytes.size()));
    Put32(index.bytes, at + 68, 0x80000000);
    std::vector<DecodedRow> rows = DecodeRows(index.bytes);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].columns[1], "");
    EXPECT_EQ(rows[0].columns[5], "");
    EXPECT_FALSE(rows[0].headersSet);
    EXPECT_EQ(rows[0].columns[0], "2003/03/03");
}

TEST(HostileImage, TextsStopAtTheImageEnd)
{
    GeneratedIndex index = Build({UrlPiece(Record("http://a.example/" + std::string(300, 'p')))});
    uint64_t at = index.offsets[0];
    std::vector<uint8_t> cut(index.bytes.begin(), index.bytes.begin() + at + 0x68 + 150);
    std::vector<DecodedRow> rows = DecodeRows(cut);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].columns[1], ("http://a.example/" + std::string(300, 'p')).substr(0, 150));
    EXPECT_FALSE(rows[0].headersSet);
}

TEST(HostileImage, HashTableOffsetPastTheEndScansFromTheDataArea)
{
    GeneratedIndex index = Build({UrlPiece(Record("http://a.example/"))});
    for (uint32_t offset : {static_cast<uint32_t>(index.bytes.size() - 104), 0xFFFFFFFFu}) {
        Put32(index.bytes, 32, offset);
        std::vector<DecodedRow> rows = DecodeRows(index.bytes);
        ASSERT_EQ(rows.size(), 1u) << offset;
        EXPECT_EQ(rows[0].columns[1], "http://a.example/");
    }
}

TEST(HostileImage, ZeroBlockCountsMoveOnByOneByte)
{
    GeneratedIndex index = Build({HashPiece(1), UrlPiece(Record("http://a.example/")),
                                  UrlPiece(Record("http://b.example/"))});
    Put32(index.bytes, index.offsets[0] + 4, 0);
    Put32(index.bytes, index.offsets[1] + 4, 0);
    std::vector<DecodedRow> rows = DecodeRows(index.bytes);
    ASSERT_EQ(rows.size(), 2u);
    // A record of no blocks holds no text.
    EXPECT_EQ(rows[0].columns[1], "");
    EXPECT_EQ(rows[0].columns[2], "0");
    EXPECT_EQ(rows[1].columns[1], "http://b.example/");
}

TEST(HostileImage, HugeBlockCountsNeitherWrapNorHideTheNextRecord)
{
    GeneratedIndex index = Build({UrlPiece(Record("http://a.example/")), UrlPiece(Record("http://b.example/"))});
    // 2^25 blocks are 2^32 bytes: a 32-bit step would wrap to 0 and stall.
    for (uint32_t blocks : {0xFFFFFFFFu, 0x02000000u}) {
        Put32(index.bytes, index.offsets[0] + 4, blocks);
        std::vector<DecodedRow> rows = DecodeRows(index.bytes);
        ASSERT_EQ(rows.size(), 2u);
        EXPECT_EQ(rows[0].columns[2], std::to_string(blocks * 128ull));
        EXPECT_EQ(rows[1].columns[1], "http://b.example/");
    }
}

TEST(HostileImage, TruncatedFilesEndCleanly)
{
    GeneratedIndex index = BuildIndex(SampleLayout(KindCache, 40, 7, 5, true));
    size_t full = DecodeRows(index.bytes).size();
    ASSERT_EQ(full, 40u);
    size_t previous = 0;
    for (size_t cut = 0; cut <= index.bytes.size(); cut += 61) {
        std::vector<uint8_t> bytes(index.bytes.begin(), index.bytes.begin() + cut);
        std::vector<DecodedRow> rows = DecodeRows(bytes);
        EXPECT_GE(rows.size(), previous);
        for (const DecodedRow &row : rows)
            EXPECT_LT(row.offset + 104, cut);
        previous = rows.size();
    }
}

TEST(HostileImage, RandomDamageEndsCleanly)
{
    GeneratedIndex index = BuildIndex(SampleLayout(KindCache, 20, 3, 4, true));
    std::mt19937 random(11);
    for (int trial = 0; trial < 300; trial++) {
        std::vector<uint8_t> bytes = index.bytes;
        for (int i = 0; i < 40; i++)
            bytes[random() % bytes.size()] = static_cast<uint8_t>(random());
        for (const DecodedRow &row : DecodeRows(bytes))
            for (const std::string &column : row.columns)
                ASSERT_LE(column.size(), 3u * 1023);
    }
}

namespace {

void CollectOffset(void *context, const ScannedRecord *record)
{
    if (record->type == RecordUrl)
        static_cast<std::vector<uint64_t> *>(context)->push_back(record->offset);
}

// The scan one byte at a time, in an image too small for an allocation
// bitmap: every record ends at its blocks' end or at a later 128-byte
// boundary holding a signature.
std::vector<uint64_t> ScanByteByByte(const std::vector<uint8_t> &bytes)
{
    std::vector<uint64_t> offsets;
    if (bytes.size() <= 104)
        return offsets;
    auto read32 = [&](uint64_t at) {
        return at + 4 > bytes.size() ? 0u
                                     : bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16
                                           | static_cast<uint32_t>(bytes[at + 3]) << 24;
    };
    auto isSignature = [&](uint64_t at) {
        std::string signature(bytes.begin() + std::min<uint64_t>(at, bytes.size()),
                              bytes.begin() + std::min<uint64_t>(at + 4, bytes.size()));
        return signature == "URL " || signature == "HASH" || signature == "LEAK" || signature == "REDR";
    };
    uint64_t limit = bytes.size() - 104;
    for (uint64_t cursor = read32(32) >= limit ? 0x4000 : read32(32); cursor < limit;) {
        if (!isSignature(cursor)) {
            cursor++;
            continue;
        }
        if (bytes[cursor] == 'U')
            offsets.push_back(cursor);
        uint64_t claimed = static_cast<uint64_t>(read32(cursor + 4)) * 128;
        uint64_t end = std::min<uint64_t>(cursor + claimed, bytes.size());
        if (bytes[cursor] != 'H')
            for (uint64_t at = cursor / 128 * 128 + 128; at < end; at += 128)
                if (isSignature(at)) {
                    end = at;
                    break;
                }
        cursor = bytes[cursor] == 'H' ? cursor + (claimed ? claimed : 1) : end > cursor ? end : cursor + 1;
    }
    return offsets;
}

} // namespace

TEST(HostileImage, SignatureSearchFindsWhatAByteByByteScanFinds)
{
    // Dense first letters and near-signatures around real ones, at every
    // alignment and up to the scan limit.
    const std::string pieces[] = {"URL ", "HASH", "LEAK", "REDR", "URL", "UR", "U", "HAS", "LEA", "RED", "H", "L",
                                  "R", "url ", "xURL ", "\x01", std::string(1, '\0')};
    std::mt19937 random(5);
    for (int trial = 0; trial < 400; trial++) {
        std::vector<uint8_t> bytes(200 + random() % 3000, 0);
        Put32(bytes, 32, random() % 3 ? 40 + random() % 60 : 0);
        for (size_t at = 36; at < bytes.size();) {
            std::string piece = pieces[random() % (sizeof pieces / sizeof pieces[0])];
            for (size_t i = 0; i < piece.size() && at < bytes.size(); i++)
                bytes[at++] = static_cast<uint8_t>(piece[i]);
            // Block counts of 0 and 1 keep the scan on the bytes that follow.
            if (piece.size() == 4 && at + 4 <= bytes.size())
                Put32(bytes, at, random() % 2);
            at += random() % 12;
        }
        std::vector<uint64_t> found;
        IndexImage image;
        static IndexReach reach;
        OpenIndexImage(&image, bytes.data(), bytes.size());
        FindIndexReach(&image, &reach, nullptr, nullptr);
        ScanIndexRecords(&image, &reach, CollectOffset, &found);
        ASSERT_EQ(found, ScanByteByByte(bytes)) << "trial " << trial;
    }
}

namespace {

struct HostileFile {
    std::string name;
    std::vector<uint8_t> bytes;
};

// A sample cache file with hash tables, damaged in the ways that trip up
// parsers which follow the file's own pointers.
std::vector<HostileFile> HostileFiles()
{
    GeneratedIndex sample = BuildIndex(SampleLayout(KindCache, 300, 9, 5, false));
    std::vector<HostileFile> files;

    HostileFile cycle{"cyclic-hash-chain", sample.bytes};
    Put32(cycle.bytes, sample.firstHashTable + 8, static_cast<uint32_t>(sample.firstHashTable));
    files.push_back(cycle);

    // The first LEAK record's link leads back to itself.
    HostileFile leaks{"cyclic-leak-list", sample.bytes};
    uint32_t firstLeak = 0;
    std::memcpy(&firstLeak, sample.bytes.data() + INDEX_LEAK_LIST_OFFSET, 4);
    Put32(leaks.bytes, firstLeak + LEAK_FIELD_NEXT, firstLeak);
    files.push_back(leaks);

    HostileFile huge{"block-count-ffffffff", sample.bytes};
    Put32(huge.bytes, sample.firstHashTable + 4, 0xFFFFFFFF);
    for (uint64_t at = sample.firstHashTable + 1; at + 8 < huge.bytes.size(); at++)
        if (!std::memcmp(huge.bytes.data() + at, "URL ", 4)) {
            Put32(huge.bytes, at + 4, 0xFFFFFFFF);
            break;
        }
    files.push_back(huge);

    HostileFile past{"offsets-past-the-end", sample.bytes};
    uint32_t end = static_cast<uint32_t>(past.bytes.size());
    Put32(past.bytes, 28, 0xFFFFFFF0);
    for (uint64_t at = sample.firstHashTable + 16; at + 8 <= sample.firstHashTable + 0x1000; at += 8)
        Put32(past.bytes, at + 4, end + static_cast<uint32_t>(at));
    for (uint64_t at = sample.firstHashTable + 0x1000; at + 80 < past.bytes.size(); at++)
        if (!std::memcmp(past.bytes.data() + at, "URL ", 4))
            for (int field : {52, 60, 68})
                Put32(past.bytes, at + field, 0xFFFFFF00u - static_cast<uint32_t>(at));
    files.push_back(past);

    for (size_t cut : {size_t{20}, size_t{80}, size_t{0x3000}})
        files.push_back({"truncated-header-" + std::to_string(cut),
                         std::vector<uint8_t>(sample.bytes.begin(), sample.bytes.begin() + cut)});

    std::mt19937 random(13);
    HostileFile noise{"random-bytes", std::vector<uint8_t>(1 << 20)};
    for (uint8_t &byte : noise.bytes)
        byte = static_cast<uint8_t>(random());
    files.push_back(noise);
    HostileFile headed = noise;
    headed.name = "random-bytes-after-a-header";
    std::copy(sample.bytes.begin(), sample.bytes.begin() + 0x4000, headed.bytes.begin());
    files.push_back(headed);
    return files;
}

// How a command ended, run with a time limit and a memory limit, its
// standard output counted but not kept.
std::string Outcome(const std::string &command, const std::string &file, int seconds)
{
    CommandResult result = RunCommand("bash -c " + Quoted("ulimit -v 4000000; timeout -s KILL " + std::to_string(seconds)
                                                          + " " + command + " " + Quoted(file)
                                                          + " 2>/dev/null | wc -l; exit ${PIPESTATUS[0]}"));
    std::string lines = result.out.substr(0, result.out.find('\n')) + " lines";
    if (result.exitCode == 128 + 9)
        return "did not end within " + std::to_string(seconds) + " s (" + lines + ")";
    if (result.exitCode > 128)
        return "crashed with signal " + std::to_string(result.exitCode - 128) + " (" + lines + ")";
    return "exit " + std::to_string(result.exitCode) + " (" + lines + ")";
}

} // namespace

// gallimaw-dump reads every hostile file to its end in every format; what
// the peers do with the same files is recorded, and at least one file must
// stop a peer: files that no peer hangs or crashes on (or peers that did
// not run) would show the dump's ending nothing.
TEST(HostileImage, HostileFilesEndTheDumpButNotAlwaysThePeers)
{
    std::string dump = Quoted(Env("GALLIMAW_BUILD") + "/dump/gallimaw-dump");
    bool peerStopped = false;
    for (const HostileFile &file : HostileFiles()) {
        std::string path = TempPath(file.name + ".dat"), error;
        ASSERT_TRUE(WriteIndexFile(path, GeneratedIndex{file.bytes, {}, 0}, &error)) << error;
        auto start = std::chrono::steady_clock::now();
        // A file without the index signature is searched all the same, but
        // said to be no index file; one shorter than its header states is
        // read to its end and said to be cut short.
        IndexImage image;
        OpenIndexImage(&image, file.bytes.data(), file.bytes.size());
        bool whole = file.bytes.size() >= INDEX_SIGNATURE_BYTES
                  && !std::memcmp(file.bytes.data(), INDEX_SIGNATURE, INDEX_SIGNATURE_BYTES)
                  && ReadImageU32(&image, INDEX_FILE_SIZE_OFFSET) <= file.bytes.size();
        for (const char *format : {"row", "csv", "jsonl", "table", "bodyfile"}) {
            std::string outcome = Outcome(dump + " --format=" + format, path, 30);
            EXPECT_EQ(outcome.rfind(whole ? "exit 0 (" : "exit 1 (", 0), 0u) << file.name << " " << format << ": " << outcome;
        }
        double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::string pasco = Outcome("env TZ=UTC pasco", path, 3);
        std::string msiecf = Outcome("msiecfexport -m all", path, 3);
        std::printf("%-28s gallimaw-dump, 5 formats: %.2f s; pasco: %-40s msiecfexport: %s\n", file.name.c_str(),
                    seconds, pasco.c_str(), msiecf.c_str());
        RecordProperty(file.name + "-pasco", pasco);
        RecordProperty(file.name + "-msiecfexport", msiecf);
        peerStopped = peerStopped || pasco.rfind("exit ", 0) != 0 || msiecf.rfind("exit ", 0) != 0;
    }
    EXPECT_TRUE(peerStopped) << "no hostile file hung or crashed a peer";
}

TEST(HostileImage, ACyclicHashChainHidesNoRecord)
{
    GeneratedIndex sample = BuildIndex(SampleLayout(KindCache, 300, 9, 5, false));
    std::vector<uint8_t> bytes = sample.bytes;
    Put32(bytes, sample.firstHashTable + 8, static_cast<uint32_t>(sample.firstHashTable));
    EXPECT_EQ(DecodeRows(bytes).size(), 300u) << "the scan follows no chain";
}
