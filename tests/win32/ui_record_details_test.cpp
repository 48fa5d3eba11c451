// The Record details page under Wine: rows placed in a real Record list's
// control, the page opened on template 114 over it, its source read back
// from the HTML view.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ui/ui_values.h"
#include "ce/pocketpc.h"
#include "res/resource.h"
#include "ce_test_support.h"
#include "ui/record_details.h"
#include "ui/record_list.h"
#include "ui/dialog_resource.h"

namespace {

// Column values in list order: accessed, URL, size, modified, dir, file,
// headers, time accessed, time modified.
typedef std::vector<std::wstring> Row;

const Row PlainRow = { L"2005/08/17", L"abc", L"256", L"Unknown", L"AB12CD34",
                       L"a.htm", L"", L"21:26:30", L"Unknown" };

std::wstring PageOf(const std::wstring &accessed, const std::wstring &timeAccessed, const std::wstring &url,
                    const std::wstring &path, const std::wstring &headers)
{
    return L"<b>Accessed:</b> <font color=#00008F>" + accessed + L"</font> - <font color=#00008F>" + timeAccessed +
           L"</font><br><b>Modified:</b> <font color=#00008F>Unknown</font> - <font color=#00008F>Unknown</font>"
           L"<br><b>Record Size: <font color=#00008F>256</font></b> bytes<p><b>URL:</b> <font color=#FF0000>" +
           url + L"</font><p><b>File:</b> <font color=#0000FF>" + path +
           L"</font><p><b>HTML Data:</b> <font color=#0000FF>" + headers + L"</font>";
}

LPCDLGTEMPLATEW Template(WORD id)
{
    HRSRC found = FindResourceW(AppInstance, MAKEINTRESOURCEW(id), (LPCWSTR)RT_DIALOG);
    return found ? (LPCDLGTEMPLATEW)LockResource(LoadResource(AppInstance, found)) : NULL;
}

std::wstring CellText(HWND list, int row, int column)
{
    std::wstring text(4096, L'\0');
    LVITEMW item = {};
    item.iSubItem = column;
    item.pszText = &text[0];
    item.cchTextMax = (int)text.size();
    text.resize(SendMessageW(list, LVM_GETITEMTEXTW, row, (LPARAM)&item));
    return text;
}

class RecordDetailsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        AppInstance = GetModuleHandleW(NULL);
        // No View mode scans: the rows are placed by the test.
        ViewMode = -1;
        list = CreateDialogIndirectParamW(AppInstance, Template(IDD_RECORD_LIST), NULL, RecordListProc, 0);
        PumpFor(0);
    }

    void TearDown() override
    {
        DestroyWindow(page);
        DestroyWindow(list);
    }

    void AddRow(const Row &values)
    {
        HWND control = GetDlgItem(list, IDC_LIST);
        LVITEMW item = {};
        item.mask = LVIF_TEXT;
        item.iItem = (int)SendMessageW(control, LVM_GETITEMCOUNT, 0, 0);
        item.pszText = (LPWSTR)values[0].c_str();
        int row = (int)SendMessageW(control, LVM_INSERTITEMW, 0, (LPARAM)&item);
        for (int column = 1; column < 9; column++) {
            if (values[column].empty())
                continue;
            item.iSubItem = column;
            item.pszText = (LPWSTR)values[column].c_str();
            SendMessageW(control, LVM_SETITEMTEXTW, row, (LPARAM)&item);
        }
    }

    // The page for one row, opened over the list as the list opens it.
    std::wstring Show(int row)
    {
        DestroyWindow(page);
        SelectedRow = row;
        page = CreateDialogIndirectParamW(AppInstance, Template(IDD_FULL_SCREEN), list, RecordDetailsProc, 0);
        PumpFor(0);
        return PageSource();
    }

    HWND View()
    {
        return FindWindowExW(page, NULL, WC_HTML, NULL);
    }

    std::wstring PageSource()
    {
        std::wstring text(GetWindowTextLengthW(View()) + 1, L'\0');
        text.resize(GetWindowTextW(View(), &text[0], (int)text.size()));
        return text;
    }

    HWND list = NULL;
    HWND page = NULL;
};

TEST_F(RecordDetailsTest, PlainRowGivesThePageText)
{
    AddRow(PlainRow);
    EXPECT_EQ(Show(0), PageOf(L"2005/08/17", L"21:26:30", L"abc", L"AB12CD34\\a.htm", L""));
}

