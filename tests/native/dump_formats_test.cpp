// gallimaw-dump's formats as a user reads them: the viewer's rows, RFC 4180
// CSV, JSON Lines and the terminal table, with full ISO 8601 times.
#include <gtest/gtest.h>

#include <time.h>

#include <fstream>
#include <sstream>

#include <nlohmann/json.hpp>

#include "dump_index_files.h"
#include "run_command.h"

using namespace gallimaw_gen;

namespace {

std::string Dump(const std::string &arguments)
{
    CommandResult result = RunCommand(DumpCommand() + " " + arguments);
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.err, "");
    return result.out;
}

std::vector<std::string> Lines(const std::string &text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// The Timesketch lines of path's first record against its jsonl object:
// one per time in descs ("" for one left out), in order.
void ExpectTimesketchLines(const std::string &path, const std::string &options, const std::vector<std::string> &descs)
{
    nlohmann::json record = nlohmann::json::parse(Lines(Dump("-f jsonl " + options + Quoted(path))).at(0));
    CommandResult timesketch = RunCommand(DumpCommand() + " -f timesketch " + options + Quoted(path));
    std::vector<nlohmann::json> lines;
    for (const std::string &text : Lines(timesketch.out))
        if (nlohmann::json line = nlohmann::json::parse(text); line["offset"] == record["offset"])
            lines.push_back(line);
    EXPECT_EQ(timesketch.err.find("--timezone") != std::string::npos, descs[1].empty()) << timesketch.err;
    std::string user = record["user"].is_null() ? "" : " (user " + record["user"].get<std::string>() + ")";
    const char *const times[] = {"accessed", "modified", "expires", "last_checked"};
    size_t n = 0;
    for (size_t t = 0; t < descs.size(); t++) {
        if (descs[t].empty())
            continue;
        ASSERT_LT(n, lines.size()) << times[t];
        const nlohmann::json &line = lines[n++];
        EXPECT_EQ(line["message"], "URL " + record["url"].get<std::string>() + user);
        std::string datetime = line["datetime"];
        EXPECT_EQ(datetime, record[times[t]].get<std::string>().substr(0, 26) + "+00:00");
        tm calendar = {};
        strptime(datetime.c_str(), "%Y-%m-%dT%H:%M:%S", &calendar);
        EXPECT_EQ(line["timestamp"], timegm(&calendar) * 1000000LL + std::stoll(datetime.substr(20, 6)));
        EXPECT_EQ(line["timestamp_desc"], descs[t]) << times[t];
        for (const auto &field : record.items())
            EXPECT_EQ(line[field.key()], field.value()) << field.key();
    }
    EXPECT_EQ(lines.size(), n);
}

} // namespace

TEST(DumpFormats, RowIsTheViewersListLineByLine)
{
    std::string first = WriteIndex("first.dat", LayoutOf({SampleRecord("http://x.example/a\tb\\c")}));
    UrlRecord noBlankLine = SampleRecord("http://y.example/");
    noBlankLine.headers = "no blank line";
    UrlRecord euro = noBlankLine;
    euro.url = "http://z.example/\x80";
    std::string second = WriteIndex("second.dat", LayoutOf({noBlankLine, euro}));

    EXPECT_EQ(Dump("--format=row " + Quoted(first) + " " + Quoted(second)),
              "16384\t183677190\t2005/08/17\thttp://x.example/a\\tb\\\\c\t256\t2012/01/02\tCACHEDIR\ta\\\\b[1].htm\t"
              "HTTP/1.1 200 OK\\r\\nX-Note: caf\xC3\xA9\t21:26:30\t03:04:05\n"
              "16384\t183677190\t2005/08/17\thttp://y.example/\t256\t2012/01/02\tCACHEDIR\ta\\\\b[1].htm\t"
              "\t21:26:30\t03:04:05\n"
              "16640\t183677190\t2005/08/17\thttp://z.example/\xE2\x82\xAC\t256\t2012/01/02\tCACHEDIR\ta\\\\b[1].htm\t"
              "\t21:26:30\t03:04:05\n");
    EXPECT_EQ(Dump(Quoted(first)), Dump("-f row " + Quoted(first))) << "row is the default";
}

