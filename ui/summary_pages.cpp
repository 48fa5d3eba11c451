// The Summary sheet: a modeless full-screen property sheet with one HTML
// page per Index file and a Mixed page for all three, each with a button
// that opens the Record list for its View mode.
#include "ce/pocketpc.h"
#include "ui/ui_values.h"
#include "boot/soft_reset.h"
#include "res/resource.h"
#include "store/index_file_set.h"
#include "ui/dialog_resource.h"
#include "ui/help.h"
#include "ui/html_page.h"
#include "ui/record_list.h"
#include "ui/summary_pages.h"

// One page per View mode, in its order: the tab's title, and the label and
// hotspot target of the button that opens the Record list in that mode.
// "IE Cach" and "View Cach" kept as described: see docs/decisions.md, "The
// Cache tab and its texts keep the cut word Cach".
struct SummaryPage {
    LPCWSTR title;
    LPCWSTR buttonLabel;
    WCHAR hotspot;
};
static const SummaryPage Pages[ViewModeCount] = {
    { L"Mixed", L"View All", L'M' },
    { L"IE Cach", L"View Cach", L'T' },
    { L"Cookies", L"View Cookies", L'C' },
    { L"IE History", L"View History", L'H' },
};

// Each kind's fragments around its size and path: on the Mixed page and on
// its own page.
struct KindFragments {
    LPCWSTR mixedHeading;
    LPCWSTR mixedEnding;
    LPCWSTR pageHeading;
};
static const KindFragments KindTexts[IndexFileKinds] = {
    { L"<font color=#FF0000><b>IE Cach:</b></font> Size ", L"</font>",
      L"<font color=#FF0000><h3>IE Cach Records</h3></font> Size: " },
    { L"<p><font color=#FF0000><b>Cookies:</b></font> Size ", L"</font></p>",
      L"<font color=#FF0000><h3>Cookies Records</h3></font> Size: " },
    { L"<p><font color=#FF0000><b>IE History:</b></font> Size ", L"</font></p>",
      L"<font color=#FF0000><h3>IE History Records</h3></font> Size: " },
};
static const LPCWSTR MixedPathLabel = L"<br>File Path: <font color=#0000FF>";
static const LPCWSTR KindPathLabel = L"<p>File Path: <font color=#0000FF> ";
static const LPCWSTR KindPathEnding = L"</font></p>";
static const LPCWSTR MixedButtonStart = L"<p align=right>";
static const LPCWSTR KindButtonStart = L"<p><br> ";

// The target of the closing line's link to the maker's web site.
#define WEB_SITE_HOTSPOT L"h"
// Kept as described: see docs/decisions.md, "The Summary pages end with the
// cleaning-program line".
static const LPCWSTR ClosingLine =
    L"<font color=#880000>Files could be safely cleaned up by our <font color=#0000ff><b><a href=" WEB_SITE_HOTSPOT
    L">Tamberlin v2.1</a></b></font> and later.</font>";

// The HTML view sits inside the page, leaving room for the sheet's tabs.
static const RECT ViewMargins = { 2, 3, 2, 23 };

// Page hook answer that lets the sheet create the page.
static const UINT CreatePage = 1;

static void AddSize(HWND view, DWORD size)
{
    WCHAR fragment[64];
    wsprintfW(fragment, L"<font color=#000077><b>%u</b></font> bytes", size);
    AddPageText(view, fragment);
}

// One kind's size and path between the fragments of the page it is on.
static void AddKindPart(HWND view, int kind, LPCWSTR heading, LPCWSTR pathLabel, LPCWSTR ending)
{
    AddPageText(view, heading);
    AddSize(view, IndexFiles[kind].size);
    AddPageText(view, pathLabel);
    AddEscapedText(view, IndexFiles[kind].path);
    AddPageText(view, ending);
}

// The paragraph with the page's button, named by its View mode's hotspot.
static void AddListButton(HWND view, int viewMode, LPCWSTR paragraphStart)
{
    WCHAR button[96];
    wsprintfW(button, L"%s<input type=button value='%s' name=%c></p>", paragraphStart, Pages[viewMode].buttonLabel,
              Pages[viewMode].hotspot);
    AddPageText(view, button);
}

static void FillPage(HWND view, LPARAM pageIndex)
{
    if (pageIndex < ViewMixed || pageIndex >= ViewModeCount)
        return;
    if (pageIndex == ViewMixed) {
        for (int kind = 0; kind < IndexFileKinds; kind++)
            AddKindPart(view, kind, KindTexts[kind].mixedHeading, MixedPathLabel, KindTexts[kind].mixedEnding);
        AddListButton(view, ViewMixed, MixedButtonStart);
    } else {
        int kind = (int)pageIndex - FirstKindView;
        AddKindPart(view, kind, KindTexts[kind].pageHeading, KindPathLabel, KindPathEnding);
        AddListButton(view, (int)pageIndex, KindButtonStart);
    }
    AddPageText(view, ClosingLine);
}

static BOOL AllIndexFilesMapped(void)
{
    for (int kind = 0; kind < IndexFileKinds; kind++)
        if (!IndexFiles[kind].mapping)
            return FALSE;
    return TRUE;
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
    WCHAR target = hotspot->szTarget ? hotspot->szTarget[0] : 0;
    if (target == WEB_SITE_HOTSPOT[0]) {
        OpenWebSite();
        return TRUE;
    }
    for (int viewMode = ViewMixed; viewMode < ViewModeCount; viewMode++) {
        if (target == Pages[viewMode].hotspot) {
            OpenList(page, viewMode);
            return TRUE;
        }
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
        BuildHtmlPage(page, &ViewMargins, FillPage, ((LPPROPSHEETPAGEW)lParam)->lParam);
        return TRUE;
    case WM_COMMAND:
        return EndDialogOnOk(page, wParam);
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
    PROPSHEETPAGEW pages[ViewModeCount] = {};
    for (int i = 0; i < ViewModeCount; i++) {
        pages[i].dwSize = sizeof pages[i];
        pages[i].dwFlags = PSP_USETITLE | PSP_USECALLBACK;
        pages[i].hInstance = AppInstance;
        pages[i].pszTemplate = MAKEINTRESOURCEW(IDD_FULL_SCREEN);
        pages[i].pszTitle = Pages[i].title;
        pages[i].pfnDlgProc = SummaryPageProc;
        pages[i].lParam = i;
        pages[i].pfnCallback = PageHook;
    }
    PROPSHEETHEADERW sheet = {};
    sheet.dwSize = sizeof sheet;
    sheet.dwFlags = PSH_PROPSHEETPAGE | PSH_USECALLBACK | PSH_MODELESS | PSH_MAXIMIZE;
    sheet.hwndParent = owner;
    sheet.hInstance = AppInstance;
    sheet.nPages = ViewModeCount;
    sheet.nStartPage = ViewMixed;
    sheet.ppsp = pages;
    sheet.pfnCallback = SummarySheetHook;
    CePropertySheetW(&sheet);
}
