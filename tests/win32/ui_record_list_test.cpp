// The Record list under Wine: real index images mapped as the Index file
// set, the real dialog from template 104, rows read back from its list
// control, taps posted to the list at a row's place.

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "app/app_values.h"
#include "ui/ui_values.h"
#include "ce_test_support.h"
#include "ce/pocketpc.h"
#include "ce/device_contract.h"
#include "res/resource.h"
#include "store/index_file_set.h"
#include "ui/record_details.h"
#include "ui/record_list.h"
#include "child_process.h"

namespace {

const DWORD RecordStart = 0x400;
const DWORD UrlOffset = 0x68;

struct TestRecord {
    std::string url;
    SYSTEMTIME accessed;
    SYSTEMTIME modified;
    std::string file;
    std::string headers;
};

SYSTEMTIME At(WORD year, WORD month, WORD day, WORD hour = 12, WORD minute = 0, WORD second = 0)
{
    SYSTEMTIME time = {};
    time.wYear = year;
    time.wMonth = month;
    time.wDay = day;
    time.wHour = hour;
    time.wMinute = minute;
    time.wSecond = second;
    return time;
}

TestRecord Visit(const std::string &url, SYSTEMTIME accessed)
{
    return { url, accessed, At(2004, 3, 1), "page.htm", "" };
}

void Put32(std::string &image, size_t at, DWORD value)
{
    for (int i = 0; i < 4; i++)
        image[at + i] = (char)(value >> (8 * i));
}

void PutTime(std::string &image, size_t at, SYSTEMTIME time)
{
    FILETIME stamp = {};
    if (time.wYear)
        SystemTimeToFileTime(&time, &stamp);
    Put32(image, at, stamp.dwLowDateTime);
    Put32(image, at + 4, stamp.dwHighDateTime);
}

// A version 5 image: one cache directory "AB12CD34", then the records one
// after another from the first hash table offset on.
std::string IndexImage(const std::vector<TestRecord> &records)
{
    std::string image(RecordStart, '\0');
    image.replace(0, 27, "Client UrlCache MMF Ver 5.2");
    Put32(image, 32, RecordStart);
    Put32(image, 72, 1);
    image.replace(80, 8, "AB12CD34");
    for (const TestRecord &record : records) {
        std::string strings = record.url + '\0' + record.file + '\0' + record.headers + '\0';
        DWORD blocks = (DWORD)(UrlOffset + strings.size() + 127) / 128;
        blocks = blocks < 2 ? 2 : blocks;
        std::string block(blocks * 128, '\0');
        block.replace(0, 4, "URL ");
        Put32(block, 4, blocks);
        PutTime(block, 8, record.modified);
        PutTime(block, 16, record.accessed);
        Put32(block, 52, UrlOffset);
        Put32(block, 60, UrlOffset + (DWORD)record.url.size() + 1);
        Put32(block, 68, UrlOffset + (DWORD)(record.url.size() + record.file.size()) + 2);
        block.replace(UrlOffset, strings.size(), strings);
        image += block;
    }
    return image + std::string(256, '\0');
}

struct ListRow {
    std::wstring columns[9];
    int image;
    DWORD key;
};

HWND ListOf(HWND dlg)
{
    return GetDlgItem(dlg, IDC_LIST);
}

int RowCount(HWND dlg)
{
    return (int)SendMessageW(ListOf(dlg), LVM_GETITEMCOUNT, 0, 0);
}

std::wstring CellText(HWND list, int row, int column)
{
    WCHAR text[2048] = L"";
    LVITEMW item = {};
    item.iSubItem = column;
    item.pszText = text;
    item.cchTextMax = ARRAYSIZE(text);
    SendMessageW(list, LVM_GETITEMTEXTW, row, (LPARAM)&item);
    return text;
}

std::vector<ListRow> ReadRows(HWND dlg)
{
    HWND list = ListOf(dlg);
    std::vector<ListRow> rows(RowCount(dlg));
    for (int i = 0; i < (int)rows.size(); i++) {
        LVITEMW item = {};
        item.mask = LVIF_IMAGE | LVIF_PARAM;
        item.iItem = i;
        SendMessageW(list, LVM_GETITEMW, 0, (LPARAM)&item);
        rows[i].image = item.iImage;
        rows[i].key = (DWORD)item.lParam;
        for (int column = 0; column < 9; column++)
            rows[i].columns[column] = CellText(list, i, column);
    }
    return rows;
}

std::vector<std::wstring> Urls(HWND dlg)
{
    std::vector<std::wstring> urls;
    for (const ListRow &row : ReadRows(dlg))
        urls.push_back(row.columns[1]);
    return urls;
}

LPCDLGTEMPLATEW Template(WORD id)
{
    HRSRC found = FindResourceW(AppInstance, MAKEINTRESOURCEW(id), (LPCWSTR)RT_DIALOG);
    return found ? (LPCDLGTEMPLATEW)LockResource(LoadResource(AppInstance, found)) : NULL;
}

// The list as a modeless dialog, painted once so that it has filled.
HWND OpenList(DLGPROC proc = RecordListProc)
{
    HWND dlg = CreateDialogIndirectParamW(AppInstance, Template(IDD_RECORD_LIST), NULL, proc, 0);
    UpdateWindow(dlg);
    PumpFor(0);
    return dlg;
}

void Tap(HWND window, POINT at)
{
    PostMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(at.x, at.y));
    PostMessageW(window, WM_LBUTTONUP, 0, MAKELPARAM(at.x, at.y));
    PumpFor(0);
}

