// gallimaw-dump against the peer parsers pasco and msiecfexport on the real
// index files, and on files gallimaw-gen writes for every kind and layout:
// every URL, LEAK and REDR record msiecfexport reports is exported with the
// same type, state, URL, times, file name and directory, every record pasco
// reports likewise, and every URL record is among the viewer's rows with
// the same columns.
//
// Allowed differences, each checked rather than skipped:
// - Years outside 2001-2099 show "Unknown" in the viewer's rows; then the
//   full time is compared
//   through a second path, the FILETIME at the row's offset converted by
//   the decoder, and the accessed time also through the Sort key, which
//   keeps the two-digit year.
// - Time formats differ (pasco "MM/DD/YYYY HH:MM:SS", msiecfexport
//   "Mon DD, YYYY HH:MM:SS.fraction"); the viewer drops fractions of a
//   second; a zero time, which both peers leave out, is 1601-01-01 00:00:00
//   in the viewer and null in jsonl.
// - The exported formats (jsonl, and csv, which must say the same) carry
//   full ISO 8601 UTC times with 100 ns digits and no year window. They
//   are compared exactly: with msiecfexport's nanoseconds (whose last two
//   digits are always 00, FILETIME counting 100 ns), to the second where a
//   peer prints no fraction (pasco; msiecfexport's FAT date-times, which
//   hold whole seconds). All three give the stored times with no time-zone
//   adjustment; pasco runs with TZ=UTC because it converts through the
//   local time zone. Daily history files store local modified times in
//   their records; all three print them as stored, gallimaw-dump without
//   the Z.
// - msiecfexport prints "Never" for an expiration time of all one bits; as
//   a FAT date-time that names no date, it is null in jsonl.
// - msiecfexport prints only the file name and directory of a LEAK record;
//   its other fields are compared where the other peers show them.
// - msiecfexport reads the file in 128-byte blocks; a record that starts
//   off that grid (after unrecognised bytes) is found only by this scan,
//   and by pasco, which follows the hash table's pointers to it.
// - A recovered record ends where a later record on the 128-byte grid
//   takes its blocks over; it is then "partial" to msiecfexport and to
//   gallimaw-dump alike, and both records are viewer rows.
// - msiecfexport tells allocated records ("items") from recovered ones by
//   the allocation bitmap alone; gallimaw-dump also asks that the hash
//   tables or the leak list reach the record. On every file here the two
//   agree. pasco lists what the hash tables reach: each is allocated.
// - pasco walks the hash tables in hash order; its records are matched by
//   content, not by position.
#include <gtest/gtest.h>

#include <dirent.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>

#include <nlohmann/json.hpp>

#include "run_command.h"
#include "format/filetime.h"
#include "format/index_format.h"

namespace {

struct Time {
    int year = 1601, month = 1, day = 1, hour = 0, minute = 0, second = 0;
    bool set = false;
    std::string fraction; // digits after the second, as the peer printed them
};

enum class Peer { Msiecfexport, Pasco };

struct PeerRecord {
    Peer peer = Peer::Msiecfexport;
    std::string type = "URL";
    uint64_t offset = 0; // msiecfexport only
    bool partial = false, recovered = false;
    std::string url, fileName, directory;
    int directoryIndex = -1; // msiecfexport only
    Time modified, accessed, expires, lastChecked;
    bool neverExpires = false;
};

struct Row {
    uint64_t offset = 0;
    uint32_t sortKey = 0;
    std::vector<std::string> columns;
};

std::vector<std::string> Split(const std::string &text, char separator)
{
    std::vector<std::string> parts;
    std::string part;
    std::istringstream in(text);
    while (std::getline(in, part, separator))
        parts.push_back(part);
    if (!text.empty() && text.back() == separator)
        parts.push_back("");
    return parts;
}

std::string Unescape(const std::string &text)
{
    std::string out;
    for (size_t i = 0; i < text.size(); i++) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            out += text[i];
            continue;
        }
        char c = text[++i];
        out += c == 't' ? '\t' : c == 'r' ? '\r' : c == 'n' ? '\n' : c;
    }
    return out;
}

