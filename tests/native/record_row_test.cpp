// Record rows as the list shows them, decoded from generated images.
#include <gtest/gtest.h>

#include <cstring>

#include "decoded_rows.h"
#include "gen/index_generator.h"

using namespace gallimaw_gen;

namespace {

UrlRecord SampleRecord()
{
    // url, file name, headers, directory, modified, accessed
    return UrlRecord{"http://www.example.com/news/index.htm", "index[1].htm",
                     "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n\r\n~U:pocketpc\r\n", 1,
                     FileTimeOf(2004, 2, 29, 23, 59, 58), FileTimeOf(2005, 8, 17, 21, 26, 30)};
}

IndexLayout LayoutOf(std::vector<Piece> pieces, int version = 5)
{
    IndexLayout layout;
    layout.version = version;
    layout.directories = {"ABCDEFGH", "2KQ9ZT1M", "SHORT"};
    layout.pieces = std::move(pieces);
    return layout;
}

std::vector<DecodedRow> RowsOf(std::vector<Piece> pieces, int version = 5)
{
    return DecodeRows(BuildIndex(LayoutOf(std::move(pieces), version)).bytes);
}

void Put32(std::vector<uint8_t> &bytes, uint64_t at, uint32_t value)
{
    for (int i = 0; i < 4; i++)
        bytes[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

} // namespace

TEST(RecordRow, ColumnsOfOneRecord)
{
    std::vector<DecodedRow> rows = RowsOf({UrlPiece(SampleRecord())});
    ASSERT_EQ(rows.size(), 1u);
    const DecodedRow &row = rows[0];
    EXPECT_EQ(row.columns[0], "2005/08/17");
    EXPECT_EQ(row.columns[1], "http://www.example.com/news/index.htm");
    EXPECT_EQ(row.columns[2], "256");
    EXPECT_EQ(row.columns[3], "2004/02/29");
    EXPECT_EQ(row.columns[4], "2KQ9ZT1M");
    EXPECT_EQ(row.columns[5], "index[1].htm");
    EXPECT_TRUE(row.headersSet);
    EXPECT_EQ(row.columns[6], "HTTP/1.1 200 OK\r\nContent-Type: text/html");
    EXPECT_EQ(row.columns[7], "21:26:30");
    EXPECT_EQ(row.columns[8], "23:59:58");
    EXPECT_EQ(row.sortKey, 183677190u);
}

TEST(RecordRow, Version4LayoutGivesTheSameRow)
{
    UrlRecord second = SampleRecord();
    second.url = "http://www.example.org/";
    second.directory = 0;
    std::vector<DecodedRow> v5 = RowsOf({UrlPiece(SampleRecord()), UrlPiece(second)}, 5);
    std::vector<DecodedRow> v4 = RowsOf({UrlPiece(SampleRecord()), UrlPiece(second)}, 4);
    ASSERT_EQ(v5.size(), 2u);
    ASSERT_EQ(v4.size(), 2u);
    for (size_t r = 0; r < 2; r++) {
        EXPECT_EQ(v4[r].sortKey, v5[r].sortKey);
        EXPECT_EQ(v4[r].headersSet, v5[r].headersSet);
        for (int c = 0; c < 9; c++)
            EXPECT_EQ(v4[r].columns[c], v5[r].columns[c]) << "row " << r << " column " << c;
    }
    EXPECT_EQ(v4[1].columns[4], "ABCDEFGH");
}

TEST(RecordScan, JumpsOverHashRecordByItsBlocks)
{
    IndexLayout layout = LayoutOf({HashPiece(2), UrlPiece(SampleRecord())});
    layout.hashTables = false;
    GeneratedIndex index = BuildIndex(layout);
    // A signature inside the HASH record's second block must not be seen.
    std::memcpy(index.bytes.data() + index.offsets[0] + 128, "URL ", 4);
    Put32(index.bytes, index.offsets[0] + 132, 1);
    std::vector<DecodedRow> rows = DecodeRows(index.bytes);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].offset, index.offsets[0] + 256);
}

