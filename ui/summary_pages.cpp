// The Summary sheet: a modeless full-screen property sheet with one HTML
// page per Index file and a Mixed page for all three, each with a button
// that opens the Record list for its View mode.
#include "ce/pocketpc.h"
#include "ui/ui_values.h"
#include "boot/soft_reset.h"
#include "res/resource.h"
#include "store/win32/index_file_set.h"
#include "ui/help.h"
#include "ui/record_list.h"
#include "ui/summary_pages.h"

enum { MixedPage, SummaryPages = 4 };

static const LPCWSTR PageTitles[SummaryPages] = { L"Mixed", L"IE Cach", L"Cookies", L"IE History" };

static const LPCWSTR MixedHeadings[IndexFileKinds] = {
    L"<font color=#FF0000><b>IE Cach:</b></font> Size ",
    L"<p><font color=#FF0000><b>Cookies:</b></font> Size ",
    L"<p><font color=#FF0000><b>IE History:</b></font> Size ",
};
static const LPCWSTR MixedPathLabel = L"<br>File Path: <font color=#0000FF>";
static const LPCWSTR MixedEndings[IndexFileKinds] = {
    L"</font>",
    L"</font></p>",
    L"</font></p><p align=right><input type=button value='View All' name=M></p>",
};

static const LPCWSTR KindHeadings[IndexFileKinds] = {
    L"<font color=#FF0000><h3>IE Cach Records</h3></font> Size: ",
    L"<font color=#FF0000><h3>Cookies Records</h3></font> Size: ",
    L"<font color=#FF0000><h3>IE History Records</h3></font> Size: ",
};
static const LPCWSTR KindPathLabel = L"<p>File Path: <font color=#0000FF> ";
static const LPCWSTR KindButtons[IndexFileKinds] = {
    L"</font></p><p><br> <input type=button value='View Cach' name=T></p>",
    L"</font></p><p><br> <input type=button value='View Cookies' name=C></p>",
    L"</font></p><p><br> <input type=button value='View History' name=H></p>",
};

static const LPCWSTR ClosingLine =
    L"<font color=#880000>Files could be safely cleaned up by our <font color=#0000ff><b><a href=h>Tamberlin v2.1</a>"
    L"</b></font> and later.</font>";

// The HTML view sits inside the page, leaving room for the sheet's tabs.
static const int ViewLeft = 2;
static const int ViewTop = 3;
static const int ViewWidthMargin = 4;
static const int ViewHeightMargin = 26;

// Page hook answer that lets the sheet create the page.
static const UINT CreatePage = 1;

static void AddText(HWND view, LPCWSTR text)
{
    SendMessageW(view, DTM_ADDTEXTW, 0, (LPARAM)text);
}

static void AddSize(HWND view, DWORD size)
{
    WCHAR fragment[64];
    wsprintfW(fragment, L"<font color=#000077><b>%u</b></font> bytes", size);
    AddText(view, fragment);
}

// Paths come from the registry and may hold characters that are markup.
static void AddPath(HWND view, LPCWSTR path)
{
    WCHAR escaped[MAX_PATH * 6];
    WCHAR *out = escaped;
    for (; *path; path++) {
        switch (*path) {
        case L'&': out += wsprintfW(out, L"&amp;"); break;
        case L'<': out += wsprintfW(out, L"&lt;"); break;
        case L'>': out += wsprintfW(out, L"&gt;"); break;
        case L'"': out += wsprintfW(out, L"&quot;"); break;
        default: *out++ = *path; break;
        }
    }
    *out = 0;
    AddText(view, escaped);
}

static void AddMixedPage(HWND view)
{
    for (int kind = KindCache; kind < IndexFileKinds; kind++) {
        AddText(view, MixedHeadings[kind]);
        AddSize(view, IndexFiles[kind].size);
        AddText(view, MixedPathLabel);
        AddPath(view, IndexFiles[kind].path);
        AddText(view, MixedEndings[kind]);
    }
}

static void AddKindPage(HWND view, int kind)
{
    AddText(view, KindHeadings[kind]);
    AddSize(view, IndexFiles[kind].size);
    AddText(view, KindPathLabel);
    AddPath(view, IndexFiles[kind].path);
    AddText(view, KindButtons[kind]);
}