void TapRow(HWND dlg, int row)
{
    RECT bounds = {};
    bounds.left = LVIR_LABEL;
    SendMessageW(ListOf(dlg), LVM_GETITEMRECT, row, (LPARAM)&bounds);
    Tap(ListOf(dlg), { bounds.left + 5, (bounds.top + bounds.bottom) / 2 });
}

// What a step run inside a modal loop saw; the steps are thread timers,
// which the modal loops dispatch.
std::vector<HWND> OpenedPages;
std::vector<std::wstring> PageTexts;

std::wstring WindowText(HWND window)
{
    std::wstring text(GetWindowTextLengthW(window) + 1, L'\0');
    text.resize(GetWindowTextW(window, &text[0], (int)text.size()));
    return text;
}

// Reads the details page's source and closes it with Done.
void CALLBACK ReadAndClosePage(HWND, UINT, UINT_PTR timer, DWORD)
{
    HWND page = FindOwnedWindow(RecordListWindow);
    if (!page)
        return;
    KillTimer(NULL, timer);
    OpenedPages.push_back(page);
    PageTexts.push_back(WindowText(FindWindowExW(page, NULL, WC_HTML, NULL)));
    PostMessageW(page, WM_COMMAND, IDOK, 0);
}

// Reads the open list's rows and closes it with Done.
std::vector<std::wstring> ListedUrls;
void CALLBACK ReadAndCloseList(HWND, UINT, UINT_PTR timer, DWORD)
{
    if (!IsWindow(RecordListWindow) || !IsWindowVisible(RecordListWindow))
        return;
    KillTimer(NULL, timer);
    ListedUrls = Urls(RecordListWindow);
    PostMessageW(RecordListWindow, WM_COMMAND, IDOK, 0);
}

class RecordListTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        AppInstance = GetModuleHandleW(NULL);
        for (int i = 0; i < IndexFileKinds; i++)
            KindIcons[i] = (HICON)LoadImageW(AppInstance, MAKEINTRESOURCEW(IDI_KIND_FIRST + i), IMAGE_ICON, KIND_ICON_SIZE,
                                             KIND_ICON_SIZE, 0);
        ViewMode = ViewMixed;
        RecordListWindow = NULL;
        SelectedRow = 0;
        OpenedPages.clear();
        PageTexts.clear();
        for (int kind = 0; kind < IndexFileKinds; kind++)
            Install(kind, {});
    }

    void TearDown() override
    {
        for (HWND dlg : dialogs)
            DestroyWindow(dlg);
        for (int kind = 0; kind < IndexFileKinds; kind++)
            Release(kind);
        for (const std::wstring &path : paths)
            DeleteFileW(path.c_str());
    }

    void Release(int kind)
    {
        if (IndexFiles[kind].mapping)
            CloseHandle(IndexFiles[kind].mapping);
        IndexFiles[kind] = {};
    }

    // Maps a fresh image of the records as the Index file of this kind.
    void Install(int kind, const std::vector<TestRecord> &records)
    {
        Release(kind);
        WCHAR folder[MAX_PATH], path[MAX_PATH];
        GetTempPathW(MAX_PATH, folder);
        GetTempFileNameW(folder, L"idx", 0, path);
        paths.push_back(path);
        std::string image = IndexImage(records);
        HANDLE file = CreateFileW(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, NULL, CREATE_ALWAYS, 0, NULL);
        DWORD written = 0;
        WriteFile(file, image.data(), (DWORD)image.size(), &written, NULL);
        IndexFiles[kind].mapping = CreateFileMappingW(file, NULL, PAGE_READONLY, 0, 0, NULL);
        IndexFiles[kind].size = written;
        lstrcpyW(IndexFiles[kind].path, path);
        CloseHandle(file);
    }

    HWND Open(DLGPROC proc = RecordListProc)
    {
        HWND dlg = OpenList(proc);
        dialogs.push_back(dlg);
        return dlg;
    }

    std::vector<HWND> dialogs;
    std::vector<std::wstring> paths;
};

