// The Record list: a full-screen report list of the Record rows of one Index
// file, or of all three sorted by last access. The list control is the only
// store of the rows; the details page reads them back from it.

#include "ui/record_list.h"
#include "ui/dialog_resource.h"
#include "ce/pocketpc.h"
#include "ui/ui_values.h"
#include "res/resource.h"
#include "store/index_file_set.h"
#include "ui/record_scanner.h"
#include "ui/help.h"
#include "ui/record_details.h"

// An insert position beyond any existing column appends the column.
#define APPEND_COLUMN 99

struct ListColumn {
    LPCWSTR header;
    int width;
};

// Only the first two are visible; the others carry the values that the
// details page reads back.
static const ListColumn ListColumns[] = {
    { L"Accessed", 95 },
    { L"URL", 500 },
    { L"Size", 0 },
    { L"Modified", 0 },
    { L"Dir", 0 },
    { L"File", 0 },
    { L"HTML-Headers", 0 },
    { L"Time Accessed", 0 },
    { L"Time Modified", 0 },
};

// Image index = Index file kind; each kind's icon by its resource id.
static const WORD KindIconIds[IndexFileKinds] = { IDI_KIND_CACHE, IDI_KIND_COOKIES, IDI_KIND_HISTORY };

void ShowRecordList(HWND owner)
{
    RunDialogResource(owner, IDD_RECORD_LIST, RecordListProc);
}

static BOOL AddKindIcons(HWND list)
{
    HIMAGELIST icons = ImageList_Create(KIND_ICON_SIZE, KIND_ICON_SIZE, ILC_COLORDDB | ILC_MASK, 1, 0);
    if (!icons)
        return FALSE;
    SendMessageW(list, LVM_SETIMAGELIST, LVSIL_SMALL, (LPARAM)icons);
    for (int kind = 0; kind < IndexFileKinds; kind++)
        ImageList_ReplaceIcon(icons, -1, KindIcons[KindIconIds[kind] - IDI_KIND_FIRST]);
    return TRUE;
}

static void AddListColumns(HWND list)
{
    for (int i = 0; i < (int)ARRAYSIZE(ListColumns); i++) {
        LVCOLUMNW column = {};
        column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
        column.fmt = LVCFMT_LEFT;
        column.cx = ListColumns[i].width;
        column.pszText = (LPWSTR)ListColumns[i].header;
        column.iSubItem = i;
        if (SendMessageW(list, LVM_INSERTCOLUMNW, APPEND_COLUMN, (LPARAM)&column) == -1)
            return;
    }
}

static HWND SetUpRecordList(HWND dlg)
{
    INITCOMMONCONTROLSEX controls = { sizeof controls, ICC_LISTVIEW_CLASSES };
    if (!InitCommonControlsEx(&controls))
        return NULL;
    HWND list = GetDlgItem(dlg, IDC_LIST);
    SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT);
    if (!AddKindIcons(list))
        return NULL;
    AddListColumns(list);
    return list;
}

// Largest Sort key first; keys are unsigned 32-bit values.
static int CALLBACK CompareSortKeys(LPARAM first, LPARAM second, LPARAM sortParam)
{
    DWORD firstKey = (DWORD)first, secondKey = (DWORD)second;
    (void)sortParam;
    if (firstKey > secondKey)
        return -1;
    return firstKey < secondKey ? 1 : 0;
}

static void ScanKind(HWND dlg, int kind)
{
    ScanIndexFile(dlg, IndexFiles[kind].mapping, IndexFiles[kind].size, kind);
}

static void FillRecordList(HWND dlg)
{
    HWND list = GetDlgItem(dlg, IDC_LIST);
    // Also stops the nested fill that the scanner's early repaint causes.
    if (SendMessageW(list, LVM_GETITEMCOUNT, 0, 0) > 0)
        return;
    SetCursor(LoadCursorW(NULL, (LPCWSTR)IDC_WAIT));
    // Platform adaptation: a visible list view on desktop Win32 and Wine
    // redraws its scroll bars at every inserted row, which makes a long fill
    // take minutes. The list stays undrawn from here to the end of the fill,
    // across all three files of the Mixed view; only the scanner's early
    // repaint lets it draw once in between.
    SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    if (ViewMode == ViewMixed) {
        for (int kind = 0; kind < IndexFileKinds; kind++)
            ScanKind(dlg, kind);
        SendMessageW(list, LVM_SORTITEMS, 0, (LPARAM)CompareSortKeys);
    } else if (ViewMode >= FirstKindView && ViewMode < ViewModeCount) {
        ScanKind(dlg, ViewMode - FirstKindView);
    }
    SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    // The frame too: the scroll bars that the fill's rows call for were
    // laid out while the list did not draw, and only a frame repaint draws
    // them.
    RedrawWindow(list, NULL, NULL, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME);
    SetCursor(NULL);
}

static void SizeRecordList(HWND dlg)
{
    RECT client;
    GetClientRect(dlg, &client);
    MoveWindow(GetDlgItem(dlg, IDC_LIST), 0, 0, client.right + 1, client.bottom + 1, FALSE);
}

static void OpenTappedRow(HWND dlg, const NMITEMACTIVATE *tap)
{
    SelectedRow = tap->iItem;
    // A tap below the last row names no row; there is nothing to show.
    if (SelectedRow < 0)
        return;
    ShowRecordDetails(dlg);
}

INT_PTR CALLBACK RecordListProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_INITDIALOG: {
        SHINITDLGINFO info = { SHIDIM_FLAGS, dlg, FULL_SCREEN_DIALOG_FLAGS };
        SHInitDialog(&info);
        SetUpRecordList(dlg);
        RecordListWindow = dlg;
        return TRUE;
    }
    // Kept as described: see docs/decisions.md, "The Record list fills when
    // its background is erased".
    case WM_ERASEBKGND:
        SizeRecordList(dlg);
        FillRecordList(dlg);
        return FALSE;
    case WM_NOTIFY:
        if (wParam == IDC_LIST && ((NMHDR *)lParam)->code == (UINT)NM_CLICK)
            OpenTappedRow(dlg, (NMITEMACTIVATE *)lParam);
        return FALSE;
    case WM_HELP:
        OpenHelp(HELP_TOPIC, ProgramTitle);
        return FALSE;
    case WM_COMMAND:
        return EndDialogOnOk(dlg, wParam);
    }
    return FALSE;
}
