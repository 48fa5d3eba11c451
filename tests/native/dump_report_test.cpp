// What gallimaw-dump says on standard error besides its errors: notes and
// --quiet.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "dump_index_files.h"
#include "run_command.h"

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
}