std::vector<Row> DumpRows(const std::string &file)
{
    CommandResult result = RunCommand(Quoted(Env("GALLIMAW_BUILD") + "/dump/gallimaw-dump") + " --format=row " + Quoted(file));
    EXPECT_EQ(result.exitCode, 0) << result.err;
    std::vector<Row> rows;
    for (const std::string &line : Split(result.out, '\n')) {
        std::vector<std::string> fields = Split(line, '\t');
        if (line.empty())
            continue;
        EXPECT_EQ(fields.size(), 11u) << line;
        if (fields.size() != 11)
            continue;
        Row row;
        row.offset = std::stoull(fields[0]);
        row.sortKey = static_cast<uint32_t>(std::stoul(fields[1]));
        for (size_t i = 2; i < fields.size(); i++)
            row.columns.push_back(Unescape(fields[i]));
        rows.push_back(row);
    }
    return rows;
}

// "Aug 25, 2015 11:05:20.262000000"
Time ParseMsiecfTime(const std::string &text)
{
    static const char kMonths[] = "JanFebMarAprMayJunJulAugSepOctNovDec";
    Time time;
    char month[4] = "";
    EXPECT_EQ(std::sscanf(text.c_str(), "%3s %d, %d %d:%d:%d", month, &time.day, &time.year, &time.hour, &time.minute,
                          &time.second), 6) << text;
    time.month = static_cast<int>(std::string(kMonths).find(month) / 3 + 1);
    time.set = true;
    size_t dot = text.rfind('.');
    time.fraction = dot == std::string::npos ? "" : text.substr(dot + 1);
    return time;
}

// "10/19/2013 01:08:06", or empty for a zero time.
Time ParsePascoTime(const std::string &text)
{
    Time time;
    time.set = !text.empty();
    if (time.set)
        EXPECT_EQ(std::sscanf(text.c_str(), "%d/%d/%d %d:%d:%d", &time.month, &time.day, &time.year, &time.hour,
                              &time.minute, &time.second), 6) << text;
    return time;
}

std::string FieldValue(const std::string &line)
{
    size_t colon = line.find(": ");
    return colon == std::string::npos ? "" : line.substr(colon + 2);
}

// "0 (0x00)(ENG3X4ZR)" or "1 (0x01) (ENG3X4ZR)"; no name when the index
// names no directory.
void ParseDirectory(const std::string &value, PeerRecord *record)
{
    size_t hex = value.find("(0x");
    record->directoryIndex = static_cast<int>(std::stoul(value.substr(hex + 1), nullptr, 16));
    size_t open = value.rfind('(');
    std::string last = value.substr(open + 1, value.size() - open - 2);
    record->directory = last.rfind("0x", 0) == 0 ? "" : last;
}

std::vector<PeerRecord> MsiecfRecords(const std::string &file)
{
    CommandResult result = RunCommand("msiecfexport -m all " + Quoted(file));
    EXPECT_EQ(result.exitCode, 0) << result.err;
    std::vector<PeerRecord> records;
    bool recovered = false;
    for (const std::string &line : Split(result.out, '\n')) {
        std::string value = FieldValue(line);
        if (line.rfind("Exporting recovered items", 0) == 0) {
            recovered = true;
        } else if (line.rfind("Record type", 0) == 0) {
            records.emplace_back();
            records.back().type = value;
            records.back().recovered = recovered;
        } else if (records.empty()) {
            continue;
        } else if (line.rfind("Offset range", 0) == 0) {
            records.back().offset = std::stoull(value);
            records.back().partial = value.find("(partial)") != std::string::npos;
        } else if (line.rfind("Location", 0) == 0) {
            records.back().url = value;
        } else if (line.rfind("Primary time", 0) == 0) {
            records.back().accessed = ParseMsiecfTime(value);
        } else if (line.rfind("Secondary time", 0) == 0) {
            records.back().modified = ParseMsiecfTime(value);
        } else if (line.rfind("Expiration time", 0) == 0) {
            records.back().neverExpires = value == "Never";
            if (!records.back().neverExpires)
                records.back().expires = ParseMsiecfTime(value);
        } else if (line.rfind("Last checked time", 0) == 0) {
            records.back().lastChecked = ParseMsiecfTime(value);
        } else if (line.rfind("Filename", 0) == 0) {
            records.back().fileName = value;
        } else if (line.rfind("Cache directory index", 0) == 0) {
            ParseDirectory(value, &records.back());
        }
    }
    return records;
}

