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

enum { MixedPage, SummaryPages = 4 };

// "IE Cach" here and "View Cach" below kept as described: see
// docs/decisions.md, "The Cache tab and its texts keep the cut word Cach".
static const LPCWSTR PageTitles[SummaryPages] = { L"Mixed", L"IE Cach", L"Cookies", L"IE History" };

// Each kind's fragments around its size and path: on the Mixed page, and
// on its own page with the button that opens its list.
struct KindFragments {
    LPCWSTR mixedHeading;
    LPCWSTR mixedEnding;
    LPCWSTR pageHeading;
    LPCWSTR pageEnding;
};
static const KindFragments KindTexts[IndexFileKinds] = {
    { L"<font color=#FF0000><b>IE Cach:</b></font> Size ", L"</font>",
      L"<font color=#FF0000><h3>IE Cach Records</h3></font> Size: ",
      L"</font></p><p><br> <input type=button value='View Cach' name=T></p>" },
    { L"<p><font color=#FF0000><b>Cookies:</b></font> Size ", L"</font></p>",
      L"<font color=#FF0000><h3>Cookies Records</h3></font> Size: ",
      L"</font></p><p><br> <input type=button value='View Cookies' name=C></p>" },
    { L"<p><font color=#FF0000><b>IE History:</b></font> Size ",
      L"</font></p><p align=right><input type=button value='View All' name=M></p>",
      L"<font color=#FF0000><h3>IE History Records</h3></font> Size: ",
      L"</font></p><p><br> <input type=button value='View History' name=H></p>" },
};
static const LPCWSTR MixedPathLabel = L"<br>File Path: <font color=#0000FF>";
static const LPCWSTR KindPathLabel = L"<p>File Path: <font color=#0000FF> ";

// Kept as described: see docs/decisions.md, "The Summary pages end with the
// cleaning-program line".
static const LPCWSTR ClosingLine =
    L"<font color=#880000>Files could be safely cleaned up by our <font color=#0000ff><b><a href=h>Tamberlin v2.1</a>"
    L"</b></font> and later.</font>";

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

static void FillPage(HWND view, LPARAM pageIndex)
{
    if (pageIndex < MixedPage || pageIndex >= SummaryPages)
        return;
    if (pageIndex == MixedPage) {
        for (int kind = KindCache; kind < IndexFileKinds; kind++)
            AddKindPart(view, kind, KindTexts[kind].mixedHeading, MixedPathLabel, KindTexts[kind].mixedEnding);
    } else {
        const KindFragments *texts = &KindTexts[pageIndex - 1];
        AddKindPart(view, (int)pageIndex - 1, texts->pageHeading, KindPathLabel, texts->pageEnding);
    }
    AddPageText(view, ClosingLine);
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
