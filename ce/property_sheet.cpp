// Property sheets with the device's flags: PSH_MAXIMIZE makes a sheet that
// fills the work area, with its tabs at the bottom, no desktop buttons and
// the title bar ok; the header's callback is asked PSCB_GETVERSION, a
// number that desktop comctl32 uses for PSCB_BUTTONPRESSED.
#include "ce/aygshell.h"
#include "ce/coredll.h"
#include "ce/device_screen.h"
#include "ce/nav_bar.h"
#include "ce/property_sheet.h"

#define IDC_SHEET_APPLY 0x3021
#define WM_SHEET_MAKE_PAGES (WM_APP + 2)
#define SHEET_SUBCLASS 1

static const int DesktopSheetButtons[] = {IDOK, IDCANCEL, IDC_SHEET_APPLY, IDHELP};

// The sheet being made: its header's callback and whether it fills the
// screen. The callback gets no user data, and sheets are made one at a time.
static PFNPROPSHEETCALLBACK PendingCallback;
static BOOL PendingMaximize;
static BOOL PendingUntitled;

BOOL IsPropertySheetPage(HWND window)
{
    if (!(GetWindowLongW(window, GWL_STYLE) & WS_CHILD))
        return FALSE;
    HWND tabs = GetDlgItem(GetParent(window), IDC_SHEET_TABS);
    WCHAR name[32];
    return tabs && GetClassNameW(tabs, name, ARRAYSIZE(name)) && !lstrcmpiW(name, WC_TABCONTROLW);
}

void GetSheetPageArea(HWND sheet, RECT *area)
{
    HWND tabs = GetDlgItem(sheet, IDC_SHEET_TABS);
    GetClientRect(tabs, area);
    SendMessageW(tabs, TCM_ADJUSTRECT, FALSE, (LPARAM)area);
    MapWindowPoints(tabs, sheet, (POINT *)area, 2);
}

static void SendHelpToPage(HWND sheet)
{
    HWND page = PropSheet_GetCurrentPageHwnd(sheet);
    PSHNOTIFY notify = {};
    notify.hdr.hwndFrom = sheet;
    notify.hdr.code = PSN_HELP;
    if (page)
        SendMessageW(page, WM_NOTIFY, 0, (LPARAM)&notify);
}

// Desktop comctl32 makes a page when it is first shown and confirms only
// the pages it has made; on the device the ok confirms every page.
static void MakeAllPages(HWND sheet)
{
    HWND tabs = PropSheet_GetTabControl(sheet);
    int count = TabCtrl_GetItemCount(tabs), current = TabCtrl_GetCurSel(tabs), missing = 0;
    for (int i = 0; i < count; i++)
        if (!PropSheet_IndexToHwnd(sheet, i))
            missing++;
    if (!missing)
        return;
    SendMessageW(sheet, WM_SETREDRAW, FALSE, 0);
    for (int i = 0; i < count; i++)
        if (!PropSheet_IndexToHwnd(sheet, i))
            PropSheet_SetCurSel(sheet, NULL, i);
    PropSheet_SetCurSel(sheet, NULL, current);
    SendMessageW(sheet, WM_SETREDRAW, TRUE, 0);
    RedrawWindow(sheet, NULL, NULL, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
}

static LRESULT CALLBACK SheetSubclass(HWND sheet, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR)
{
    switch (message) {
    case WM_HELP:
        SendHelpToPage(sheet);
        return TRUE;
    case WM_SHEET_MAKE_PAGES:
        MakeAllPages(sheet);
        return 0;
    case WM_NCDESTROY:
        RemoveWindowSubclass(sheet, SheetSubclass, SHEET_SUBCLASS);
        break;
    }
    return DefSubclassProc(sheet, message, wParam, lParam);
}

static void FillWorkArea(HWND sheet)
{
    LONG style = GetWindowLongW(sheet, GWL_STYLE) & ~(WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | DS_MODALFRAME);
    LONG exStyle = GetWindowLongW(sheet, GWL_EXSTYLE) & ~(WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE | WS_EX_CONTEXTHELP);
    SetWindowLongW(sheet, GWL_STYLE, style);
    SetWindowLongW(sheet, GWL_EXSTYLE, exStyle);
    RECT area;
    GetDeviceWorkArea(&area);
    SetWindowPos(sheet, NULL, area.left, area.top, area.right - area.left, area.bottom - area.top,
                 SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    for (int id : DesktopSheetButtons)
        ShowWindow(GetDlgItem(sheet, id), SW_HIDE);
    HWND tabs = GetDlgItem(sheet, IDC_SHEET_TABS);
    SetWindowLongW(tabs, GWL_STYLE, GetWindowLongW(tabs, GWL_STYLE) | TCS_BOTTOM);
    RECT client;
    GetClientRect(sheet, &client);
    MoveWindow(tabs, 0, 0, client.right, client.bottom, TRUE);
}

// Runs before the first page is made, so pages are made at their final size.
static void SetUpSheet(HWND sheet)
{
    SetWindowSubclass(sheet, SheetSubclass, SHEET_SUBCLASS, 0);
    if (!PendingMaximize)
        return;
    FillWorkArea(sheet);
    // Desktop comctl32 titles an untitled sheet "Properties for"; the
    // navigation bar shows the owner's title instead.
    if (PendingUntitled)
        SetWindowTextW(sheet, L"");
    GiveOkButton(sheet);
    PostMessageW(sheet, WM_SHEET_MAKE_PAGES, 0, 0);
}

static int CALLBACK SheetCallback(HWND sheet, UINT message, LPARAM lParam)
{
    if (message == PSCB_INITIALIZED)
        SetUpSheet(sheet);
    if (message == PSCB_BUTTONPRESSED || !PendingCallback)
        return 0;
    return PendingCallback(sheet, message, lParam);
}

INT_PTR CePropertySheetW(LPCPROPSHEETHEADERW lppsph)
{
    if (!lppsph)
        return -1;
    PROPSHEETHEADERW header = {};
    memcpy(&header, lppsph, lppsph->dwSize < sizeof header ? lppsph->dwSize : sizeof header);
    PendingMaximize = (header.dwFlags & PSH_MAXIMIZE) != 0;
    PendingCallback = (header.dwFlags & PSH_USECALLBACK) ? header.pfnCallback : NULL;
    PendingUntitled = !header.pszCaption || (!IS_INTRESOURCE(header.pszCaption) && !header.pszCaption[0]);
    if (PendingCallback)
        PendingCallback(NULL, PSCB_GETVERSION, 0);
    header.dwFlags = (header.dwFlags & ~PSH_MAXIMIZE) | PSH_USECALLBACK;
    header.pfnCallback = SheetCallback;
    INT_PTR result = PropertySheetW(&header);
    if (PendingMaximize && (header.dwFlags & PSH_MODELESS) && result && result != -1)
        MakeAllPages((HWND)result);
    return result;
}