std::vector<TestRecord> Numbered(const std::string &prefix, int count, WORD firstDay = 1)
{
    std::vector<TestRecord> records;
    for (int i = 1; i <= count; i++)
        records.push_back(Visit(prefix + std::to_string(i), At(2005, 6, (WORD)(firstDay + i))));
    return records;
}

TEST_F(RecordListTest, MixedViewInterleavesAllFilesByDescendingSortKey)
{
    Install(KindCache, { Visit("c1", At(2005, 1, 3)), Visit("c2", At(2007, 2, 1)), Visit("c3", At(2003, 5, 5)),
                         Visit("c4", At(2005, 1, 3, 12, 0, 1)), Visit("c5", At(1999, 12, 31)) });
    Install(KindHistory, { Visit("h1", At(2006, 1, 1)), Visit("h2", At(2002, 1, 1)), Visit("h3", At(2005, 1, 3, 11)),
                           Visit("h4", At(2009, 9, 9)), Visit("h5", At(2001, 1, 1)), Visit("h6", At(2004, 4, 4)),
                           Visit("h7", At(2008, 1, 1)) });
    HWND dlg = Open();

    // 1999's key lies more than 2^31 above those of 2001 to 2009.
    std::vector<std::wstring> expected = { L"c5", L"h4", L"h7", L"c2", L"h1", L"c4", L"c1",
                                           L"h3", L"h6", L"c3", L"h2", L"h5" };
    EXPECT_EQ(Urls(dlg), expected);
    std::vector<ListRow> rows = ReadRows(dlg);
    ASSERT_EQ(rows.size(), 12u);
    EXPECT_GT(rows[0].key, 0x80000000u);
    for (const ListRow &row : rows)
        EXPECT_EQ(row.image, row.columns[1][0] == L'c' ? KindCache : KindHistory) << row.columns[1];
    EXPECT_EQ(rows[0].columns[0], L"Unknown");
}

TEST_F(RecordListTest, SingleViewsKeepFileOrder)
{
    std::vector<TestRecord> unordered = { Visit("b", At(2003, 1, 1)), Visit("c", At(2008, 1, 1)),
                                          Visit("a", At(2001, 1, 1)) };
    const int views[] = { ViewCache, ViewCookies, ViewHistory };
    for (int kind = 0; kind < IndexFileKinds; kind++) {
        Install(kind, unordered);
        ViewMode = views[kind];
        HWND dlg = Open();
        EXPECT_EQ(Urls(dlg), (std::vector<std::wstring>{ L"b", L"c", L"a" })) << "view " << ViewMode;
        for (const ListRow &row : ReadRows(dlg))
            EXPECT_EQ(row.image, kind);
        Install(kind, {});
    }
}

TEST_F(RecordListTest, ViewModeOutsideTheFourShowsNothing)
{
    Install(KindCache, Numbered("c", 3));
    ViewMode = 4;
    EXPECT_EQ(RowCount(Open()), 0);
}

