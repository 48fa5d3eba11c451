// ScanIndexFile into a real report-style list of a real dialog, from a real
// file mapping of a generated index file.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <random>
#include <string>
#include <vector>

#include "format/filetime.h"
#include "format/record_row.h"
#include "format/record_state.h"
#include "res/resource.h"
#include "ui/record_scanner.h"
#include "ce_test_support.h"
#include "gen/index_generator.h"

using namespace gallimaw_gen;

namespace {

constexpr int kColumns = 9;

// What the dialog procedure saw of the list when the dialog was painted.
int PaintCount;
int RowsAtPaint;
std::wstring LastColumnAtPaint;

std::wstring ItemText(HWND list, int row, int column)
{
    WCHAR text[RECORD_COLUMN_CHARS] = L"";
    LVITEMW item = {};
    item.iSubItem = column;
    item.pszText = text;
    item.cchTextMax = RECORD_COLUMN_CHARS;
    SendMessageW(list, LVM_GETITEMTEXTW, row, (LPARAM)&item);
    return text;
}

int RowCount(HWND list)
{
    return (int)SendMessageW(list, LVM_GETITEMCOUNT, 0, 0);
}

INT_PTR CALLBACK CountingDialogProc(HWND dialog, UINT message, WPARAM, LPARAM)
{
    if (message == WM_PAINT) {
        HWND list = GetDlgItem(dialog, IDC_LIST);
        PaintCount++;
        RowsAtPaint = RowCount(list);
        LastColumnAtPaint = ItemText(list, RowsAtPaint - 1, kColumns - 1);
    }
    return FALSE;
}

void Append(std::vector<WORD> &words, const wchar_t *text)
{
    do
        words.push_back(*text);
    while (*text++);
}

// A dialog with one report-style list, child 1001, holding nine columns.
HWND CreateListDialog()
{
    std::vector<WORD> words(sizeof(DLGTEMPLATE) / sizeof(WORD));
    DLGTEMPLATE *dialog = (DLGTEMPLATE *)words.data();
    dialog->style = WS_POPUP | WS_CAPTION | WS_VISIBLE | DS_MODALFRAME;
    dialog->cdit = 1;
    dialog->cx = 220;
    dialog->cy = 200;
    Append(words, L""); // menu
    Append(words, L""); // class
    Append(words, L"Records");
    if (words.size() % 2)
        words.push_back(0);
    size_t at = words.size();
    words.resize(at + sizeof(DLGITEMTEMPLATE) / sizeof(WORD));
    DLGITEMTEMPLATE *item = (DLGITEMTEMPLATE *)(words.data() + at);
    item->style = WS_CHILD | WS_VISIBLE | LVS_REPORT;
    item->cx = 210;
    item->cy = 190;
    item->id = IDC_LIST;
    Append(words, WC_LISTVIEWW);
    Append(words, L"");
    words.push_back(0); // no creation data

    HWND window = CreateDialogIndirectParamW(GetModuleHandleW(nullptr), (DLGTEMPLATE *)words.data(), nullptr,
                                             CountingDialogProc, 0);
    HWND list = GetDlgItem(window, IDC_LIST);
    for (int c = 0; c < kColumns; c++) {
        LVCOLUMNW column = {};
        column.mask = LVCF_TEXT | LVCF_WIDTH;
        column.cx = 60;
        column.pszText = (LPWSTR)L"Column";
        SendMessageW(list, LVM_INSERTCOLUMNW, c, (LPARAM)&column);
    }
    return window;
}

struct MappedIndex {
    std::vector<uint8_t> bytes;
    HANDLE file = INVALID_HANDLE_VALUE;
    HANDLE mapping = nullptr;
    DWORD size = 0;
};

MappedIndex MapIndex(const IndexLayout &layout, const char *name)
{
    MappedIndex mapped;
    GeneratedIndex index = BuildIndex(layout);
    char folder[MAX_PATH];
    GetTempPathA(MAX_PATH, folder);
    std::string path = std::string(folder) + name;
    std::string error;
    EXPECT_TRUE(WriteIndexFile(path, index, &error)) << error;
    mapped.bytes = index.bytes;
    mapped.file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(mapped.file, INVALID_HANDLE_VALUE);
    mapped.size = GetFileSize(mapped.file, nullptr);
    mapped.mapping = CreateFileMappingW(mapped.file, nullptr, PAGE_READONLY, 0, 0, nullptr);
    EXPECT_NE(mapped.mapping, nullptr);
    return mapped;
}

void Unmap(MappedIndex &mapped)
{
    CloseHandle(mapped.mapping);
    CloseHandle(mapped.file);
}

struct ExpectedRow {
    uint32_t sortKey;
    std::wstring columns[kColumns];
};

std::vector<ExpectedRow> *Collecting;
IndexImage CollectingImage;

void CollectExpected(void *, const ScannedRecord *record)
{
    if (record->type != RecordUrl)
        return;
    ExpectedRow row;
    row.sortKey = RecordSortKey(&CollectingImage, record->offset);
    for (int c = 0; c < kColumns; c++) {
        char16_t text[RECORD_COLUMN_CHARS];
        int length = FormatRecordColumn(&CollectingImage, record, c, text);
        row.columns[c].assign((const wchar_t *)text, length < 0 ? 0 : length);
    }
    Collecting->push_back(row);
}

std::vector<ExpectedRow> DecodedRows(const std::vector<uint8_t> &bytes)
{
    std::vector<ExpectedRow> rows;
    Collecting = &rows;
    static IndexReach reach;
    OpenIndexImage(&CollectingImage, bytes.data(), bytes.size());
    FindIndexReach(&CollectingImage, &reach, nullptr, nullptr);
    ScanIndexRecords(&CollectingImage, &reach, CollectExpected, nullptr);
    return rows;
}

void ExpectListHolds(HWND list, int firstRow, const std::vector<ExpectedRow> &rows, int kind)
{
    ASSERT_EQ(RowCount(list), firstRow + (int)rows.size());
    for (size_t r = 0; r < rows.size(); r++) {
        int row = firstRow + (int)r;
        LVITEMW item = {};
        item.mask = LVIF_IMAGE | LVIF_PARAM;
        item.iItem = row;
        ASSERT_TRUE(SendMessageW(list, LVM_GETITEMW, 0, (LPARAM)&item));
        EXPECT_EQ(item.iImage, kind) << row;
        EXPECT_EQ((uint32_t)item.lParam, rows[r].sortKey) << row;
        for (int c = 0; c < kColumns; c++)
            EXPECT_EQ(ItemText(list, row, c), rows[r].columns[c]) << "row " << row << " column " << c;
    }
}

void FillDummyRows(HWND list, int count)
{
    for (int i = 0; i < count; i++) {
        LVITEMW item = {};
        item.mask = LVIF_TEXT;
        item.iItem = i;
        item.pszText = (LPWSTR)L"earlier";
        SendMessageW(list, LVM_INSERTITEMW, 0, (LPARAM)&item);
    }
}

class RecordScanner : public ::testing::Test {
protected:
    void SetUp() override
    {
        INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_LISTVIEW_CLASSES};
        InitCommonControlsEx(&controls);
        dialog = CreateListDialog();
        ASSERT_NE(dialog, nullptr);
        list = GetDlgItem(dialog, IDC_LIST);
        PumpFor(0);
    }
    void TearDown() override { DestroyWindow(dialog); }