TEST(RecordScan, FindsRecordsAtOddOffsetsAfterUnrecognisedBytes)
{
    IndexLayout layout = LayoutOf({JunkPiece("abc"), UrlPiece(SampleRecord()), JunkPiece(std::string(6, '\0')),
                                   LeakPiece(SampleRecord()), RedirectPiece("http://moved.example/"),
                                   UrlPiece(SampleRecord())});
    layout.hashTables = false;
    GeneratedIndex index = BuildIndex(layout);
    std::vector<DecodedRow> rows = DecodeRows(index.bytes);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].offset, kDataAreaOffset + 3);
    EXPECT_EQ(rows[1].offset, index.offsets[5]);
    EXPECT_EQ(rows[1].offset % 2, 1u);
    EXPECT_EQ(rows[1].columns[1], "http://www.example.com/news/index.htm");
}

TEST(RecordScan, StartsAtTheHashTableOffset)
{
    IndexLayout layout = LayoutOf({UrlPiece(SampleRecord()), UrlPiece(SampleRecord())});
    layout.hashTables = false;
    GeneratedIndex index = BuildIndex(layout);
    Put32(index.bytes, 32, static_cast<uint32_t>(index.offsets[1]));
    std::vector<DecodedRow> rows = DecodeRows(index.bytes);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].offset, index.offsets[1]);
}

TEST(RecordRow, BothTimesShowTheYears2001To2099)
{
    struct Case {
        int accessedYear, modifiedYear;
        const char *accessedDate, *accessedTime, *modifiedDate, *modifiedTime;
    } cases[] = {
        {2010, 2015, "2010/06/01", "12:34:56", "2015/06/01", "12:34:56"},
        {2000, 2000, "Unknown", "Unknown", "Unknown", "Unknown"},
        {2001, 2099, "2001/06/01", "12:34:56", "2099/06/01", "12:34:56"},
        {2099, 2100, "2099/06/01", "12:34:56", "Unknown", "Unknown"},
        {1601, 1601, "Unknown", "Unknown", "Unknown", "Unknown"},
    };
    for (const Case &c : cases) {
        UrlRecord record = SampleRecord();
        record.accessed = FileTimeOf(c.accessedYear, 6, 1, 12, 34, 56);
        record.modified = FileTimeOf(c.modifiedYear, 6, 1, 12, 34, 56);
        std::vector<DecodedRow> rows = RowsOf({UrlPiece(record)});
        ASSERT_EQ(rows.size(), 1u);
        SCOPED_TRACE(c.accessedYear);
        EXPECT_EQ(rows[0].columns[0], c.accessedDate);
        EXPECT_EQ(rows[0].columns[7], c.accessedTime);
        EXPECT_EQ(rows[0].columns[3], c.modifiedDate);
        EXPECT_EQ(rows[0].columns[8], c.modifiedTime);
    }
}

TEST(RecordRow, SortKeyCountsPseudoSecondsOfTheAccessedTime)
{
    UrlRecord record = SampleRecord();
    UrlRecord later = SampleRecord();
    later.accessed = FileTimeOf(2005, 8, 17, 21, 27, 30);
    UrlRecord unshown = SampleRecord();
    unshown.accessed = FileTimeOf(2105, 8, 17, 21, 26, 30);
    std::vector<DecodedRow> rows = RowsOf({UrlPiece(record), UrlPiece(later), UrlPiece(unshown)});
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].sortKey, 183677190u);
    EXPECT_EQ(rows[1].sortKey, 183677190u + 60);
    // The key keeps only two digits of the year, shown or not.
    EXPECT_EQ(rows[2].columns[0], "Unknown");
    EXPECT_EQ(rows[2].sortKey, 183677190u);
}

TEST(RecordRow, TimeTheCalendarRefusesIsUnknownWithKeyZero)
{
    GeneratedIndex index = BuildIndex(LayoutOf({UrlPiece(SampleRecord())}));
    for (int i = 0; i < 8; i++) {
        index.bytes[index.offsets[0] + 8 + i] = 0xFF;
        index.bytes[index.offsets[0] + 16 + i] = i == 7 ? 0x80 : 0;
    }
    std::vector<DecodedRow> rows = DecodeRows(index.bytes);
    ASSERT_EQ(rows.size(), 1u);
    for (int c : {0, 3, 7, 8})
        EXPECT_EQ(rows[0].columns[c], "Unknown") << c;
    EXPECT_EQ(rows[0].sortKey, 0u);
}