TEST_F(RecordListTest, RowIconsAreTheKindIcons)
{
    HWND dlg = Open();
    HIMAGELIST icons = (HIMAGELIST)SendMessageW(ListOf(dlg), LVM_GETIMAGELIST, LVSIL_SMALL, 0);
    ASSERT_NE(icons, (HIMAGELIST)NULL);
    ASSERT_EQ(ImageList_GetImageCount(icons), IndexFileKinds);
    // Image index = kind: Cache 107, Cookies 106, History 108.
    const int resources[] = { IDI_KIND_CACHE, IDI_KIND_COOKIES, IDI_KIND_HISTORY };
    HDC screen = GetDC(NULL);
    HDC drawn = CreateCompatibleDC(screen), wanted = CreateCompatibleDC(screen);
    HBITMAP drawnBits = CreateCompatibleBitmap(screen, 16, 16), wantedBits = CreateCompatibleBitmap(screen, 16, 16);
    SelectObject(drawn, drawnBits);
    SelectObject(wanted, wantedBits);
    for (int kind = 0; kind < IndexFileKinds; kind++) {
        PatBlt(drawn, 0, 0, 16, 16, WHITENESS);
        PatBlt(wanted, 0, 0, 16, 16, WHITENESS);
        ImageList_Draw(icons, kind, drawn, 0, 0, ILD_NORMAL);
        DrawIconEx(wanted, 0, 0, KindIcons[resources[kind] - IDI_KIND_COOKIES], 16, 16, 0, NULL, DI_NORMAL);
        int differing = 0;
        for (int y = 0; y < 16; y++)
            for (int x = 0; x < 16; x++)
                differing += GetPixel(drawn, x, y) != GetPixel(wanted, x, y);
        EXPECT_EQ(differing, 0) << "image " << kind;
    }
    DeleteDC(drawn);
    DeleteDC(wanted);
    DeleteObject(drawnBits);
    DeleteObject(wantedBits);
    ReleaseDC(NULL, screen);
}

TEST_F(RecordListTest, OnlyAccessedAndUrlAreVisibleAndHiddenColumnsHoldTheRow)
{
    TestRecord record = { "http://x/", At(2005, 8, 17, 21, 26, 30), At(2010, 2, 3, 4, 5, 6), "x.htm",
                          "HTTP/1.1 200 OK\r\nA: b\r\n\r\n" };
    Install(KindCache, { record });
    ViewMode = ViewCache;
    HWND dlg = Open();
    HWND list = ListOf(dlg);

    const wchar_t *headers[] = { L"Accessed", L"URL", L"Size", L"Modified", L"Dir",
                                 L"File", L"HTML-Headers", L"Time Accessed", L"Time Modified" };
    const int widths[] = { 95, 500, 0, 0, 0, 0, 0, 0, 0 };
    EXPECT_EQ(SendMessageW((HWND)SendMessageW(list, LVM_GETHEADER, 0, 0), HDM_GETITEMCOUNT, 0, 0), 9);
    for (int i = 0; i < 9; i++) {
        WCHAR text[64] = L"";
        LVCOLUMNW column = {};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT | LVCF_SUBITEM;
        column.pszText = text;
        column.cchTextMax = ARRAYSIZE(text);
        ASSERT_TRUE(SendMessageW(list, LVM_GETCOLUMNW, i, (LPARAM)&column));
        EXPECT_STREQ(text, headers[i]);
        EXPECT_EQ(column.cx, widths[i]) << text;
        EXPECT_EQ(column.fmt & LVCFMT_JUSTIFYMASK, LVCFMT_LEFT);
        EXPECT_EQ(column.iSubItem, i);
    }
    ListRow row = ReadRows(dlg).at(0);
    const wchar_t *values[] = { L"2005/08/17", L"http://x/", L"256", L"2010/02/03", L"AB12CD34",
                                L"x.htm", L"HTTP/1.1 200 OK\r\nA: b", L"21:26:30", L"04:05:06" };
    for (int i = 0; i < 9; i++)
        EXPECT_EQ(row.columns[i], values[i]) << "column " << i;
    EXPECT_EQ(SendMessageW(list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0), LVS_EX_FULLROWSELECT);
}

TEST_F(RecordListTest, TapOnHeaderDoesNotSort)
{
    Install(KindCache, { Visit("b", At(2003, 1, 1)), Visit("c", At(2008, 1, 1)), Visit("a", At(2001, 1, 1)) });
    ViewMode = ViewCache;
    HWND dlg = Open();
    HWND header = (HWND)SendMessageW(ListOf(dlg), LVM_GETHEADER, 0, 0);
    for (int column = 0; column < 2; column++) {
        RECT place = {};
        SendMessageW(header, HDM_GETITEMRECT, column, (LPARAM)&place);
        Tap(header, { (place.left + place.right) / 2, (place.top + place.bottom) / 2 });
    }
    EXPECT_EQ(Urls(dlg), (std::vector<std::wstring>{ L"b", L"c", L"a" }));
}