TEST_F(RecordDetailsTest, MarkupInValuesIsShownAsWritten)
{
    Row row = PlainRow;
    row[1] = L"http://x/?a=1&b=<i>\"q\"</i>";
    row[6] = L"HTTP/1.1 200 OK\r\nX-Tag: <b> & </b>";
    AddRow(row);
    EXPECT_EQ(Show(0), PageOf(L"2005/08/17", L"21:26:30", L"http://x/?a=1&amp;b=&lt;i&gt;&quot;q&quot;&lt;/i&gt;",
                              L"AB12CD34\\a.htm", L"HTTP/1.1 200 OK\r\nX-Tag: &lt;b&gt; &amp; &lt;/b&gt;"));
}

TEST_F(RecordDetailsTest, LongValueIsCutOnThePageOnly)
{
    Row row = PlainRow;
    std::wstring url = L"http://";
    for (int i = 0; url.size() < 1020; i++)
        url += (wchar_t)(L'a' + i % 26);
    row[1] = url;
    AddRow(row);
    EXPECT_EQ(Show(0), PageOf(L"2005/08/17", L"21:26:30", url.substr(0, 998), L"AB12CD34\\a.htm", L""));
    EXPECT_EQ(CellText(GetDlgItem(list, IDC_LIST), 0, 1), url);
}

TEST_F(RecordDetailsTest, EmptyDirectoryAndFileLeaveTheBackslash)
{
    Row noDir = PlainRow, neither = PlainRow;
    noDir[4] = L"";
    neither[4] = neither[5] = L"";
    AddRow(noDir);
    AddRow(neither);
    EXPECT_EQ(Show(0), PageOf(L"2005/08/17", L"21:26:30", L"abc", L"\\a.htm", L""));
    EXPECT_EQ(Show(1), PageOf(L"2005/08/17", L"21:26:30", L"abc", L"\\", L""));
}

TEST_F(RecordDetailsTest, SeveralRowsOneAfterAnotherShowTheirOwnValues)
{
    Row second = PlainRow;
    second[0] = L"2009/01/02";
    second[7] = L"03:04:05";
    second[1] = L"def";
    AddRow(PlainRow);
    AddRow(second);
    EXPECT_EQ(Show(1), PageOf(L"2009/01/02", L"03:04:05", L"def", L"AB12CD34\\a.htm", L""));
    EXPECT_EQ(Show(0), PageOf(L"2005/08/17", L"21:26:30", L"abc", L"AB12CD34\\a.htm", L""));
}

TEST_F(RecordDetailsTest, ViewFillsThePageLessFivePixelsEachSide)
{
    AddRow(PlainRow);
    Show(0);
    RECT client, view;
    GetClientRect(page, &client);
    GetWindowRect(View(), &view);
    MapWindowPoints(NULL, page, (POINT *)&view, 2);
    EXPECT_EQ(view.left, 5);
    EXPECT_EQ(view.top, 5);
    EXPECT_EQ(view.right, client.right - 5);
    EXPECT_EQ(view.bottom, client.bottom - 5);
    EXPECT_EQ(GetWindowLongW(View(), GWL_STYLE) & (WS_CHILD | WS_VISIBLE | WS_BORDER),
              WS_CHILD | WS_VISIBLE | WS_BORDER);
}

TEST_F(RecordDetailsTest, ClosingBringsTheListBackInFrontWithTheFocus)
{
    AddRow(PlainRow);
    Show(0);
    // Another window in front when the page goes: the list must still come
    // back, not only through the owner's usual reactivation.
    HWND other = CeCreateWindowExW(0, L"STATIC", L"other", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, NULL, NULL, NULL, NULL);
    CeSetForegroundWindow(other);
    SetFocus(other);
    DestroyWindow(page);
    page = NULL;
    EXPECT_EQ(GetForegroundWindow(), list);
    HWND focus = GetFocus();
    EXPECT_TRUE(focus == list || IsChild(list, focus));
    DestroyWindow(other);
}

void CALLBACK PressDone(HWND, UINT, UINT_PTR timer, DWORD)
{
    HWND shown = FindOwnedWindow(RecordListWindow);
    if (!shown)
        return;
    KillTimer(NULL, timer);
    PostMessageW(shown, WM_COMMAND, IDOK, 0);
}

TEST_F(RecordDetailsTest, DoneEndsThePageWithResultOne)
{
    AddRow(PlainRow);
    SelectedRow = 0;
    SetTimer(NULL, 0, 20, PressDone);
    EXPECT_EQ(RunDialogResource(list, IDD_FULL_SCREEN, RecordDetailsProc), 1);
    EXPECT_TRUE(IsWindowEnabled(list));
}

} // namespace