TEST(RecordRow, HeadersNeedABlankLine)
{
    UrlRecord record = SampleRecord();
    record.headers = "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n";
    std::vector<DecodedRow> rows = RowsOf({UrlPiece(record)});
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_FALSE(rows[0].headersSet);
    EXPECT_EQ(rows[0].columns[6], "");
    EXPECT_EQ(rows[0].columns[7], "21:26:30");
    EXPECT_EQ(rows[0].columns[8], "23:59:58");

    // The next record's blank line does not count for this one.
    rows = RowsOf({UrlPiece(record), UrlPiece(SampleRecord())});
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_FALSE(rows[0].headersSet);
    EXPECT_TRUE(rows[1].headersSet);

    UrlRecord bare = SampleRecord();
    bare.headers.clear();
    bare.fileName.clear();
    rows = RowsOf({UrlPiece(bare), UrlPiece(SampleRecord())});
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_FALSE(rows[0].headersSet) << "a header offset of 0 names no header";
    EXPECT_EQ(rows[0].columns[5], "") << "a file name offset of 0 names no file";
}

TEST(RecordRow, DirectoryTableHoldsSixteenSlots)
{
    IndexLayout layout;
    for (int i = 0; i < 20; i++)
        layout.directories.push_back("DIR" + std::to_string(i));
    layout.directories[15] = "FIFTEEN8";
    for (int slot : {0, 15, 16, 19, 255}) {
        UrlRecord record = SampleRecord();
        record.directory = static_cast<uint8_t>(slot);
        layout.pieces.push_back(UrlPiece(record));
    }
    GeneratedIndex index = BuildIndex(layout);
    // Slot 16 would hold this name if the table read past its sixteen slots.
    ASSERT_EQ(index.bytes[76 + 16 * 12 + 4], 'D');
    std::vector<DecodedRow> rows = DecodeRows(index.bytes);
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_EQ(rows[0].columns[4], "DIR0");
    EXPECT_EQ(rows[1].columns[4], "FIFTEEN8");
    EXPECT_EQ(rows[2].columns[4], "");
    EXPECT_EQ(rows[3].columns[4], "");
    EXPECT_EQ(rows[4].columns[4], "");
}

TEST(RecordRow, DirectoryCountBelowSlotLeavesItEmpty)
{
    UrlRecord record = SampleRecord();
    record.directory = 3;
    std::vector<DecodedRow> rows = RowsOf({UrlPiece(record)});
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].columns[4], "");
}

TEST(RecordRow, EightBitTextIsWindows1252)
{
    UrlRecord record = SampleRecord();
    record.url = "http://x.example/\x80\x81\x8D\x8F\x90\x9D\x9F\xE9\xFF";
    std::vector<DecodedRow> rows = RowsOf({UrlPiece(record)});
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].columns[1], "http://x.example/\u20AC\u0081\u008D\u008F\u0090\u009D\u0178\u00E9\u00FF");
}

TEST(RecordRow, LongTextsAreCutAt1023Characters)
{
    UrlRecord record = SampleRecord();
    record.url = "http://x.example/" + std::string(3000, 'u');
    record.headers = std::string(1500, 'h') + "\r\n\r\n";
    std::vector<DecodedRow> rows = RowsOf({UrlPiece(record)});
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].columns[1], record.url.substr(0, 1023));
    EXPECT_EQ(rows[0].columns[6], std::string(1023, 'h'));
}

TEST(RecordScan, TinyImagesGiveNoRows)
{
    std::vector<uint8_t> bytes = BuildIndex(LayoutOf({UrlPiece(SampleRecord())})).bytes;
    EXPECT_TRUE(DecodeRows({}).empty());
    // The record alone, starting at 0, with the hash table offset pointing at it.
    std::vector<uint8_t> tiny(bytes.end() - 256, bytes.end() - 256 + 104);
    ASSERT_EQ(std::memcmp(tiny.data(), "URL ", 4), 0);
    Put32(tiny, 32, 0);
    EXPECT_TRUE(DecodeRows(tiny).empty());
    tiny.push_back(0);
    EXPECT_EQ(DecodeRows(tiny).size(), 1u);
}
