// gallimaw-dump --image and --carve on disk images made here with the
// tools examiners' images come from: a DOS partition table (sfdisk), a FAT
// file system written without mounting (mkfs.fat, mtools), EWF segments
// (ewfacquire) and split raw files (split).
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>

#include "dump_index_files.h"
#include "run_command.h"

using namespace gallimaw_gen;
using nlohmann::json;

namespace {

constexpr uint64_t kMiB = 1 << 20;
// p1: 1 MiB with no file system; p2: a 20 MiB FAT file system; free space
// before, between none, and after them up to 24 MiB.
constexpr uint64_t kFirstStart = 1 * kMiB, kSecondStart = 2 * kMiB, kSecondEnd = 22 * kMiB, kImageEnd = 24 * kMiB;
const char kProfile[] = "/Documents and Settings";

struct PlacedFile {
    std::string inImage; // path inside the file system
    IndexLayout layout;
};

std::vector<json> JsonLines(const std::string &text)
{
    std::vector<json> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(json::parse(line));
    return lines;
}

// sfdisk and mkfs.fat live in /usr/sbin, which a user's PATH may lack.
void Shell(const std::string &command)
{
    CommandResult result = RunCommand("PATH=\"$PATH:/usr/sbin:/sbin\" && " + command);
    ASSERT_EQ(result.exitCode, 0) << command << "\n" << result.err;
}

void WriteAt(const std::string &path, uint64_t offset, const std::vector<uint8_t> &bytes)
{
    std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
    file.seekp(static_cast<std::streamoff>(offset));
    file.write(reinterpret_cast<const char *>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// The records of an index file from its data area on, as they would lie
// in free space once the file is gone.
std::vector<uint8_t> RecordsOf(const IndexLayout &layout)
{
    std::vector<uint8_t> bytes = BuildIndex(layout).bytes;
    return std::vector<uint8_t>(bytes.begin() + kDataAreaOffset, bytes.end());
}

IndexLayout OneRecord(const std::string &url)
{
    return LayoutOf({SampleRecord(url)});
}

// What every reading of a record says, wherever it was read from.
json RecordFields(json record)
{
    for (const char *where : {"kind", "index_file", "offset", "state", "dir", "source", "file_state"})
        record.erase(where);
    return record;
}

std::multiset<std::string> FieldsOf(const std::vector<json> &records)
{
    std::multiset<std::string> fields;
    for (const json &record : records)
        fields.insert(RecordFields(record).dump());
    return fields;
}

// A small FAT12 file system made here (1 MiB, one sector a cluster) with
// index files of 30 records at the given paths, which the tests below
// damage byte by byte: the cluster chains in both FATs and the entries of
// its folders.
struct FatImage {
    std::string path;
    uint64_t fat = 0, fatBytes = 0, fats = 0, data = 0, cluster = 0;
    size_t records = 0; // in the index files put there

    uint64_t Read(uint64_t offset, int bytes) const
    {
        std::ifstream file(path, std::ios::binary);
        file.seekg(static_cast<std::streamoff>(offset));
        uint64_t value = 0;
        for (int i = 0; i < bytes; i++)
            value |= static_cast<uint64_t>(file.get()) << (8 * i);
        return value;
    }
    void Write(uint64_t offset, uint64_t value, int bytes) const
    {
        std::vector<uint8_t> little;
        for (int i = 0; i < bytes; i++)
            little.push_back(static_cast<uint8_t>(value >> (8 * i)));
        WriteAt(path, offset, little);
    }
    // The first cluster of a file or folder, as mtools tells it.
    uint64_t ClusterOf(const std::string &inImage) const
    {
        std::string shown = RunCommand("MTOOLS_SKIP_CHECK=1 mshowfat -i " + Quoted(path) + " " + Quoted("::" + inImage)).out;
        return std::stoull(shown.substr(shown.find('<') + 1));
    }
    // Points the chain at cluster to next.
    void Chain(uint64_t cluster, uint64_t next) const
    {
        for (uint64_t copy = 0; copy < fats; copy++) {
            uint64_t at = fat + copy * fatBytes + cluster * 3 / 2;
            uint64_t pair = Read(at, 2);
            Write(at, cluster & 1 ? (pair & 0x000F) | next << 4 : (pair & 0xF000) | next, 2);
        }
    }
    // Where the entry named name (8.3, padded: "X          ") lies in the
    // folder whose first cluster is folder.
    uint64_t EntryOf(uint64_t folder, const std::string &name) const
    {
        uint64_t start = data + (folder - 2) * cluster;
        for (uint64_t at = start; at < start + cluster; at += 32) {
            std::string here;
            for (size_t i = 0; i < name.size(); i++)
                here += static_cast<char>(Read(at + i, 1));
            if (here == name)
                return at;
        }
        ADD_FAILURE() << name << " not in cluster " << folder;
        return 0;
    }
};

FatImage MakeFat(const std::string &name, const std::vector<std::string> &folders, const std::vector<std::string> &files)
{
    FatImage image;
    image.path = TempPath(name);
    std::string at = "MTOOLS_SKIP_CHECK=1 && export MTOOLS_SKIP_CHECK && ";
    Shell("rm -f " + Quoted(image.path) + " && truncate -s 1M " + Quoted(image.path) + " && mkfs.fat -F 12 -s 1 "
          + Quoted(image.path));
    for (const std::string &folder : folders)
        Shell(at + "mmd -i " + Quoted(image.path) + " " + Quoted("::" + folder));
    for (size_t i = 0; i < files.size(); i++) {
        IndexLayout layout = SampleLayout(KindCookies, 30, 10 + i, 5, false);
        std::string loose = TempPath(name + ".index.dat");
        std::string error;
        EXPECT_TRUE(WriteIndexFile(loose, BuildIndex(layout), &error)) << error;
        image.records += JsonLines(RunCommand(DumpCommand() + " -f jsonl " + Quoted(loose)).out).size();
        Shell(at + "mcopy -i " + Quoted(image.path) + " " + Quoted(loose) + " " + Quoted("::" + files[i]) + " && rm "
              + Quoted(loose));
    }
    uint64_t sector = image.Read(11, 2);
    image.cluster = sector * image.Read(13, 1);
    image.fat = sector * image.Read(14, 2);
    image.fats = image.Read(16, 1);
    image.fatBytes = sector * image.Read(22, 2);
    image.data = image.fat + image.fats * image.fatBytes + image.Read(17, 2) * 32;
    return image;
}

class DumpImage : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        files = {{std::string(kProfile) + "/ann/Local Settings/Temporary Internet Files/Content.IE5/index.dat",
                  SampleLayout(KindCache, 60, 1, 5, false)},
                 {std::string(kProfile) + "/ann/Cookies/index.dat", SampleLayout(KindCookies, 30, 2, 5, false)},
                 {std::string(kProfile) + "/ann/Local Settings/History/History.IE5/index.dat",
                  SampleLayout(KindHistory, 30, 3, 5, false)},
                 // Deleted after it was written; a version 4.7 file, so that
                 // carving must tell the layout from the records alone.
                 {std::string(kProfile) + "/bob/Cookies/index.dat", SampleLayout(KindCookies, 20, 4, 4, false)}};
        std::string tree = TempPath("tree");
        for (const PlacedFile &file : files) {
            std::string host = tree + file.inImage;
            Shell("mkdir -p " + Quoted(host.substr(0, host.rfind('/'))));
            std::string error;
            ASSERT_TRUE(WriteIndexFile(host, BuildIndex(file.layout), &error)) << error;
        }
        raw = TempPath("disk.img");
        std::string fat = Quoted(raw) + "@@" + std::to_string(kSecondStart);
        Shell("truncate -s " + std::to_string(kImageEnd) + " " + Quoted(raw));
        Shell("printf 'start=2048,size=2048,type=83\\nstart=4096,size=40960,type=6\\n' | sfdisk -q " + Quoted(raw));
        Shell("mkfs.fat -F 16 --offset 4096 " + Quoted(raw) + " 20480");
        Shell("export MTOOLS_SKIP_CHECK=1 && mcopy -s -i " + fat + " " + Quoted(tree + kProfile) + " ::/ && mdel -i "
            + fat + " " + Quoted("::" + files[3].inImage));
        // Records in free space: in the free clusters at the end of the file
        // system, in the partition without one, after the last partition,
        // and one cut by the end of the space before the first partition.
        freeRecords = {{"p2:unallocated", kSecondEnd - 64 * 1024, OneRecord("http://free.example/")},
                       {"p1:unreadable", kFirstStart + 4096, OneRecord("http://nofs.example/")},
                       {"unpartitioned", kSecondEnd + 4096, OneRecord("http://after.example/")},
                       {"unpartitioned", kFirstStart - 120, OneRecord("http://cut.example/by-the-partition")}};
        for (const FreeRecord &record : freeRecords)
            WriteAt(raw, record.offset, RecordsOf(record.layout));
        // What a record cut by the partition's start would run into.
        WriteAt(raw, kFirstStart, std::vector<uint8_t>(16, 'X'));
        Shell("cd " + Quoted(TempPath("")) + " && ewfacquire -u -q -c none -S 1048576 -t disk disk.img </dev/null");
        Shell("cd " + Quoted(TempPath("")) + " && split -b 5000000 -d -a 3 --numeric-suffixes=1 disk.img disk.raw.");
    }

    // The images are large; the test program's folder keeps only the small files.
    static void TearDownTestSuite()
    {
        Shell("cd " + Quoted(TempPath("")) + " && rm -rf disk.* damaged hostile.img tree");
    }

    struct FreeRecord {
        std::string area;
        uint64_t offset;
        IndexLayout layout;
    };
    static std::vector<PlacedFile> files;
    static std::vector<FreeRecord> freeRecords;
    static std::string raw;
};

std::vector<PlacedFile> DumpImage::files;
std::vector<DumpImage::FreeRecord> DumpImage::freeRecords;
std::string DumpImage::raw;

// Every record of every index file, read from the raw, the EWF and the
// split raw image, as the loose file gives it, with the image, the place
// and the file's state; the partition without a file system is named and
// the walk goes on to the next one.
TEST_F(DumpImage, ReportsEveryIndexFileAsTheLooseFile)
{
    for (const std::string &image : {raw, TempPath("disk.E01"), TempPath("disk.raw.001")}) {
        CommandResult result = RunCommand(DumpCommand() + " -f jsonl --image " + Quoted(image));
        EXPECT_EQ(result.exitCode, 1) << image;
        EXPECT_EQ(result.err.rfind("gallimaw-dump: " + image + " p1 (Linux (0x83), bytes 1048576 to 2097151): no file "
                                   "system that can be read: ", 0), 0u) << result.err;
        EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
        std::vector<json> found = JsonLines(result.out);
        std::vector<json> expected;
        // Path order: ann's Cookies, History, Temporary Internet Files, then bob's.
        for (size_t f : {1, 2, 0, 3}) {
            std::string loose = TempPath("tree") + files[f].inImage;
            for (json record : JsonLines(RunCommand(DumpCommand() + " -f jsonl " + Quoted(loose)).out)) {
                record["index_file"] = image;
                record["source"] = "p2:" + files[f].inImage;
                record["file_state"] = f == 3 ? "deleted" : "allocated";
                expected.push_back(record);
            }
        }
        ASSERT_EQ(found.size(), expected.size()) << image;
        // FAT keeps a deleted file's name without its first letter.
        std::string deleted = found.back()["source"];
        EXPECT_EQ(deleted.substr(deleted.size() - 8), "ndex.dat") << deleted;
        for (json &record : expected)
            if (record["file_state"] == "deleted")
                record["source"] = deleted;
        for (size_t i = 0; i < found.size(); i++)
            ASSERT_EQ(found[i], expected[i]) << image << " record " << i;
    }
}

// --hash digests each index file as read through The Sleuth Kit, in place
// in the raw image and copied out of the EWF image: the loose file's
// digests, in --list's last columns and after the file's records.
TEST_F(DumpImage, HashDigestsTheFilesAsTheLooseFiles)
{
    for (const std::string &image : {raw, TempPath("disk.E01")}) {
        std::string digests, cookies;
        for (size_t f : {1, 2, 0, 3}) {
            std::string loose = Quoted(TempPath("tree") + files[f].inImage);
            std::string sha256 = RunCommand("sha256sum " + loose).out.substr(0, 64);
            digests += sha256 + "\t" + RunCommand("md5sum " + loose).out.substr(0, 32) + "\n";
            if (f == 1)
                cookies = "gallimaw-dump: " + image + " p2:" + files[f].inImage + ": "
                          + std::to_string(BuildIndex(files[f].layout).bytes.size()) + " bytes read, sha256 " + sha256;
        }
        EXPECT_EQ(RunCommand(DumpCommand() + " --hash=sha256,md5 --list --image " + Quoted(image) + " | cut -f5,6").out,
                  digests) << image;
        CommandResult printed = RunCommand(DumpCommand() + " --hash=sha256 --image " + Quoted(image));
        EXPECT_NE(printed.err.find(cookies + "\n"), std::string::npos) << printed.err;
    }
}

// --carve finds the records in free space, with their offsets in the
// image, and none of the live files' records; the deleted file's records
// come back from its freed clusters, read as version 4.7 records. A record
// is read no further than its run of free space. The summary counts the
// records of the files and the areas as printed.
TEST_F(DumpImage, CarveFindsTheRecordsInFreeSpace)
{
    CommandResult result = RunCommand(DumpCommand() + " -v -f jsonl --carve " + Quoted(raw));
    EXPECT_EQ(result.exitCode, 1) << result.err;
    std::vector<json> carved;
    std::map<std::string, std::map<std::string, int>> printed;
    for (const json &record : JsonLines(result.out)) {
        printed[record["type"]][record["state"]]++;
        if (record["state"] == "carved")
            carved.push_back(record);
    }
    std::string counts;
    for (const char *type : {"URL", "LEAK", "REDR"}) {
        std::string states;
        for (const char *state : {"allocated", "recovered", "carved"})
            if (int count = printed[type][state])
                states += (states.empty() ? "" : ", ") + std::to_string(count) + " " + state;
        counts += states.empty() ? "" : "; " + std::string(type) + " " + states;
    }
    EXPECT_NE(result.err.find(std::to_string(JsonLines(result.out).size()) + " records:" + counts.substr(1) + "; "),
              std::string::npos) << result.err;
    std::map<uint64_t, json> byOffset;
    for (const json &record : carved) {
        EXPECT_TRUE(record["kind"].is_null() && record["file_state"].is_null() && record["dir"] == "") << record;
        byOffset[record["offset"]] = record;
    }
    for (const FreeRecord &free : freeRecords) {
        GeneratedIndex index = BuildIndex(free.layout);
        uint64_t at = free.offset + index.offsets[0] - kDataAreaOffset;
        ASSERT_TRUE(byOffset.count(at)) << free.area << " record at " << at;
        EXPECT_EQ(byOffset[at]["source"], free.area);
        std::string url = free.layout.pieces[0].record.url;
        EXPECT_EQ(byOffset[at]["url"], free.offset + 120 == kFirstStart ? url.substr(0, 16) : url);
        byOffset.erase(at);
    }
    std::vector<json> rest;
    for (const auto &record : byOffset)
        rest.push_back(record.second);
    std::string deleted = TempPath("tree") + files[3].inImage;
    EXPECT_EQ(FieldsOf(rest), FieldsOf(JsonLines(RunCommand(DumpCommand() + " -f jsonl " + Quoted(deleted)).out)))
        << "besides the planted records, only the deleted file's";

    // Every byte: each live file's records too.
    std::vector<json> all;
    for (const json &record : JsonLines(RunCommand(DumpCommand() + " -f jsonl --carve=all " + Quoted(raw)).out))
        if (record["state"] == "carved") {
            EXPECT_EQ(record["source"], "image");
            all.push_back(record);
        }
    std::multiset<std::string> everything = FieldsOf(all);
    for (const PlacedFile &file : files)
        for (const std::string &fields :
             FieldsOf(JsonLines(RunCommand(DumpCommand() + " -f jsonl " + Quoted(TempPath("tree") + file.inImage)).out)))
            EXPECT_EQ(everything.count(fields), 1u) << file.inImage << ": " << fields;
}

// Damaged or hostile bytes in free space: a newer record written into an
// older one's blocks, a signature in text, a block count beyond reason, a
// record whose URL offset is lost, a record cut by the image's end. Each
// is reported as far as its bytes are there, or left out; nothing is read
// past the image.
TEST_F(DumpImage, CarvingTakesOnlyWhatTheBytesHold)
{
    std::vector<uint8_t> older = RecordsOf(OneRecord("http://older.example/"));
    std::vector<uint8_t> newer = RecordsOf(OneRecord("http://newer.example/"));
    std::vector<uint8_t> bytes(4096, 0);
    std::copy(older.begin(), older.end(), bytes.begin());
    std::copy(newer.begin(), newer.begin() + 128, bytes.begin() + 128); // over the older one's second block
    std::string text = "see URL http://text.example/ and LEAKs; REDR";
    std::copy(text.begin(), text.end(), bytes.begin() + 1024);
    std::vector<uint8_t> huge(older.begin(), older.begin() + 256);
    huge[7] = 0x80;
    std::copy(huge.begin(), huge.end(), bytes.begin() + 2048);
    std::copy(newer.begin(), newer.begin() + 50, bytes.begin() + 3072); // zeros from its URL offset on
    IndexLayout moved = OneRecord("http://x.example/");
    moved.pieces = {RedirectPiece("http://redirect.example/cut-here")};
    std::vector<uint8_t> redirect = RecordsOf(moved);
    bytes.insert(bytes.end(), redirect.begin(), redirect.begin() + 40);
    std::string path = TempPath("hostile.img");
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char *>(bytes.data()),
                                                 static_cast<std::streamsize>(bytes.size()));
    CommandResult result = RunCommand(DumpCommand() + " -f jsonl --carve=all " + Quoted(path));
    EXPECT_EQ(result.exitCode, 1) << "no file system: " << result.err;
    std::vector<std::string> found;
    for (const json &record : JsonLines(result.out))
        found.push_back(record["offset"].dump() + " " + record["type"].get<std::string>() + " "
                        + record["url"].get<std::string>());
    EXPECT_EQ(found, (std::vector<std::string>{"0 URL http://older.example/", "128 URL http://newer.example/",
                                               "4096 REDR http://redirect.example/"}));
}