std::vector<PeerRecord> MsiecfUrlRecords(const std::string &file)
{
    std::vector<PeerRecord> urls;
    for (const PeerRecord &record : MsiecfRecords(file))
        if (record.type == "URL")
            urls.push_back(record);
    return urls;
}

std::vector<PeerRecord> PascoRecords(const std::string &file)
{
    CommandResult result = RunCommand("TZ=UTC pasco " + Quoted(file));
    EXPECT_EQ(result.exitCode, 0) << result.err;
    std::vector<PeerRecord> records;
    for (const std::string &line : Split(result.out, '\n')) {
        std::vector<std::string> fields = Split(line, '\t');
        if (fields.size() < 6 || (fields[0] != "URL" && fields[0] != "REDR"))
            continue;
        PeerRecord record;
        record.peer = Peer::Pasco;
        record.type = fields[0];
        record.url = fields[1];
        record.modified = ParsePascoTime(fields[2]);
        record.accessed = ParsePascoTime(fields[3]);
        record.fileName = fields[4];
        record.directory = fields[5];
        records.push_back(record);
    }
    return records;
}

std::string Format(const char *format, int a, int b, int c)
{
    char text[32];
    std::snprintf(text, sizeof text, format, a, b, c);
    return text;
}

// Differences between one row's time and a peer's, or "" when they agree.
std::string CompareTime(const Row &row, const IndexImage &image, bool accessed, const Time &peer)
{
    std::string problems;
    int dateColumn = accessed ? 0 : 3, timeColumn = accessed ? 7 : 8;
    bool shown = peer.year >= 2001 && peer.year <= 2099;
    std::string date = shown ? Format("%4d/%02d/%02d", peer.year, peer.month, peer.day) : "Unknown";
    std::string clock = shown ? Format("%02d:%02d:%02d", peer.hour, peer.minute, peer.second) : "Unknown";
    if (row.columns[dateColumn] != date || row.columns[timeColumn] != clock)
        problems += " columns " + row.columns[dateColumn] + " " + row.columns[timeColumn] + " vs " + date + " " + clock;

    CalendarTime full;
    uint64_t fileTime = ReadImageU64(&image, row.offset + (accessed ? URL_FIELD_ACCESSED : URL_FIELD_MODIFIED));
    if (!FileTimeToCalendar(fileTime, &full) || full.year != peer.year || full.month != peer.month
        || full.day != peer.day || full.hour != peer.hour || full.minute != peer.minute || full.second != peer.second)
        problems += " full time differs";
    if (accessed) {
        uint32_t key = static_cast<uint32_t>(peer.year % 100) * 12 + static_cast<uint32_t>(peer.month);
        key = ((key * 31 + static_cast<uint32_t>(peer.day)) * 24 + static_cast<uint32_t>(peer.hour)) * 3600
              + static_cast<uint32_t>(peer.minute * 60 + peer.second);
        if (row.sortKey != key)
            problems += " sort key " + std::to_string(row.sortKey) + " vs " + std::to_string(key);
    }
    return problems;
}

// The ISO 8601 text gallimaw-dump must export for a peer's time: to the
// second for pasco, with msiecfexport's fraction in 100 ns digits.
std::string ExpectedIso(const Time &peer)
{
    if (!peer.set)
        return "null";
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d", peer.year, peer.month, peer.day, peer.hour,
                  peer.minute, peer.second);
    std::string fraction = peer.fraction;
    if (fraction.size() == 9 && fraction.substr(7) == "00")
        fraction.resize(7);
    return text + (fraction.empty() ? "" : "." + fraction) + "Z";
}

