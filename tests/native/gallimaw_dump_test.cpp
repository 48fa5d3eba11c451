// gallimaw-dump as a user runs it: one escaped line per record, errors on
// stderr, the other files still printed.
#include <gtest/gtest.h>

#include <algorithm>

#include "run_command.h"
#include "tools/index_generator.h"

using namespace gallimaw_gen;

namespace {

std::string Dump()
{
    return Quoted(Env("GALLIMAW_BUILD") + "/tools/gallimaw-dump");
}

std::string WriteIndex(const std::string &name, const IndexLayout &layout)
{
    std::string path = TempPath(name), error;
    EXPECT_TRUE(WriteIndexFile(path, BuildIndex(layout), &error)) << error;
    return path;
}

IndexLayout OneRecord(const std::string &url)
{
    UrlRecord record;
    record.url = url;
    record.fileName = "a\\b[1].htm";
    record.headers = "HTTP/1.1 200 OK\r\nX-Note: caf\xE9\r\n\r\n";
    record.accessed = FileTimeOf(2005, 8, 17, 21, 26, 30);
    record.modified = FileTimeOf(2012, 1, 2, 3, 4, 5);
    IndexLayout layout;
    layout.directories = {"CACHEDIR"};
    layout.hashTables = false;
    layout.pieces = {UrlPiece(record)};
    return layout;
}

} // namespace

TEST(GallimawDump, PrintsEscapedRowsInFileOrder)
{
    std::string first = WriteIndex("first.dat", OneRecord("http://x.example/a\tb\\c"));
    IndexLayout second = OneRecord("http://y.example/");
    second.pieces[0].record.headers = "no blank line";
    second.pieces.push_back(second.pieces[0]);
    second.pieces[1].record.url = "http://z.example/\x80";
    std::string secondPath = WriteIndex("second.dat", second);

    CommandResult result = RunCommand(Dump() + " --format=row " + Quoted(first) + " " + Quoted(secondPath));
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.out,
              "16384\t183677190\t2005/08/17\thttp://x.example/a\\tb\\\\c\t256\t2012/01/02\tCACHEDIR\ta\\\\b[1].htm\t"
              "HTTP/1.1 200 OK\\r\\nX-Note: caf\xC3\xA9\t21:26:30\t03:04:05\n"
              "16384\t183677190\t2005/08/17\thttp://y.example/\t256\t2012/01/02\tCACHEDIR\ta\\\\b[1].htm\t"
              "\t21:26:30\t03:04:05\n"
              "16640\t183677190\t2005/08/17\thttp://z.example/\xE2\x82\xAC\t256\t2012/01/02\tCACHEDIR\ta\\\\b[1].htm\t"
              "\t21:26:30\t03:04:05\n");
}

TEST(GallimawDump, ReportsFilesItCannotReadAndGoesOn)
{
    std::string good = WriteIndex("good.dat", OneRecord("http://good.example/"));
    std::string empty = TempPath("empty.dat");
    ASSERT_EQ(RunCommand("touch " + Quoted(empty)).exitCode, 0);
    std::string missing = TempPath("missing.dat");
    CommandResult result = RunCommand(Dump() + " --format=row " + Quoted(missing) + " " + Quoted(empty) + " "
                                      + Quoted(TempPath("")) + " " + Quoted(good));
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find(missing + ": No such file or directory"), std::string::npos) << result.err;
    EXPECT_NE(result.err.find("Is a directory"), std::string::npos) << result.err;
    EXPECT_EQ(result.err.find("empty.dat"), std::string::npos) << "an empty file is no error: " << result.err;
    EXPECT_NE(result.out.find("\thttp://good.example/\t"), std::string::npos);
    EXPECT_EQ(std::count(result.out.begin(), result.out.end(), '\n'), 1);
}

TEST(GallimawDump, HelpExplainsTheRowFormat)
{
    CommandResult result = RunCommand(Dump() + " --help");
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_NE(result.out.find("OFFSET<TAB>SORTKEY<TAB>C0"), std::string::npos);
    EXPECT_NE(RunCommand(Dump()).exitCode, 0);
    EXPECT_NE(RunCommand(Dump() + " --format=xml x").exitCode, 0);
}