// An image that is not there, and EWF segments cut short, empty or
// missing: each named with what is wrong and where, and with the image
// bytes lost with it; what can be read is still reported.
TEST_F(DumpImage, DamagedImagesAreNamed)
{
    std::string missing = TempPath("missing.img");
    CommandResult none = RunCommand(DumpCommand() + " --image " + Quoted(missing));
    EXPECT_EQ(none.exitCode, 1);
    EXPECT_EQ(none.err, "gallimaw-dump: " + missing + ": No such file or directory\n");

    std::string copy = TempPath("damaged/");
    Shell("mkdir -p " + Quoted(copy) + " && cp " + Quoted(TempPath("")) + "disk.E* " + Quoted(copy));
    // Segment 20 holds free space of the file system.
    Shell("truncate -s 300000 " + Quoted(copy + "disk.E20"));
    CommandResult cut = RunCommand(DumpCommand() + " -f jsonl --image " + Quoted(copy + "disk.E01"));
    EXPECT_EQ(cut.exitCode, 1);
    EXPECT_EQ(cut.err.rfind("gallimaw-dump: " + copy + "disk.E20: EWF segment cut short at byte 300000, inside its ", 0),
              0u) << cut.err;
    EXPECT_NE(cut.out.find("\"file_state\":\"allocated\""), std::string::npos) << "the file system is read all the same";
    // Each segment holds 31 chunks of 32 KiB; the library reads none past
    // the cut.
    std::string lost = "gallimaw-dump: " + copy + "disk.E01: bytes 19300352 to 25165823 cannot be read: their EWF "
                       "segments are damaged or missing; read as zeros\n";
    EXPECT_NE(cut.err.find(lost), std::string::npos) << cut.err;

    // The library rejects a whole image for one empty segment.
    Shell(": > " + Quoted(copy + "disk.E20"));
    CommandResult empty = RunCommand(DumpCommand() + " -f jsonl --image " + Quoted(copy + "disk.E01"));
    EXPECT_EQ(empty.exitCode, 1);
    EXPECT_EQ(empty.err.rfind("gallimaw-dump: " + copy + "disk.E20: not an EWF segment file\n" + lost, 0), 0u)
        << empty.err;
    std::string whole = RunCommand(DumpCommand() + " -f jsonl --image " + Quoted(TempPath("disk.E01"))).out;
    EXPECT_EQ(JsonLines(empty.out).size(), JsonLines(whole).size());

    Shell("rm " + Quoted(copy + "disk.E20"));
    CommandResult gone = RunCommand(DumpCommand() + " -l --image " + Quoted(copy + "disk.E01"));
    EXPECT_EQ(gone.err.rfind("gallimaw-dump: " + copy + "disk.E19: the EWF segment after it is missing\n", 0), 0u)
        << gone.err;
}

