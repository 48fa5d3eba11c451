// The Summary sheet over a real owner window: its tabs, each page's HTML
// read back from the page's HTML view, and its buttons.
#include <gtest/gtest.h>
#include <string>
#include "ce/pocketpc.h"
#include "app/app_values.h"
#include "ui/ui_values.h"
#include "res/resource.h"
#include "store/index_file_set.h"
#include "ui/summary_pages.h"
#include "ce_test_support.h"
#include "modal_watch.h"

static const int WaitMs = 5000;
// Id of Yes and No in the soft-reset question.
static const int NoButton = IDNO;

static const std::wstring ClosingLine =
    L"<font color=#880000>Files could be safely cleaned up by our <font color=#0000ff><b><a href=h>Tamberlin "
    L"v2.1</a></b></font> and later.</font>";

static std::wstring SizeText(const wchar_t *digits)
{
    return std::wstring(L"<font color=#000077><b>") + digits + L"</b></font> bytes";
}

struct SheetFind {
    HWND owner;
    HWND sheet;
};

static BOOL CALLBACK FindSheet(HWND hwnd, LPARAM context)
{
    SheetFind *find = (SheetFind *)context;
    if (GetWindow(hwnd, GW_OWNER) == find->owner && SendMessageW(hwnd, PSM_GETTABCONTROL, 0, 0)) {
        find->sheet = hwnd;
        return FALSE;
    }
    return TRUE;
}

class SummaryPagesTest : public ::testing::Test {
protected:
    HWND owner = NULL;
    HWND sheet = NULL;
    HANDLE mappings[IndexFileKinds] = {};

    void SetUp() override
    {
        FormAppNames();
        AppInstance = GetModuleHandleW(NULL);
        owner = CeCreateWindowExW(0, L"STATIC", L"owner", WS_POPUP | WS_VISIBLE, 0, 0, 240, 320, NULL, NULL,
                                AppInstance, NULL);
        SetSlot(KindCache, 32768, L"\\Windows\\Profiles\\guest\\Temporary Internet Files\\Content.IE5\\index.dat");
        SetSlot(KindCookies, 16384, L"\\Windows\\Profiles\\guest\\Cookies\\index.dat");
        SetSlot(KindHistory, 49152, L"\\Windows\\Profiles\\guest\\History\\History.IE5\\index.dat");
    }
    // The windows stay until the process ends: hiding a window costs Wine
    // seconds without a window manager.
    void TearDown() override
    {
        for (int kind = 0; kind < IndexFileKinds; kind++) {
            if (mappings[kind])
                CloseHandle(mappings[kind]);
            IndexFiles[kind].mapping = NULL;
        }
    }

    // A slot as FillIndexFileSet leaves it for a file it could map.
    void SetSlot(int kind, DWORD size, const wchar_t *path)
    {
        mappings[kind] = CreateFileMappingW(INVALID_HANDLE_VALUE, NULL, PAGE_READWRITE, 0, 4096, NULL);
        IndexFiles[kind].mapping = mappings[kind];
        IndexFiles[kind].size = size;
        lstrcpyW(IndexFiles[kind].path, path);
    }

    void OpenSheet()
    {
        CreateSummarySheet(owner);
        SheetFind find = { owner, NULL };
        EnumThreadWindows(GetCurrentThreadId(), FindSheet, (LPARAM)&find);
        sheet = find.sheet;
        ASSERT_TRUE(sheet != NULL);
    }

    HWND ShowPage(int index)
    {
        SendMessageW(sheet, PSM_SETCURSEL, index, 0);
        return (HWND)SendMessageW(sheet, PSM_GETCURRENTPAGEHWND, 0, 0);
    }

    std::wstring PageSource(int index)
    {
        HWND view = FindWindowExW(ShowPage(index), NULL, WC_HTML, NULL);
        if (!view)
            return L"(no HTML view)";
        std::wstring text(SendMessageW(view, WM_GETTEXTLENGTH, 0, 0) + 1, L'\0');
        text.resize(SendMessageW(view, WM_GETTEXT, text.size(), (LPARAM)&text[0]));
        return text;
    }

    // A tap on the page's button or link, as the HTML view reports it.
    void Tap(int index, const wchar_t *target)
    {
        HWND page = ShowPage(index);
        NM_HTMLVIEW hotspot = {};
        hotspot.hdr.hwndFrom = FindWindowExW(page, NULL, WC_HTML, NULL);
        hotspot.hdr.code = NM_HOTSPOT;
        hotspot.szTarget = target;
        SendMessageW(page, WM_NOTIFY, 0, (LPARAM)&hotspot);
    }
};

TEST_F(SummaryPagesTest, TabsInOrderWithMixedFirst)
{
    OpenSheet();
    HWND tabs = (HWND)SendMessageW(sheet, PSM_GETTABCONTROL, 0, 0);
    const wchar_t *titles[] = { L"Mixed", L"IE Cach", L"Cookies", L"IE History" };
    ASSERT_EQ(4, TabCtrl_GetItemCount(tabs));
    EXPECT_EQ(0, TabCtrl_GetCurSel(tabs));
    for (int i = 0; i < 4; i++) {
        WCHAR text[32] = L"";
        TCITEMW item = {};
        item.mask = TCIF_TEXT;
        item.pszText = text;
        item.cchTextMax = 32;
        SendMessageW(tabs, TCM_GETITEMW, i, (LPARAM)&item);
        EXPECT_STREQ(titles[i], text);
    }
}

