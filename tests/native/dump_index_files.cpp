#include "dump_index_files.h"

#include <gtest/gtest.h>

#include "run_command.h"

using namespace gallimaw_gen;

std::string DumpCommand()
{
    return Quoted(Env("GALLIMAW_BUILD") + "/tools/gallimaw-dump");
}

std::string WriteIndex(const std::string &name, const IndexLayout &layout)
{
    std::string path = TempPath(name), error;
    EXPECT_TRUE(WriteIndexFile(path, BuildIndex(layout), &error)) << error;
    return path;
}

UrlRecord SampleRecord(const std::string &url)
{
    UrlRecord record;
    record.url = url;
    record.fileName = "a\\b[1].htm";
    record.headers = "HTTP/1.1 200 OK\r\nX-Note: caf\xE9\r\n\r\n";
    record.accessed = FileTimeOf(2005, 8, 17, 21, 26, 30);
    record.modified = FileTimeOf(2012, 1, 2, 3, 4, 5);
    record.expires = FileTimeOf(2005, 9, 17, 21, 26, 30);
    record.lastChecked = FileTimeOf(2005, 8, 17, 21, 26, 31);
    record.hits = 3;
    return record;
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