// A chunk of an EWF image that fails its checksum, which the library reads
// as zeros: its bytes are named once read.
TEST_F(DumpImage, EwfChecksumErrorsAreNamed)
{
    std::string copy = TempPath("damaged/checksum/");
    Shell("mkdir -p " + Quoted(copy) + " && cp " + Quoted(TempPath("")) + "disk.E* " + Quoted(copy));
    // The fourth chunk of segment 5, chunk 127 of the image: its data
    // starts after the segment's header and two section descriptors.
    WriteAt(copy + "disk.E05", 13 + 1128 + 76 + 3 * (32768 + 4) + 10, {'X'});
    CommandResult result = RunCommand(DumpCommand() + " -f jsonl --carve=all " + Quoted(copy + "disk.E01"));
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find("gallimaw-dump: " + copy + "disk.E01: bytes 4161536 to 4194303 cannot be read: their "
                              "EWF chunk fails its checksum; read as zeros\n"), std::string::npos) << result.err;
}

// A partition table entry past the image's end, for which the library
// drops the whole table; an image cut inside a partition; a file system
// cut by the end of an image without a partition table. Each is named,
// and every partition and record that is there is read.
TEST_F(DumpImage, DamagedPartitionsAreNamed)
{
    std::string copy = TempPath("damaged/");
    Shell("mkdir -p " + Quoted(copy) + " && cp " + Quoted(raw) + " " + Quoted(copy + "entry.img") + " && cp " + Quoted(raw)
          + " " + Quoted(copy + "cut.img") + " && truncate -s 8M " + Quoted(copy + "cut.img"));
    // Entry 1, the partition without a file system, moved to 100 MiB.
    WriteAt(copy + "entry.img", 446, {0, 0, 0, 0, 7, 0, 0, 0, 0, 0x20, 3, 0, 0, 8, 0, 0});
    CommandResult entry = RunCommand(DumpCommand() + " -f jsonl --image " + Quoted(copy + "entry.img"));
    EXPECT_EQ(entry.exitCode, 1);
    EXPECT_EQ(entry.err, "gallimaw-dump: " + copy + "entry.img p1 (partition table entry 1, type 0x07, bytes "
                         "104857600 to 105906175): lies outside the image, which ends at byte 25165824; not read\n");
    EXPECT_EQ(JsonLines(entry.out).size(), JsonLines(RunCommand(DumpCommand() + " -f jsonl --image " + Quoted(raw)).out).size());

    CommandResult cut = RunCommand(DumpCommand() + " -l --image " + Quoted(copy + "cut.img"));
    EXPECT_NE(cut.err.find(copy + "cut.img p2 (DOS FAT16 (0x06), bytes 2097152 to 23068671): cut short: the image "
                           "ends at byte 8388608; what lies before is read"), std::string::npos) << cut.err;

    FatImage fat = MakeFat("fat-cut.img", {}, {"/index.dat"});
    Shell("truncate -s 600000 " + Quoted(fat.path));
    CommandResult cutFat = RunCommand(DumpCommand() + " -l --image " + Quoted(fat.path));
    EXPECT_EQ(cutFat.exitCode, 1);
    EXPECT_EQ(cutFat.err, "gallimaw-dump: " + fat.path + " (no partition table, bytes 0 to 599999): its file system "
                          "(bytes 0 to 1048575) runs past the image's end; what lies inside is read\n");
    Shell("rm " + Quoted(fat.path));
}

