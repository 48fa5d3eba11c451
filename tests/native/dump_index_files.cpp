#include "dump_index_files.h"

#include <gtest/gtest.h>

#include "run_command.h"

using namespace gallimaw_gen;

std::string DumpCommand()
{
    return Quoted(Env("GALLIMAW_BUILD") + "/dump/gallimaw-dump");
}

std::string WriteIndex(const std::string &name, const IndexLayout &layout)
{
    std::string path = TempPath(name), error;
    EXPECT_TRUE(WriteIndexFile(path, BuildIndex(layout), &error)) << error;
    return path;
}

UrlRecord SampleRecord(const std::string &url)
{
    // url, file name, headers, directory, modified, accessed, expires, last checked, hits
    return UrlRecord{url,
                     "a\\b[1].htm",
                     "HTTP/1.1 200 OK\r\nX-Note: caf\xE9\r\n\r\n",
                     0,
                     FileTimeOf(2012, 1, 2, 3, 4, 5),
                     FileTimeOf(2005, 8, 17, 21, 26, 30),
                     FileTimeOf(2005, 9, 17, 21, 26, 30),
                     FileTimeOf(2005, 8, 17, 21, 26, 31),
                     3};
}

IndexLayout LayoutOf(const std::vector<UrlRecord> &records)
{
    IndexLayout layout;
    layout.directories = {"CACHEDIR"};
    layout.hashTables = false;
    for (const UrlRecord &record : records)
        layout.pieces.push_back(UrlPiece(record));
    return layout;
}
