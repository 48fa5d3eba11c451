// gallimaw-dump's formats as a user reads them: the viewer's rows, RFC 4180
// CSV, JSON Lines and the terminal table, with full ISO 8601 times.
#include <gtest/gtest.h>

#include <sstream>

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

TEST(DumpFormats, CsvAndJsonLinesCarryEveryField)
{
    UrlRecord quoted = SampleRecord("http://x.example/?a=1,b=\"2\"");
    quoted.accessed += 1234567; // 0.1234567 s
    UrlRecord bare = SampleRecord("http://y.example/");
    bare.headers = "none";
    bare.fileName = "";
    bare.modified = 0;
    ASSERT_EQ(system(("mkdir -p " + Quoted(TempPath("Content.IE5"))).c_str()), 0);
    std::string path = WriteIndex("Content.IE5/in,dex.dat", LayoutOf({quoted, bare}));

    EXPECT_EQ(Dump("--format=csv " + Quoted(path)),
              "Kind,Index file,Offset,URL,Accessed,Modified,Size,Dir,File,HTML-Headers,Sort key\r\n"
              "Cache,\"" + path + "\",16384,\"http://x.example/?a=1,b=\"\"2\"\"\",2005-08-17T21:26:30.1234567Z,"
              "2012-01-02T03:04:05.0000000Z,256,CACHEDIR,a\\b[1].htm,\"HTTP/1.1 200 OK\r\nX-Note: caf\xC3\xA9\","
              "183677190\r\n"
              "Cache,\"" + path + "\",16640,http://y.example/,2005-08-17T21:26:30.0000000Z,,256,CACHEDIR,,,"
              "183677190\r\n");

    EXPECT_EQ(Dump("--format jsonl " + Quoted(path)),
              "{\"kind\":\"Cache\",\"index_file\":\"" + path + "\",\"offset\":16384,"
              "\"url\":\"http://x.example/?a=1,b=\\\"2\\\"\",\"accessed\":\"2005-08-17T21:26:30.1234567Z\","
              "\"modified\":\"2012-01-02T03:04:05.0000000Z\",\"size\":256,\"dir\":\"CACHEDIR\","
              "\"file\":\"a\\\\b[1].htm\",\"html_headers\":\"HTTP/1.1 200 OK\\r\\nX-Note: caf\xC3\xA9\","
              "\"sort_key\":183677190}\n"
              "{\"kind\":\"Cache\",\"index_file\":\"" + path + "\",\"offset\":16640,\"url\":\"http://y.example/\","
              "\"accessed\":\"2005-08-17T21:26:30.0000000Z\",\"modified\":null,\"size\":256,\"dir\":\"CACHEDIR\","
              "\"file\":\"\",\"html_headers\":null,\"sort_key\":183677190}\n");
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
    EXPECT_EQ(lines[0], "Index file 1: kind unknown, " + path);
    EXPECT_EQ(lines[1].rfind("  #  Kind         Offset  Accessed              Modified", 0), 0u) << lines[1];
    EXPECT_EQ(lines[2].find('\x1b'), std::string::npos);
    EXPECT_NE(lines[2].find("http://e.example/\\x1b]0;owned\\x07\\x81  HTTP/1.1 200 OK\\r\\nX-Note: caf\xC3\xA9"),
              std::string::npos) << lines[2];
    // The URL column starts at the same character on every line.
    size_t urlColumn = lines[1].find("URL");
    EXPECT_EQ(lines[3].find("http://p.example/"), urlColumn);
    size_t accentBytes = 2;
    EXPECT_EQ(lines[2].find("http://e.example/"), urlColumn + accentBytes) << "é is one column, two bytes";
    EXPECT_NE(lines[3].find("16640                        2012-01-02T03:04:05Z"), std::string::npos)
        << "an absent time is a blank cell: " << lines[3];
}