TEST_F(RecordListTest, ListReachesOnePixelBeyondTheClientArea)
{
    HWND dlg = Open();
    RECT client, list;
    GetClientRect(dlg, &client);
    GetWindowRect(ListOf(dlg), &list);
    MapWindowPoints(NULL, dlg, (POINT *)&list, 2);
    EXPECT_EQ(list.left, 0);
    EXPECT_EQ(list.top, 0);
    EXPECT_EQ(list.right, client.right + 1);
    EXPECT_EQ(list.bottom, client.bottom + 1);
}

// Repaints of the list while a fill is running, with the rows the list held
// then and the URL of its sixteenth row; and the list's vertical scroll range
// as each inserted row is announced.
int FillDepth;
WNDPROC ListControlProc;
std::vector<int> RepaintCounts;
std::vector<std::wstring> RepaintSixteenth;
std::vector<int> InsertScrollRanges;

int VerticalScrollRange(HWND list)
{
    SCROLLINFO range = { sizeof range, SIF_RANGE };
    return GetScrollInfo(list, SB_VERT, &range) ? range.nMax : -1;
}

LRESULT CALLBACK CountRepaints(HWND list, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_PAINT && FillDepth > 0) {
        RepaintCounts.push_back((int)SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
        RepaintSixteenth.push_back(CellText(list, 15, 1) + L"|" + CellText(list, 15, 8));
    }
    return CallWindowProcW(ListControlProc, list, msg, wParam, lParam);
}

INT_PTR CALLBACK CountingRecordListProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    FillDepth += msg == WM_ERASEBKGND;
    if (msg == WM_NOTIFY && FillDepth > 0 && ((NMHDR *)lParam)->code == (UINT)LVN_INSERTITEM)
        InsertScrollRanges.push_back(VerticalScrollRange(ListOf(dlg)));
    INT_PTR handled = RecordListProc(dlg, msg, wParam, lParam);
    FillDepth -= msg == WM_ERASEBKGND;
    if (msg == WM_INITDIALOG)
        ListControlProc = (WNDPROC)SetWindowLongPtrW(ListOf(dlg), GWLP_WNDPROC, (LONG_PTR)CountRepaints);
    return handled;
}

class RecordListRepaintTest : public RecordListTest {
protected:
    HWND OpenCounting()
    {
        RepaintCounts.clear();
        RepaintSixteenth.clear();
        InsertScrollRanges.clear();
        return Open(CountingRecordListProc);
    }
};

TEST_F(RecordListRepaintTest, OneRepaintRightAfterTheSixteenthRow)
{
    Install(KindCache, Numbered("c", 25));
    ViewMode = ViewCache;
    HWND dlg = OpenCounting();
    EXPECT_EQ(RowCount(dlg), 25);
    EXPECT_EQ(RepaintCounts, std::vector<int>{ 16 });
    EXPECT_EQ(RepaintSixteenth, std::vector<std::wstring>{ L"c16|12:00:00" });
}

TEST_F(RecordListRepaintTest, MixedViewCountsRowsAcrossFiles)
{
    Install(KindCache, Numbered("c", 10));
    Install(KindCookies, Numbered("k", 10, 10));
    Install(KindHistory, Numbered("h", 10));
    HWND dlg = OpenCounting();
    EXPECT_EQ(RowCount(dlg), 30);
    EXPECT_EQ(RepaintCounts, std::vector<int>{ 16 });
    EXPECT_EQ(RepaintSixteenth, std::vector<std::wstring>{ L"k6|12:00:00" });
}

// Neither the rows nor the scroll bar are drawn per row: from the
// seventeenth row to the end of the fill the scroll bar stays as the early
// repaint drew it, for sixteen rows, also across the files of the Mixed
// view; it takes in every row once the fill ends.
TEST_F(RecordListRepaintTest, ScrollBarStaysAtSixteenRowsUntilTheFillEnds)
{
    Install(KindCache, Numbered("c", 20));
    Install(KindCookies, Numbered("k", 10));
    Install(KindHistory, Numbered("h", 10));
    for (int view : { ViewCache, ViewMixed }) {
        ViewMode = view;
        HWND dlg = OpenCounting();
        int rows = RowCount(dlg);
        ASSERT_EQ(InsertScrollRanges.size(), (size_t)rows) << "view " << view;
        std::vector<int> afterSixteenth(InsertScrollRanges.begin() + 16, InsertScrollRanges.end());
        EXPECT_EQ(afterSixteenth, std::vector<int>(rows - 16, 15)) << "view " << view;
        EXPECT_EQ(VerticalScrollRange(ListOf(dlg)), rows - 1) << "view " << view;
    }
}