// A split raw image with a part missing, and one with a part cut short:
// each named, as EWF segments are.
TEST_F(DumpImage, DamagedSplitRawImagesAreNamed)
{
    std::string copy = TempPath("damaged/split/");
    Shell("mkdir -p " + Quoted(copy) + " && cp " + Quoted(TempPath("")) + "disk.raw.* " + Quoted(copy) + " && mv "
          + Quoted(copy + "disk.raw.003") + " " + Quoted(copy + "part3"));
    CommandResult missing = RunCommand(DumpCommand() + " -l --image " + Quoted(copy + "disk.raw.001"));
    EXPECT_NE(missing.err.find("gallimaw-dump: " + copy + "disk.raw.003: missing: the split raw image is read up to "
                               "the part before it; " + copy + "disk.raw.004 and the parts after it are not read\n"),
              std::string::npos) << missing.err;

    Shell("mv " + Quoted(copy + "part3") + " " + Quoted(copy + "disk.raw.003") + " && truncate -s 4000000 "
          + Quoted(copy + "disk.raw.002"));
    CommandResult cut = RunCommand(DumpCommand() + " -l --image " + Quoted(copy + "disk.raw.001"));
    EXPECT_NE(cut.err.find("gallimaw-dump: " + copy + "disk.raw.002: part 2 of the split raw image is 4000000 bytes, "
                           "not 5000000 as the first part: every byte after it is read at a wrong offset\n"),
              std::string::npos) << cut.err;
}