std::string CompareIso(const std::string &exported, const Time &peer)
{
    std::string ours = exported;
    // pasco prints whole seconds.
    if (peer.set && peer.fraction.empty() && ours.size() > 20)
        ours = ours.substr(0, 19) + "Z";
    return ours == ExpectedIso(peer) ? "" : " " + exported + " vs " + ExpectedIso(peer);
}

std::string JsonText(const nlohmann::json &value)
{
    return value.is_null() ? "null" : value.is_string() ? value.get<std::string>() : value.dump();
}

// The exported record against a peer's: type, state, whole texts and full
// times, each where the peer shows it.
std::string CompareExported(const nlohmann::json &exported, const PeerRecord &peer)
{
    std::string problems;
    auto differs = [&](const char *key, const std::string &expected) {
        if (JsonText(exported[key]) != expected)
            problems += std::string(" ") + key + " " + JsonText(exported[key]) + " vs " + expected;
    };
    bool msiecf = peer.peer == Peer::Msiecfexport;
    differs("type", peer.type);
    if (msiecf) {
        differs("state", peer.recovered ? "recovered" : "allocated");
        differs("partial", peer.partial ? "true" : "false");
    } else
        differs("state", "allocated");
    if (!(msiecf && peer.type == "LEAK"))
        differs("url", peer.url);
    if (peer.type == "REDR")
        return problems;
    differs("file", peer.fileName);
    differs("dir", peer.directory);
    const struct {
        const char *key;
        const Time &time;
        bool shown;
    } kTimes[] = {{"accessed", peer.accessed, peer.type == "URL"}, {"modified", peer.modified, peer.type == "URL"},
                  {"expires", peer.expires, msiecf && peer.type == "URL"},
                  {"last_checked", peer.lastChecked, msiecf && peer.type == "URL"}};
    for (const auto &time : kTimes) {
        std::string text = JsonText(exported[time.key]);
        if (time.key == std::string("modified") && peer.url.rfind(":20", 0) == 0 && text != "null")
            text += "Z";
        std::string difference = time.shown ? CompareIso(text, time.time) : "";
        if (!difference.empty())
            problems += std::string(" ") + time.key + difference;
    }
    if (msiecf)
        differs("cache_dir_index", std::to_string(peer.directoryIndex));
    return problems;
}

// A viewer row against a peer's URL record.
std::string CompareRow(const Row &row, const IndexImage &image, const PeerRecord &peer)
{
    std::string problems;
    if (row.columns[1] != peer.url)
        problems += " URL " + row.columns[1];
    if (row.columns[5] != peer.fileName)
        problems += " file name " + row.columns[5] + " vs " + peer.fileName;
    if (row.columns[4] != peer.directory)
        problems += " directory " + row.columns[4] + " vs " + peer.directory;
    std::string accessed = CompareTime(row, image, true, peer.accessed);
    std::string modified = CompareTime(row, image, false, peer.modified);
    if (!accessed.empty())
        problems += " accessed:" + accessed;
    if (!modified.empty())
        problems += " modified:" + modified;
    return problems;
}

std::vector<nlohmann::json> DumpJsonLines(const std::string &file, const std::string &options = "")
{
    CommandResult result = RunCommand(Quoted(Env("GALLIMAW_BUILD") + "/dump/gallimaw-dump") + " --format=jsonl "
                                      + options + Quoted(file));
    EXPECT_EQ(result.exitCode, 0) << result.err;
    std::vector<nlohmann::json> records;
    for (const std::string &line : Split(result.out, '\n'))
        if (!line.empty())
            records.push_back(nlohmann::json::parse(line));
    return records;
}

