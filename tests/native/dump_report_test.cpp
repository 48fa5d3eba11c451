// What gallimaw-dump says on standard error besides its errors: the
// closing summary, --quiet, --verbose and the progress line.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>

#include "dump_index_files.h"
#include "run_command.h"

using namespace gallimaw_gen;

namespace {

// What a terminal shows of a shell command run on it.
std::string OnTerminal(const std::string &command)
{
    return RunCommand("script -qfec " + Quoted(command) + " /dev/null").out;
}

bool Matches(const std::string &text, const std::string &pattern)
{
    return std::regex_search(text, std::regex(pattern));
}

} // namespace

// Allocated and recovered records of each type, counted as printed however
// the files are read: a file's batches, files in parallel, --mixed.
TEST(DumpReport, VerboseSummaryCountsTheRecordsPrinted)
{
    IndexLayout layout = LayoutOf({SampleRecord("http://kept.example/"), SampleRecord("http://gone.example/")});
    layout.hashTables = true;
    layout.pieces[1].deleted = true;
    layout.pieces.push_back(LeakPiece(SampleRecord("http://leak.example/")));
    layout.pieces.push_back(RedirectPiece("http://moved.example/"));
    std::string file = Quoted(WriteIndex("counted.dat", layout)), missing = Quoted(TempPath("missing.dat"));
    auto summary = [](const std::string &counts) { return "gallimaw-dump: " + counts + "; [0-9]+\\.[0-9]{2} s\n$"; };
    CommandResult one = RunCommand(DumpCommand() + " -v -f csv " + file);
    EXPECT_TRUE(Matches(one.err, "^" + summary("1 index file; 4 records: URL 1 allocated, 1 recovered; LEAK 1 allocated; "
                                         "REDR 1 allocated; 0 errors")))
        << one.err;
    for (const char *options : {" -v -f csv ", " -v -m -f csv "}) {
        CommandResult two = RunCommand(DumpCommand() + options + file + " " + missing + " " + file);
        EXPECT_TRUE(Matches(two.err, "No such file or directory\n" + summary("3 index files \\(1 could not be read\\); 8 "
                                                                              "records: URL 2 allocated, 2 recovered; LEAK "
                                                                              "2 allocated; REDR 2 allocated; 1 error")))
            << options << two.err;
    }
    EXPECT_TRUE(Matches(RunCommand(DumpCommand() + " -v -l " + file).err, "^" + summary("1 index file; 0 errors")));
    EXPECT_EQ(RunCommand(DumpCommand() + " " + file).err, "") << "no summary off a terminal without -v";
}

// A file a search finds that is no index file is noted; named, it is an
// error.
TEST(DumpReport, QuietLeavesOnlyErrors)
{
    std::string folder = TempPath("quiet"), path = folder + "/index.dat";
    std::filesystem::create_directories(folder);
    std::ofstream(path) << "not an index file\n";
    EXPECT_NE(RunCommand(DumpCommand() + " -r " + Quoted(folder)).err, "");
    CommandResult found = RunCommand(DumpCommand() + " -q -r " + Quoted(folder));
    EXPECT_EQ(found.exitCode, 0);
    EXPECT_EQ(found.err, "");
    CommandResult named = RunCommand(DumpCommand() + " --quiet " + Quoted(path));
    EXPECT_EQ(named.exitCode, 1);
    EXPECT_EQ(named.err.rfind("gallimaw-dump: " + path + ": not an index file", 0), 0u) << named.err;
    CommandResult both = RunCommand(DumpCommand() + " -q -v " + Quoted(path));
    EXPECT_EQ(both.exitCode, 2);
    EXPECT_EQ(both.err.rfind("gallimaw-dump: --quiet leaves out the summary --verbose asks for", 0), 0u) << both.err;
}

// Standard input that comes only after two seconds keeps the run going past
// the one the line waits for.
TEST(DumpReport, ProgressLineOnlyOnATerminalOfItsOwn)
{
    std::string file = Quoted(WriteIndex("progress.dat", LayoutOf({SampleRecord("http://slow.example/")})));
    std::string run = "(sleep 2; cat " + file + ") | " + DumpCommand() + " " + file + " -";
    std::string shown = OnTerminal(run + " >/dev/null");
    EXPECT_TRUE(Matches(shown, "^(\rgallimaw-dump: 1 of 2 files, [0-9.]+ files/s, [0-9]+ s left\x1b\\[K)+"
                               "\r\x1b\\[Kgallimaw-dump: 2 index files; 2 records: [^\r]+ s\r\n$"))
        << shown;
    EXPECT_EQ(RunCommand(run).err, "") << "standard error is no terminal";
    EXPECT_FALSE(Matches(OnTerminal(run), " left")) << "the records show on the terminal";
    EXPECT_EQ(OnTerminal(run + " -q >/dev/null"), "");
}