// A FIFO as the image, as a later part of a split raw image and as an EWF
// segment, and a character device as the image: each named, not waited
// on or read without end.
TEST_F(DumpImage, ImageFilesThatAreNoFilesAreRefused)
{
    std::string copy = TempPath("damaged/fifo/");
    Shell("mkdir -p " + Quoted(copy) + " && cp " + Quoted(TempPath("")) + "disk.raw.001 " + Quoted(TempPath(""))
          + "disk.E0[1-4] " + Quoted(copy) + " && mkfifo " + Quoted(copy + "disk.img") + " "
          + Quoted(copy + "disk.raw.002") + " " + Quoted(copy + "disk.E05"));
    const struct {
        std::string image, error;
    } cases[] = {
        {copy + "disk.img", copy + "disk.img: a pipe, not a regular file or a block device\n"},
        {copy + "disk.raw.001", copy + "disk.raw.002: a pipe, not a regular file or a block device; the split raw "
                                       "image " + copy + "disk.raw.001 is not read\n"},
        {"/dev/zero", "/dev/zero: a character device, not a regular file or a block device\n"},
    };
    for (const auto &bad : cases) {
        CommandResult result = RunCommand("timeout 20 " + DumpCommand() + " -l --image " + Quoted(bad.image));
        EXPECT_EQ(result.exitCode, 1);
        EXPECT_EQ(result.err, "gallimaw-dump: " + bad.error);
    }
    CommandResult ewf = RunCommand("timeout 20 " + DumpCommand() + " -l --image " + Quoted(copy + "disk.E01"));
    EXPECT_EQ(ewf.exitCode, 1);
    EXPECT_EQ(ewf.err.rfind("gallimaw-dump: " + copy + "disk.E05: a pipe, not a regular file or a block device; not "
                            "read\n", 0), 0u) << ewf.err;
}