// RFC 4180 records: quoted fields may hold commas, quotes and line ends.
std::vector<std::vector<std::string>> ParseCsv(const std::string &text)
{
    std::vector<std::vector<std::string>> records(1, std::vector<std::string>(1));
    bool quoted = false;
    for (size_t i = 0; i < text.size(); i++) {
        char c = text[i];
        std::string &field = records.back().back();
        if (quoted && c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
            field += '"';
            i++;
        } else if (c == '"') {
            quoted = !quoted;
        } else if (!quoted && c == ',') {
            records.back().emplace_back();
        } else if (!quoted && c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            records.emplace_back(1);
            i++;
        } else {
            field += c;
        }
    }
    if (records.back().size() == 1 && records.back()[0].empty())
        records.pop_back();
    return records;
}

std::vector<std::string> Fixtures()
{
    std::vector<std::string> files;
    std::string folder = Env("GALLIMAW_FIXTURES");
    if (DIR *dir = opendir(folder.c_str())) {
        while (dirent *entry = readdir(dir)) {
            std::string name = entry->d_name;
            if (name.size() > 4 && name.substr(name.size() - 4) == ".dat")
                files.push_back(folder + "/" + name);
        }
        closedir(dir);
    }
    return files;
}

std::vector<std::string> GeneratedFiles()
{
    std::vector<std::string> names;
    for (const char *kind : {"cache", "cookies", "history"})
        for (const char *version : {"5", "4"})
            names.push_back(std::string("generated-") + kind + "-v" + version);
    // Unrecognised bytes between records put most of them off the block grid.
    names.push_back("generated-cache-v5-junk");
    names.push_back("generated-history-v4-junk");
    return names;
}

// Writes a generated file for a "generated-KIND-vN[-junk]" parameter.
std::string IndexFileFor(const std::string &param)
{
    if (param.rfind("generated-", 0) != 0)
        return param;
    std::vector<std::string> parts = Split(param, '-');
    std::string path = TempPath(param + ".dat");
    CommandResult result = RunCommand(Quoted(Env("GALLIMAW_BUILD") + "/gen/gallimaw-gen") + " --kind " + parts[1]
                                      + " --records 700 --seed 3 --version " + parts[2].substr(1)
                                      + (parts.size() > 3 ? " --junk " : " ") + Quoted(path));
    EXPECT_EQ(result.exitCode, 0) << result.err;
    return path;
}

class Conformance : public ::testing::TestWithParam<std::string> {
protected:
    void SetUp() override
    {
        path = IndexFileFor(GetParam());
        std::ifstream in(path, std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        ASSERT_FALSE(bytes.empty()) << path;
        OpenIndexImage(&image, bytes.data(), bytes.size());
        rows = DumpRows(path);
        for (size_t i = 0; i < rows.size(); i++)
            rowAt[rows[i].offset] = i;
        for (const nlohmann::json &record : DumpJsonLines(path))
            exportedAt[record["offset"].get<uint64_t>()] = record;
        for (const Row &row : rows)
            EXPECT_EQ(JsonText(exportedAt[row.offset]["type"]), "URL") << "every viewer row is exported, at " << row.offset;
    }

    std::string path;
    std::vector<uint8_t> bytes;
    IndexImage image;
    std::vector<Row> rows;
    std::map<uint64_t, size_t> rowAt;
    std::map<uint64_t, nlohmann::json> exportedAt;
};

} // namespace

TEST_P(Conformance, EveryMsiecfexportRecordIsExportedWithItsState)
{
    std::vector<PeerRecord> peers = MsiecfRecords(path);
    ASSERT_FALSE(peers.empty());
    std::map<uint64_t, bool> reported;
    for (const PeerRecord &peer : peers) {
        reported[peer.offset] = true;
        auto found = exportedAt.find(peer.offset);
        ASSERT_NE(found, exportedAt.end()) << peer.type << " " << peer.url << " at " << peer.offset;
        EXPECT_EQ(CompareExported(found->second, peer), "") << peer.url << " at " << peer.offset;
    }
    // msiecfexport reads 128-byte blocks; this scan finds records at any
    // byte offset, and only those may be missing from its report.
    for (const auto &exported : exportedAt)
        if (!reported.count(exported.first))
            EXPECT_NE(exported.first % 128, 0u) << "record at " << exported.first << " is no record to msiecfexport";
}