TEST_F(SummaryPagesTest, PagesShowSizesAndLivePaths)
{
    OpenSheet();
    std::wstring pathOpen = L"<br>File Path: <font color=#0000FF>";
    EXPECT_EQ(L"<font color=#FF0000><b>IE Cach:</b></font> Size " + SizeText(L"32768") + pathOpen +
                  IndexFiles[KindCache].path + L"</font>" + L"<p><font color=#FF0000><b>Cookies:</b></font> Size " +
                  SizeText(L"16384") + pathOpen + IndexFiles[KindCookies].path + L"</font></p>" +
                  L"<p><font color=#FF0000><b>IE History:</b></font> Size " + SizeText(L"49152") + pathOpen +
                  IndexFiles[KindHistory].path +
                  L"</font></p><p align=right><input type=button value='View All' name=M></p>" + ClosingLine,
              PageSource(0));
    struct {
        const wchar_t *heading;
        const wchar_t *size;
        int kind;
        const wchar_t *button;
    } pages[] = {
        { L"IE Cach", L"32768", KindCache, L"<input type=button value='View Cach' name=T>" },
        { L"Cookies", L"16384", KindCookies, L"<input type=button value='View Cookies' name=C>" },
        { L"IE History", L"49152", KindHistory, L"<input type=button value='View History' name=H>" },
    };
    for (int i = 0; i < IndexFileKinds; i++) {
        EXPECT_EQ(std::wstring(L"<font color=#FF0000><h3>") + pages[i].heading + L" Records</h3></font> Size: " +
                      SizeText(pages[i].size) + L"<p>File Path: <font color=#0000FF> " +
                      IndexFiles[pages[i].kind].path + L"</font></p><p><br> " + pages[i].button + L"</p>" +
                      ClosingLine,
                  PageSource(i + 1));
    }
}

TEST_F(SummaryPagesTest, MarkupInPathsIsEscapedAndLargeSizesStayPositive)
{
    IndexFiles[KindCookies].size = 0x80000000u;
    lstrcpyW(IndexFiles[KindCookies].path, L"\\Storage\\A&B <\"x\">\\index.dat");
    OpenSheet();
    std::wstring cookies = PageSource(2);
    EXPECT_NE(std::wstring::npos, cookies.find(SizeText(L"2147483648")));
    EXPECT_NE(std::wstring::npos,
              cookies.find(L"<font color=#0000FF> \\Storage\\A&amp;B &lt;&quot;x&quot;&gt;\\index.dat</font>"));
}

TEST_F(SummaryPagesTest, ButtonWithAFileMissingSetsTheViewModeAndOffersTheSoftReset)
{
    CloseHandle(mappings[KindCookies]);
    mappings[KindCookies] = IndexFiles[KindCookies].mapping = NULL;
    OpenSheet();
    for (int round = 0; round < 2; round++) {
        ViewMode = 0;
        bool asked;
        std::thread watch = WatchForDialog(GetCurrentThreadId(), NoButton, WaitMs,
                                           [](HWND box) { PostMessageW(box, WM_COMMAND, NoButton, 0); }, &asked);
        Tap(1, L"T");
        watch.join();
        EXPECT_TRUE(asked) << "round " << round;
        EXPECT_EQ(1, ViewMode);
    }
}

TEST_F(SummaryPagesTest, ButtonsOpenTheRecordListForTheirViewMode)
{
    OpenSheet();
    struct {
        int page;
        const wchar_t *target;
        int viewMode;
    } buttons[] = { { 0, L"M", 0 }, { 1, L"T", 1 }, { 2, L"C", 2 }, { 3, L"H", 3 } };
    for (const auto &button : buttons) {
        ViewMode = -1;
        int modeWhenOpen = -1;
        bool opened;
        std::thread watch = WatchForDialog(GetCurrentThreadId(), IDC_LIST, WaitMs, [&](HWND list) {
            modeWhenOpen = ViewMode;
            PostMessageW(list, WM_COMMAND, IDOK, 0);
        }, &opened);
        Tap(button.page, button.target);
        watch.join();
        EXPECT_TRUE(opened) << button.page;
        EXPECT_EQ(button.viewMode, modeWhenOpen);
    }
}

TEST_F(SummaryPagesTest, SheetOkEndsTheLoop)
{
    OpenSheet();
    PostMessageW(sheet, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(0, PumpUntilQuit(WaitMs));
}

// The device's common controls version; the desktop's own is 6.
TEST(SummarySheet, HookAnswersTheDevicesCommonControlsVersion)
{
    EXPECT_EQ(0x20C, SummarySheetHook(NULL, PSCB_GETVERSION, 0));
    EXPECT_EQ(0, SummarySheetHook(NULL, PSCB_INITIALIZED, 0));
}