    // Scans with the dialog waiting to be painted, so that a repaint
    // request during the scan shows as a WM_PAINT.
    void ScanInvalidated(const MappedIndex &mapped, int kind)
    {
        PumpFor(0);
        InvalidateRect(dialog, nullptr, TRUE);
        PaintCount = 0;
        RowsAtPaint = -1;
        ScanIndexFile(dialog, mapped.mapping, mapped.size, kind);
    }

    HWND dialog = nullptr;
    HWND list = nullptr;
};

IndexLayout CacheWithHeaderlessLast(uint32_t records)
{
    IndexLayout layout = SampleLayout(KindCache, records, 21, 5, true);
    uint64_t time = FileTimeOf(2010, 1, 1, 1, 1, 1);
    layout.pieces.push_back(UrlPiece({"http://last.example/\x80page", "last[1].htm", "HTTP/1.1 200 OK\r\n", 2, time, time}));
    return layout;
}

} // namespace

TEST_F(RecordScanner, DeliversEveryRowWithIconSortKeyAndNineColumns)
{
    MappedIndex mapped = MapIndex(CacheWithHeaderlessLast(30), "scanner-rows.dat");
    std::vector<ExpectedRow> expected = DecodedRows(mapped.bytes);
    ASSERT_EQ(expected.size(), 31u);
    ScanIndexFile(dialog, mapped.mapping, mapped.size, 2);
    ExpectListHolds(list, 0, expected, 2);
    EXPECT_EQ(ItemText(list, 30, 1), L"http://last.example/\u20ACpage");
    EXPECT_EQ(ItemText(list, 30, 0), L"2010/01/01");
    EXPECT_EQ(ItemText(list, 30, 3), L"2010/01/01");
    EXPECT_EQ(ItemText(list, 30, 6), L"");
    EXPECT_EQ(ItemText(list, 30, 8), L"01:01:01");
    Unmap(mapped);
}