TEST_F(RecordListRepaintTest, NoRepaintBelowSixteenRows)
{
    Install(KindCache, Numbered("c", 8));
    Install(KindHistory, Numbered("h", 7));
    HWND dlg = OpenCounting();
    EXPECT_EQ(RowCount(dlg), 15);
    EXPECT_TRUE(RepaintCounts.empty());
}

// The list's whole window, frame and scroll bars included, as it is on the
// screen.
std::vector<COLORREF> DrawnPixels(HWND window)
{
    RECT place;
    GetWindowRect(window, &place);
    HDC drawn = GetWindowDC(window);
    std::vector<COLORREF> pixels;
    for (int y = 0; y < place.bottom - place.top; y++)
        for (int x = 0; x < place.right - place.left; x++)
            pixels.push_back(GetPixel(drawn, x, y));
    ReleaseDC(window, drawn);
    return pixels;
}

// After a fill of any size, below the early repaint and above it, the list
// has a horizontal scroll range over all its columns and shows its scroll
// bars: it looks as a repaint of its whole window draws it.
TEST_F(RecordListTest, FilledListShowsScrollBarsOverItsColumns)
{
    for (int rows : { 3, 25 }) {
        Install(KindHistory, Numbered("http://www.example.com/", rows));
        HWND list = ListOf(Open());
        int width = 0;
        for (int column = 0; column < 9; column++)
            width += (int)SendMessageW(list, LVM_GETCOLUMNWIDTH, column, 0);
        SCROLLINFO range = { sizeof range, SIF_RANGE };
        GetScrollInfo(list, SB_HORZ, &range);
        EXPECT_EQ(range.nMax + 1, width) << rows << " rows";
        std::vector<COLORREF> shown = DrawnPixels(list);
        RedrawWindow(list, NULL, NULL, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW);
        EXPECT_TRUE(shown == DrawnPixels(list)) << rows << " rows";
    }
}

void EraseNow(HWND dlg)
{
    RedrawWindow(dlg, NULL, NULL, RDW_INVALIDATE | RDW_ERASE | RDW_ERASENOW);
    PumpFor(0);
}

TEST_F(RecordListTest, EmptyListIsScannedAgainFilledListNever)
{
    ViewMode = ViewCache;
    HWND dlg = Open();
    EXPECT_EQ(RowCount(dlg), 0);

    Install(KindCache, Numbered("c", 3));
    EraseNow(dlg);
    EXPECT_EQ(Urls(dlg), (std::vector<std::wstring>{ L"c1", L"c2", L"c3" }));

    Install(KindCache, Numbered("d", 5));
    EraseNow(dlg);
    EXPECT_EQ(Urls(dlg), (std::vector<std::wstring>{ L"c1", L"c2", L"c3" }));
}

TEST_F(RecordListTest, ReopeningScansAnewWithTheNewViewMode)
{
    Install(KindCache, Numbered("c", 2));
    Install(KindCookies, Numbered("k", 3));
    Install(KindHistory, Numbered("h", 1));
    const int modes[] = { ViewMixed, ViewCookies, ViewHistory };
    const size_t counts[] = { 6, 3, 1 };
    for (int i = 0; i < 3; i++) {
        ViewMode = modes[i];
        ListedUrls.clear();
        SetTimer(NULL, 0, 20, ReadAndCloseList);
        ShowRecordList(NULL);
        EXPECT_EQ(ListedUrls.size(), counts[i]) << "view " << modes[i];
        EXPECT_FALSE(IsWindow(RecordListWindow));
    }
    EXPECT_EQ(ListedUrls, std::vector<std::wstring>{ L"h1" });
}