// An allocated URL record, a deleted one and a REDR record, each field as
// the record holds it; the FAT date-times are whole even seconds.
TEST(DumpFormats, CsvAndJsonLinesCarryEveryField)
{
    UrlRecord quoted = SampleRecord("http://x.example/?a=1,b=\"2\"");
    quoted.accessed += 1234567; // 0.1234567 s
    UrlRecord bare = SampleRecord("http://y.example/");
    bare.headers = "none";
    bare.fileName = "";
    bare.modified = 0;
    bare.expires = 0;
    IndexLayout layout = LayoutOf({quoted, bare});
    layout.hashTables = true;
    layout.pieces[1].deleted = true;
    layout.pieces.push_back(RedirectPiece("http://moved.example/"));
    ASSERT_EQ(system(("mkdir -p " + Quoted(TempPath("Content.IE5"))).c_str()), 0);
    std::string path = WriteIndex("Content.IE5/in,dex.dat", layout);

    EXPECT_EQ(Dump("--format=csv " + Quoted(path)),
              "Kind,Index file,Offset,URL,Accessed,Modified,Size,Dir,File,HTML-Headers,Sort key,Type,State,Expires,"
              "Last checked,Hits,Cached file size,Cache dir index,Flags,Source,File state,Partial,User\r\n"
              "Cache,\"" + path + "\",20480,\"http://x.example/?a=1,b=\"\"2\"\"\",2005-08-17T21:26:30.1234567Z,"
              "2012-01-02T03:04:05.0000000Z,256,CACHEDIR,a\\b[1].htm,\"HTTP/1.1 200 OK\r\nX-Note: caf\xC3\xA9\","
              "183677190,URL,allocated,2005-09-17T21:26:30.0000000Z,2005-08-17T21:26:30.0000000Z,3,611,0,0x00101000,,,false,\r\n"
              "Cache,\"" + path + "\",20736,http://y.example/,2005-08-17T21:26:30.0000000Z,,256,CACHEDIR,,,"
              "183677190,URL,recovered,,2005-08-17T21:26:30.0000000Z,3,524,0,0x00101000,,,false,\r\n"
              "Cache,\"" + path + "\",20992,http://moved.example/,,,128,,,,,REDR,allocated,,,,,,,,,false,\r\n");

    std::string json = Dump("--format jsonl " + Quoted(path));
    EXPECT_EQ(json.substr(0, json.find('\n') + 1),
              "{\"kind\":\"Cache\",\"index_file\":\"" + path + "\",\"offset\":20480,"
              "\"url\":\"http://x.example/?a=1,b=\\\"2\\\"\",\"accessed\":\"2005-08-17T21:26:30.1234567Z\","
              "\"modified\":\"2012-01-02T03:04:05.0000000Z\",\"size\":256,\"dir\":\"CACHEDIR\","
              "\"file\":\"a\\\\b[1].htm\",\"html_headers\":\"HTTP/1.1 200 OK\\r\\nX-Note: caf\xC3\xA9\","
              "\"sort_key\":183677190,\"type\":\"URL\",\"state\":\"allocated\","
              "\"expires\":\"2005-09-17T21:26:30.0000000Z\",\"last_checked\":\"2005-08-17T21:26:30.0000000Z\","
              "\"hits\":3,\"cached_file_size\":611,\"cache_dir_index\":0,\"flags\":\"0x00101000\",\"source\":null,"
              "\"file_state\":null,\"partial\":false,\"user\":null}\n");
    EXPECT_NE(json.find("\"modified\":null,\"size\":256,\"dir\":\"CACHEDIR\",\"file\":\"\",\"html_headers\":null,"),
              std::string::npos) << json;
    EXPECT_NE(json.find("{\"kind\":\"Cache\",\"index_file\":\"" + path + "\",\"offset\":20992,"
                        "\"url\":\"http://moved.example/\",\"accessed\":null,\"modified\":null,\"size\":128,"
                        "\"dir\":null,\"file\":null,\"html_headers\":null,\"sort_key\":null,\"type\":\"REDR\","
                        "\"state\":\"allocated\",\"expires\":null,\"last_checked\":null,\"hits\":null,"
                        "\"cached_file_size\":null,\"cache_dir_index\":null,\"flags\":null,\"source\":null,\"file_state\":null,"
                        "\"partial\":false,\"user\":null}\n"),
              std::string::npos) << json;
}

TEST(DumpFormats, TimesHaveNoYearWindowAndNoCalendarLimit)
{
    UrlRecord record = SampleRecord("http://t.example/");
    record.accessed = FileTimeOf(1999, 12, 31, 23, 59, 59);
    record.modified = 1;
    record.headers = "";
    UrlRecord largest = record;
    largest.accessed = 0x7FFFFFFFFFFFFFFFull;
    largest.modified = 0x8000000000000000ull;
    std::string path = WriteIndex("times.dat", LayoutOf({record, largest}));
    std::vector<std::string> lines = Lines(Dump("-f csv " + Quoted(path)));
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_NE(lines[1].find(",1999-12-31T23:59:59.0000000Z,1601-01-01T00:00:00.0000001Z,"), std::string::npos)
        << lines[1];
    EXPECT_NE(lines[2].find(",+30828-09-14T02:48:05.4775807Z,,"), std::string::npos)
        << "beyond the calendar is empty: " << lines[2];
    EXPECT_NE(Dump("-f row " + Quoted(path)).find("\tUnknown\t"), std::string::npos) << "the viewer keeps its windows";
}