TEST_P(Conformance, EveryMsiecfexportUrlRecordIsAViewerRow)
{
    std::vector<PeerRecord> peers = MsiecfUrlRecords(path);
    ASSERT_FALSE(peers.empty());
    std::map<uint64_t, bool> reported;
    for (const PeerRecord &peer : peers) {
        reported[peer.offset] = true;
        auto found = rowAt.find(peer.offset);
        ASSERT_NE(found, rowAt.end()) << "no row for " << peer.url << " at " << peer.offset;
        EXPECT_EQ(CompareRow(rows[found->second], image, peer), "") << peer.url << " at " << peer.offset;
    }
    size_t offGrid = 0;
    for (const Row &row : rows) {
        if (reported.count(row.offset))
            continue;
        EXPECT_NE(row.offset % 128, 0u) << "row at " << row.offset << " is no URL record to msiecfexport";
        offGrid++;
    }
    EXPECT_EQ(rows.size() - offGrid, peers.size());
}

TEST_P(Conformance, EveryPascoRecordIsExportedAndEveryUrlOneAViewerRow)
{
    std::vector<PeerRecord> peers = PascoRecords(path);
    ASSERT_FALSE(peers.empty());
    std::map<uint64_t, bool> used;
    std::vector<bool> rowUsed(rows.size());
    for (const PeerRecord &peer : peers) {
        std::string problems = "nothing exported with this URL";
        bool matched = false;
        for (auto exported = exportedAt.begin(); exported != exportedAt.end() && !matched; ++exported) {
            if (used[exported->first] || JsonText(exported->second["url"]) != peer.url)
                continue;
            problems = CompareExported(exported->second, peer);
            matched = used[exported->first] = problems.empty();
        }
        EXPECT_TRUE(matched) << peer.type << " " << peer.url << ":" << problems;
        if (peer.type != "URL")
            continue;
        problems = "no row with this URL";
        matched = false;
        for (size_t i = 0; i < rows.size() && !matched; i++) {
            if (rowUsed[i] || rows[i].columns[1] != peer.url)
                continue;
            problems = CompareRow(rows[i], image, peer);
            matched = rowUsed[i] = problems.empty();
        }
        EXPECT_TRUE(matched) << peer.url << ":" << problems;
    }
}

TEST_P(Conformance, CsvSaysWhatJsonLinesSay)
{
    static const char *const kKeys[] = {"kind", "index_file", "offset", "url", "accessed", "modified", "size",
                                        "dir", "file", "html_headers", "sort_key", "type", "state", "expires",
                                        "last_checked", "hits", "cached_file_size", "cache_dir_index", "flags", "source",
                                        "file_state", "partial", "user"};
    CommandResult csv = RunCommand(Quoted(Env("GALLIMAW_BUILD") + "/dump/gallimaw-dump") + " --format=csv "
                                   + Quoted(path));
    ASSERT_EQ(csv.exitCode, 0) << csv.err;
    std::vector<std::vector<std::string>> records = ParseCsv(csv.out);
    std::vector<nlohmann::json> json = DumpJsonLines(path);
    ASSERT_EQ(records.size(), json.size() + 1);
    for (size_t r = 0; r < json.size(); r++) {
        ASSERT_EQ(records[r + 1].size(), std::size(kKeys)) << "record " << r;
        for (size_t f = 0; f < std::size(kKeys); f++) {
            std::string expected = json[r][kKeys[f]].is_null() ? "" : JsonText(json[r][kKeys[f]]);
            EXPECT_EQ(records[r + 1][f], expected) << kKeys[f] << " of record " << r;
        }
    }
}

std::string ParamName(const ::testing::TestParamInfo<std::string> &info)
{
    std::string name = info.param.substr(info.param.rfind('/') + 1);
    if (name.size() > 4 && name.substr(name.size() - 4) == ".dat")
        name = name.substr(0, name.size() - 4);
    for (char &c : name)
        if (!isalnum(static_cast<unsigned char>(c)))
            c = '_';
    return name;
}