TEST_F(RecordListTest, TapOpensTheRowsDetailsPageAndDoneReturnsToTheList)
{
    TestRecord example = { "abc", At(2005, 8, 17, 21, 26, 30), At(2000, 1, 1), "a.htm", "no blank line" };
    Install(KindCache, { Visit("first", At(2003, 1, 1)), example, Visit("third", At(2004, 1, 1)) });
    ViewMode = ViewCache;
    HWND dlg = Open();
    std::vector<std::wstring> before = Urls(dlg);
    Install(KindCache, Numbered("other", 2));

    SetTimer(NULL, 0, 20, ReadAndClosePage);
    TapRow(dlg, 1);

    EXPECT_EQ(SelectedRow, 1);
    ASSERT_EQ(PageTexts.size(), 1u);
    EXPECT_EQ(PageTexts[0],
              L"<b>Accessed:</b> <font color=#00008F>2005/08/17</font> - <font color=#00008F>21:26:30</font>"
              L"<br><b>Modified:</b> <font color=#00008F>Unknown</font> - <font color=#00008F>Unknown</font>"
              L"<br><b>Record Size: <font color=#00008F>256</font></b> bytes<p><b>URL:</b> "
              L"<font color=#FF0000>abc</font><p><b>File:</b> <font color=#0000FF>AB12CD34\\a.htm</font>"
              L"<p><b>HTML Data:</b> <font color=#0000FF></font>");
    EXPECT_FALSE(IsWindow(OpenedPages[0]));
    EXPECT_EQ(GetForegroundWindow(), dlg);
    HWND focus = GetFocus();
    EXPECT_TRUE(focus == dlg || IsChild(dlg, focus));
    EXPECT_EQ(Urls(dlg), before);
}

TEST_F(RecordListTest, TapBelowTheLastRowOpensNothing)
{
    Install(KindCache, Numbered("c", 2));
    ViewMode = ViewCache;
    HWND dlg = Open();
    RECT last = {}, client;
    last.left = LVIR_BOUNDS;
    SendMessageW(ListOf(dlg), LVM_GETITEMRECT, 1, (LPARAM)&last);
    GetClientRect(ListOf(dlg), &client);
    ASSERT_LT(last.bottom + 20, client.bottom);

    UINT_PTR timer = SetTimer(NULL, 0, 20, ReadAndClosePage);
    Tap(ListOf(dlg), { 20, last.bottom + 20 });
    KillTimer(NULL, timer);

    EXPECT_EQ(SelectedRow, -1);
    EXPECT_TRUE(OpenedPages.empty());
}

TEST_F(RecordListTest, EachTapShowsItsOwnRow)
{
    Install(KindCache, Numbered("c", 3));
    ViewMode = ViewCache;
    HWND dlg = Open();
    for (int row : { 2, 0 }) {
        SetTimer(NULL, 0, 20, ReadAndClosePage);
        TapRow(dlg, row);
    }
    ASSERT_EQ(PageTexts.size(), 2u);
    EXPECT_NE(PageTexts[0].find(L"<font color=#FF0000>c3</font>"), std::wstring::npos);
    EXPECT_NE(PageTexts[1].find(L"<font color=#FF0000>c1</font>"), std::wstring::npos);
}

} // namespace

// Help over the list starts the device's help viewer at the contents; the
// viewer notes its command line in the device log.
TEST_F(RecordListTest, HelpStartsTheHelpViewerAtTheContents)
{
    const wchar_t viewer[] = L"C:\\windows\\peghelp.exe", log[] = DEVICE_WIDE(DEVICE_LOG_PATH);
    FormAppNames();
    SetCurrentDirectoryW(L"C:\\");
    ASSERT_TRUE(CopyFileW(DeviceProgramPath(L"peghelp.exe").c_str(), viewer, FALSE));
    DeleteFileW(log);
    HELPINFO help = { sizeof help };
    SendMessageW(Open(), WM_HELP, 0, (LPARAM)&help);

    HWND shown = NULL;
    for (int wait = 0; wait < 200 && !(shown = FindWindowW(L"GallimawHelp", NULL)); wait++)
        Sleep(50);
    DWORD processId = 0;
    GetWindowThreadProcessId(shown, &processId);
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, processId);
    PostMessageW(shown, WM_CLOSE, 0, 0);
    WaitForSingleObject(process, 10000);
    CloseHandle(process);
    std::ifstream file(log);
    std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    file.close();
    DeleteFileW(log);
    DeleteFileW(viewer);
    EXPECT_NE(text.find("peghelp.exe help file:Gallimaw View.htm#Main_Contents"), std::string::npos) << text;
}