// Folders whose clusters form a ring, and a folder entry pointing back to
// the folder that holds it: each walk ends, names the loop, and reports
// every record still there.
TEST(DamagedFolders, LoopsAreNamedAndEveryRecordReported)
{
    std::vector<std::string> ring;
    for (std::string folder; ring.size() < 9;)
        ring.push_back(folder += "/f" + std::to_string(ring.size() + 1));
    FatImage ringed = MakeFat("fat-ring.img", ring, {"/index.dat", "/f1/f2/f3/index.dat", ring.back() + "/index.dat"});
    for (size_t i = 0; i < ring.size(); i++)
        ringed.Chain(ringed.ClusterOf(ring[i]), ringed.ClusterOf(ring[(i + 1) % ring.size()]));

    FatImage back = MakeFat("fat-back.img", {"/a", "/a/b", "/a/x", "/a/b/c"},
                            {"/a/index.dat", "/a/b/index.dat", "/a/b/c/index.dat", "/index.dat"});
    back.Write(back.EntryOf(back.ClusterOf("/a"), "X          ") + 26, back.ClusterOf("/a"), 2);

    for (const FatImage *image : {&ringed, &back}) {
        CommandResult result = RunCommand("timeout 20 " + DumpCommand() + " -f jsonl --image " + Quoted(image->path));
        EXPECT_EQ(result.exitCode, 1) << image->path << "\n" << result.err;
        EXPECT_NE(result.err.find("gallimaw-dump: " + image->path + ": /"), std::string::npos) << result.err;
        EXPECT_NE(result.err.find("/: a loop in the folder tree: this is the folder /"), std::string::npos) << result.err;
        EXPECT_EQ(JsonLines(result.out).size(), image->records) << image->path;
    }
    Shell("rm " + Quoted(ringed.path) + " " + Quoted(back.path));
}