TEST_F(RecordScanner, SecondFileContinuesTheNumbering)
{
    FillDummyRows(list, 10);
    MappedIndex mapped = MapIndex(SampleLayout(KindCookies, 8, 4, 4, false), "scanner-second.dat");
    std::vector<ExpectedRow> expected = DecodedRows(mapped.bytes);
    ASSERT_EQ(expected.size(), 8u);
    ScanInvalidated(mapped, 1);
    ExpectListHolds(list, 10, expected, 1);
    for (int row = 0; row < 10; row++)
        EXPECT_EQ(ItemText(list, row, 0), L"earlier");
    // Row 15 is this file's sixth.
    EXPECT_EQ(PaintCount, 1);
    EXPECT_EQ(RowsAtPaint, 16);
    Unmap(mapped);
}

TEST_F(RecordScanner, RepaintsOnceRightAfterTheSixteenthRow)
{
    MappedIndex mapped = MapIndex(CacheWithHeaderlessLast(40), "scanner-paint.dat");
    ScanInvalidated(mapped, 0);
    EXPECT_EQ(RowCount(list), 41);
    EXPECT_EQ(PaintCount, 1);
    EXPECT_EQ(RowsAtPaint, 16);
    EXPECT_EQ(LastColumnAtPaint, DecodedRows(mapped.bytes)[15].columns[8]) << "the sixteenth row was complete";

    // Past row 15 already: no repaint at all.
    ScanInvalidated(mapped, 0);
    EXPECT_EQ(RowCount(list), 82);
    EXPECT_EQ(PaintCount, 0);
    Unmap(mapped);

    SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
    MappedIndex small = MapIndex(SampleLayout(KindHistory, 15, 9, 5, false), "scanner-small.dat");
    ScanInvalidated(small, 2);
    EXPECT_EQ(RowCount(list), 15);
    EXPECT_EQ(PaintCount, 0);
    Unmap(small);
}

TEST_F(RecordScanner, NothingWithoutAMappingOrASize)
{
    MappedIndex mapped = MapIndex(SampleLayout(KindCache, 3, 1, 5, false), "scanner-none.dat");
    ScanIndexFile(dialog, nullptr, mapped.size, 0);
    ScanIndexFile(dialog, mapped.mapping, 0, 0);
    EXPECT_EQ(RowCount(list), 0);
    // A size beyond the mapping reads no further than the view.
    ScanIndexFile(dialog, mapped.mapping, mapped.size + (64u << 20), 0);
    EXPECT_EQ(RowCount(list), 3);
    Unmap(mapped);
}

TEST(FileTimeConversion, MatchesFileTimeToSystemTime)
{
    std::mt19937_64 random(3);
    std::vector<uint64_t> values = {0, 1, FILETIME_LARGEST, FILETIME_LARGEST + 1, ~0ull,
                                    (uint64_t)FileTimeOf(2000, 2, 29, 12), (uint64_t)FileTimeOf(2100, 3, 1)};
    for (int i = 0; i < 100000; i++)
        values.push_back(i % 3 ? random() >> (i % 5) : random());
    for (uint64_t value : values) {
        FILETIME fileTime = {(DWORD)value, (DWORD)(value >> 32)};
        SYSTEMTIME system;
        CalendarTime calendar;
        BOOL accepted = FileTimeToSystemTime(&fileTime, &system);
        ASSERT_EQ(FileTimeToCalendar(value, &calendar) != 0, accepted != 0) << value;
        if (!accepted)
            continue;
        ASSERT_EQ(calendar.year, system.wYear) << value;
        ASSERT_EQ(calendar.month, system.wMonth) << value;
        ASSERT_EQ(calendar.dayOfWeek, system.wDayOfWeek) << value;
        ASSERT_EQ(calendar.day, system.wDay) << value;
        ASSERT_EQ(calendar.hour, system.wHour) << value;
        ASSERT_EQ(calendar.minute, system.wMinute) << value;
        ASSERT_EQ(calendar.second, system.wSecond) << value;
        ASSERT_EQ(calendar.milliseconds, system.wMilliseconds) << value;
    }
}