TEST(DumpFormats, TextsAreWholeWhereTheViewerCutsThem)
{
    std::string url = "http://long.example/" + std::string(5000, 'q');
    std::string path = WriteIndex("long.dat", LayoutOf({SampleRecord(url)}));
    EXPECT_NE(Dump("-f csv " + Quoted(path)).find("," + url + ","), std::string::npos);
    EXPECT_NE(Dump("-f row " + Quoted(path)).find("\t" + url.substr(0, 1023) + "\t"), std::string::npos);
}

TEST(DumpFormats, TableAlignsColumnsAndDisarmsControlCharacters)
{
    UrlRecord hostile = SampleRecord("http://e.example/\x1b]0;owned\x07\x81");
    hostile.fileName = "\xe9t\xe9.htm";
    UrlRecord plain = SampleRecord("http://p.example/");
    plain.accessed = 0;
    std::string path = WriteIndex("table.dat", LayoutOf({hostile, plain}));
    std::vector<std::string> lines = Lines(Dump("--format=table " + Quoted(path)));
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], "Index file 1: Cache, " + path) << "the records tell the kind";
    EXPECT_EQ(lines[1].rfind("  #  Kind         Offset  Type  State      Accessed              Modified", 0), 0u)
        << lines[1];
    EXPECT_EQ(lines[2].find('\x1b'), std::string::npos);
    EXPECT_NE(lines[2].find("http://e.example/\\x1b]0;owned\\x07\\x81  HTTP/1.1 200 OK\\r\\nX-Note: caf\xC3\xA9"),
              std::string::npos) << lines[2];
    // The URL column starts at the same character on every line.
    size_t urlColumn = lines[1].find("URL");
    EXPECT_EQ(lines[3].find("http://p.example/"), urlColumn);
    size_t accentBytes = 2;
    EXPECT_EQ(lines[2].find("http://e.example/"), urlColumn + accentBytes) << "é is one column, two bytes";
    EXPECT_NE(lines[3].find("16640  URL   recovered                        2012-01-02T03:04:05Z"), std::string::npos)
        << "an absent time is a blank cell: " << lines[3];
}

// The body file goes through the real mactime: each time becomes a
// timeline line with the record's kind, type, state and URL, and mactime
// decodes the escapes that keep its field separator out of the name.
TEST(DumpFormats, BodyfileMakesAMactimeTimeline)
{
    IndexLayout layout = LayoutOf({SampleRecord("http://x.example/a|b%7C")});
    layout.hashTables = true;
    layout.pieces.push_back(RedirectPiece("http://moved.example/"));
    ASSERT_EQ(system(("mkdir -p " + Quoted(TempPath("Cookies"))).c_str()), 0);
    std::string path = WriteIndex("Cookies/index.dat", layout);
    std::string body = TempPath("body.txt");
    std::ofstream(body) << Dump("-f bodyfile " + Quoted(path));
    CommandResult timeline = RunCommand("TZ=UTC mactime -b " + Quoted(body) + " -d -y 2000-01-01..2030-01-01");
    ASSERT_EQ(timeline.exitCode, 0) << timeline.err;
    std::string name = "\"Cookies URL allocated: http://x.example/a|b%7C in " + path + "\"";
    EXPECT_EQ(timeline.out, "Date,Size,Type,Mode,UID,GID,Meta,File Name\n"
                            "2005-08-17T21:26:30Z,611,.ac.,0,0,0,20480," + name + "\n"
                            "2012-01-02T03:04:05Z,611,m...,0,0,0,20480," + name + "\n");
}

// A Timesketch line for each time a record holds, named as plaso names it
// for the file's kind; a local modified time waits for --timezone, and a
// REDR record, without times, gives none.
TEST(DumpFormats, TimesketchGivesEachTimeALine)
{
    IndexLayout layout = LayoutOf({SampleRecord("http://x.example/")});
    layout.pieces.push_back(RedirectPiece("http://moved.example/"));
    std::string cache = WriteIndex("cache.dat", layout);
    ExpectTimesketchLines(cache, "", {"Last Access Time", "Content Modification Time", "Expiration Time", "Last Checked Time"});
    EXPECT_EQ(Dump("-f timesketch " + Quoted(cache)).find("REDR"), std::string::npos);
    std::string daily = Env("GALLIMAW_FIXTURES") + "/history-daily-2013031020130311.dat";
    ExpectTimesketchLines(daily, "", {"Last Visited Time", "", "Expiration Time", "Last Checked Time"});
    ExpectTimesketchLines(daily, "--timezone=Europe/Amsterdam ",
                          {"Last Visited Time", "Last Visited Time", "Expiration Time", "Last Checked Time"});
    ASSERT_EQ(system(("mkdir -p " + Quoted(TempPath("History"))).c_str()), 0);
    std::string weekly = WriteIndex("History/index.dat", LayoutOf({SampleRecord(":2013030420130311: ann@http://w.example/")}));
    ExpectTimesketchLines(weekly, "--timezone=UTC ",
                          {"Creation Time", "Last Visited Time", "Expiration Time", "Last Checked Time"});
}