// Folders nested deeper than any Windows path: named where the walk stops.
TEST(DamagedFolders, FoldersNestedTooDeepAreNamed)
{
    std::vector<std::string> nested{"/a"};
    while (nested.size() < 130)
        nested.push_back(nested.back() + "/a");
    FatImage image = MakeFat("fat-deep.img", nested, {"/index.dat"});
    CommandResult result = RunCommand(DumpCommand() + " -f jsonl --image " + Quoted(image.path));
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, "gallimaw-dump: " + image.path + ": " + nested[128] + "/: folders nested more than 128 deep; "
                          "not read\n");
    EXPECT_EQ(JsonLines(result.out).size(), image.records);
    Shell("rm " + Quoted(image.path));
}

// A file's entry with a size larger than the file system, and one whose
// start cluster lies past the last: each named with what is wrong; the
// first is read from its cluster chain, and the rest of the image as ever.
// The second's clusters, still in use, are carved as lost clusters. The
// stale cluster of a deleted folder is not judged.
TEST(DamagedFolders, DamagedEntriesAreNamed)
{
    FatImage image = MakeFat("fat-entries.img", {"/huge", "/past", "/gone"},
                             {"/huge/index.dat", "/past/index.dat", "/index.dat"});
    image.Write(image.EntryOf(image.ClusterOf("/huge"), "INDEX   DAT") + 28, 0xFFFFFF00, 4);
    image.Write(image.EntryOf(image.ClusterOf("/past"), "INDEX   DAT") + 26, 0xFF0, 2);
    uint64_t gone = image.EntryOf(image.ClusterOf("/gone"), "..         ") + 32;
    Shell("MTOOLS_SKIP_CHECK=1 mrd -i " + Quoted(image.path) + " ::/gone");
    std::string stale = "INDEX   DAT ";
    WriteAt(image.path, gone, std::vector<uint8_t>(stale.begin(), stale.end()));
    image.Write(gone + 26, 0xFF0, 2);
    for (const char *option : {"--image", "--carve"}) {
        CommandResult result = RunCommand(DumpCommand() + " -f jsonl " + option + " " + Quoted(image.path));
        EXPECT_EQ(result.exitCode, 1) << option;
        std::string where = "gallimaw-dump: " + image.path + ": ";
        EXPECT_NE(result.err.find(where + "/huge/INDEX.DAT: damaged folder entry: size 4294967040 bytes, more than "),
                  std::string::npos) << result.err;
        EXPECT_NE(result.err.find(where + "/past/INDEX.DAT: damaged folder entry: start cluster 4080 past the last "
                                  "cluster "), std::string::npos) << result.err;
        size_t read = 0, lost = 0;
        for (const json &record : JsonLines(result.out)) {
            read += record["state"] != "carved";
            lost += record["state"] == "carved" && record["source"] == "lost clusters";
        }
        EXPECT_EQ(read, image.records / 3 * 2) << option;
        EXPECT_EQ(lost, option == std::string("--carve") ? image.records / 3 : 0) << option;
        EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 2) << result.err;
    }
    Shell("rm " + Quoted(image.path));
}

} // namespace