INSTANTIATE_TEST_SUITE_P(Fixtures, Conformance, ::testing::ValuesIn(Fixtures()), ParamName);
INSTANTIATE_TEST_SUITE_P(Generated, Conformance, ::testing::ValuesIn(GeneratedFiles()), ParamName);


TEST(ConformanceFixtures, AllFourArePresent)
{
    EXPECT_EQ(Fixtures().size(), 4u) << Env("GALLIMAW_FIXTURES");
}

// In the large cache file a stale record at 93952 still claims three
// blocks over the live one at 94208: both are listed, and the stale one
// ends where the live one begins.
TEST(ConformanceFixtures, LiveRecordUnderAStaleOneIsListedAndTheStaleOneCutShort)
{
    std::string path = Env("GALLIMAW_FIXTURES") + "/cache-large.dat";
    std::vector<Row> rows = DumpRows(path);
    EXPECT_EQ(rows.size(), 992u);
    EXPECT_TRUE(std::any_of(rows.begin(), rows.end(), [](const Row &row) { return row.offset == 94208; }));
    std::map<uint64_t, nlohmann::json> records;
    for (const nlohmann::json &record : DumpJsonLines(path))
        records[record["offset"].get<uint64_t>()] = record;
    EXPECT_EQ(records[94208]["state"], "allocated");
    EXPECT_EQ(records[94208]["partial"], false);
    EXPECT_EQ(records[93952]["partial"], true);
    EXPECT_EQ(JsonText(records[93952]["html_headers"]).find("URL "), std::string::npos);
}

// Daily history keeps its modified times in local time, an hour ahead of
// the UTC access times in this file: written without a zone, converted by
// --timezone, left out of the body file with a note. Its path names no
// History folder; its records tell the kind.
TEST(ConformanceFixtures, DailyHistoryModifiedTimesAreLocal)
{
    std::string path = Env("GALLIMAW_FIXTURES") + "/history-daily-2013031020130311.dat";
    std::vector<nlohmann::json> plain = DumpJsonLines(path), converted = DumpJsonLines(path, "--timezone=Europe/Amsterdam ");
    ASSERT_EQ(plain.size(), converted.size());
    size_t urls = 0;
    for (size_t i = 0; i < plain.size(); i++) {
        EXPECT_EQ(plain[i]["kind"], "History");
        if (plain[i]["type"] != "URL")
            continue;
        urls++;
        std::string local = JsonText(plain[i]["modified"]), accessed = JsonText(plain[i]["accessed"]);
        EXPECT_NE(local.back(), 'Z') << "no zone on a local time";
        EXPECT_EQ(converted[i]["modified"], accessed);
        EXPECT_EQ(plain[i]["user"], "-");
    }
    EXPECT_EQ(urls, 23u);
    CommandResult body = RunCommand(Quoted(Env("GALLIMAW_BUILD") + "/dump/gallimaw-dump") + " -f bodyfile "
                                    + Quoted(path));
    for (const std::string &line : Split(body.out, '\n')) {
        std::vector<std::string> fields = Split(line, '|');
        if (line.empty())
            continue;
        ASSERT_EQ(fields.size(), 11u) << line;
        EXPECT_EQ(fields[8], "0") << line;
    }
    EXPECT_NE(body.err.find("--timezone"), std::string::npos);
}

TEST(ConformanceFixtures, UsersAsTheRecordsNameThem)
{
    std::string folder = Env("GALLIMAW_FIXTURES");
    EXPECT_EQ(DumpJsonLines(folder + "/history-ie5.dat").at(0)["user"], "gold_administrator");
    std::vector<nlohmann::json> cache = DumpJsonLines(folder + "/cache-large.dat");
    EXPECT_EQ(cache.at(0)["user"], "nfury");
    EXPECT_TRUE(std::any_of(cache.begin(), cache.end(), [](const nlohmann::json &r) { return r["user"].is_null(); }));
}