static void BuildPage(HWND page, int pageIndex)
{
    SHINITDLGINFO init = { SHIDIM_FLAGS, page, FULL_SCREEN_DIALOG_FLAGS };
    SHInitDialog(&init);
    RECT client;
    GetClientRect(page, &client);
    InitHTMLControl(AppInstance);
    HWND view = CeCreateWindowExW(0, WC_HTML, NULL, WS_CHILD | WS_VISIBLE | WS_BORDER, ViewLeft, ViewTop,
                                client.right - ViewWidthMargin, client.bottom - ViewHeightMargin, page, NULL,
                                AppInstance, NULL);
    if (!view)
        return;
    SendMessageW(view, DTM_CLEAR, 0, 0);
    if (pageIndex >= MixedPage && pageIndex < SummaryPages) {
        if (pageIndex == MixedPage)
            AddMixedPage(view);
        else
            AddKindPage(view, pageIndex - 1);
        AddText(view, ClosingLine);
    }
    SendMessageW(view, DTM_ENDOFSOURCE, 0, 0);
}

static BOOL AllIndexFilesMapped(void)
{
    return IndexFiles[KindCache].mapping && IndexFiles[KindCookies].mapping && IndexFiles[KindHistory].mapping;
}

// A button sets the View mode; the list needs all three files, otherwise
// the user is offered the soft reset that makes them readable.
static void OpenList(HWND page, int viewMode)
{
    ViewMode = viewMode;
    if (AllIndexFilesMapped())
        ShowRecordList(page);
    else
        BeginSoftReset(page, TRUE, ProgramTitle, ProgramClassName);
}

static BOOL OnHotspot(HWND page, const NM_HTMLVIEW *hotspot)
{
    switch (hotspot->szTarget ? hotspot->szTarget[0] : 0) {
    case L'M': OpenList(page, ViewMixed); return TRUE;
    case L'T': OpenList(page, ViewCache); return TRUE;
    case L'C': OpenList(page, ViewCookies); return TRUE;
    case L'H': OpenList(page, ViewHistory); return TRUE;
    case L'h': OpenWebSite(); return TRUE;
    }
    return FALSE;
}

static BOOL OnNotify(HWND page, LPNMHDR header)
{
    switch (header->code) {
    case NM_HOTSPOT:
        return OnHotspot(page, (const NM_HTMLVIEW *)header);
    case PSN_APPLY:
        PostQuitMessage(0);
        break;
    case PSN_HELP:
        OpenHelp(HELP_TOPIC, ProgramTitle);
        break;
    }
    return FALSE;
}

static INT_PTR CALLBACK SummaryPageProc(HWND page, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_INITDIALOG:
        BuildPage(page, (int)((LPPROPSHEETPAGEW)lParam)->lParam);
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) != IDOK)
            return FALSE;
        EndDialog(page, 1);
        return TRUE;
    case WM_NOTIFY:
        return OnNotify(page, (LPNMHDR)lParam);
    }
    return FALSE;
}

static UINT CALLBACK PageHook(HWND, UINT msg, LPPROPSHEETPAGEW)
{
    return msg == PSPCB_CREATE ? CreatePage : (UINT)-1;
}

int CALLBACK SummarySheetHook(HWND, UINT msg, LPARAM)
{
    return msg == PSCB_GETVERSION ? COMCTL32_DEVICE_VERSION : 0;
}

void CreateSummarySheet(HWND owner)
{
    PROPSHEETPAGEW pages[SummaryPages] = {};
    for (int i = 0; i < SummaryPages; i++) {
        pages[i].dwSize = sizeof pages[i];
        pages[i].dwFlags = PSP_USETITLE | PSP_USECALLBACK;
        pages[i].hInstance = AppInstance;
        pages[i].pszTemplate = MAKEINTRESOURCEW(IDD_FULL_SCREEN);
        pages[i].pszTitle = PageTitles[i];
        pages[i].pfnDlgProc = SummaryPageProc;
        pages[i].lParam = i;
        pages[i].pfnCallback = PageHook;
    }
    PROPSHEETHEADERW sheet = {};
    sheet.dwSize = sizeof sheet;
    sheet.dwFlags = PSH_PROPSHEETPAGE | PSH_USECALLBACK | PSH_MODELESS | PSH_MAXIMIZE;
    sheet.hwndParent = owner;
    sheet.hInstance = AppInstance;
    sheet.nPages = SummaryPages;
    sheet.nStartPage = MixedPage;
    sheet.ppsp = pages;
    sheet.pfnCallback = SummarySheetHook;
    CePropertySheetW(&sheet);
}
