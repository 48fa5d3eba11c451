// The Record details page: one row of the Record list as a short HTML page.
// Every value is read back from the list control's columns.

#include "ui/record_details.h"
#include "ce/pocketpc.h"
#include "ui/ui_values.h"
#include "res/resource.h"
#include "store/record_row.h"
#include "ui/record_list.h"
#include "ui/dialog_resource.h"

#define PAGE_MARGIN 5
#define HTML_VIEW_STYLE (WS_CHILD | WS_VISIBLE | WS_BORDER)
#define VALUE_BUFFER 1000
// One less than the buffer: at most 998 characters of a value reach the page.
#define VALUE_LIMIT 999
// The longest escape, "&quot;", is six characters.
#define ESCAPED_BUFFER (VALUE_BUFFER * 6)

#define COLOUR_TIME L"#00008F"
#define COLOUR_URL L"#FF0000"
#define COLOUR_FILE L"#0000FF"

void ShowRecordDetails(HWND owner)
{
    RunDialogResource(owner, IDD_FULL_SCREEN, RecordDetailsProc);
}

static void AddPageText(HWND view, LPCWSTR text)
{
    SendMessageW(view, DTM_ADDTEXTW, 0, (LPARAM)text);
}

static void ReadSelectedColumn(int column, LPWSTR value)
{
    LVITEMW item = {};
    value[0] = 0;
    item.iSubItem = column;
    item.pszText = value;
    item.cchTextMax = VALUE_LIMIT;
    SendMessageW(GetDlgItem(RecordListWindow, IDC_LIST), LVM_GETITEMTEXTW, SelectedRow, (LPARAM)&item);
}

// Values come from the index file; escaping keeps a "<" or "&" in a URL or
// header as text instead of markup.
static void EscapeHtml(LPCWSTR text, LPWSTR escaped)
{
    for (; *text; text++) {
        switch (*text) {
        case L'&': lstrcpyW(escaped, L"&amp;"); break;
        case L'<': lstrcpyW(escaped, L"&lt;"); break;
        case L'>': lstrcpyW(escaped, L"&gt;"); break;
        case L'"': lstrcpyW(escaped, L"&quot;"); break;
        default: escaped[0] = *text; escaped[1] = 0; break;
        }
        escaped += lstrlenW(escaped);
    }
    *escaped = 0;
}

static void AddColumnValue(HWND view, int column, LPWSTR buffer)
{
    WCHAR escaped[ESCAPED_BUFFER];
    ReadSelectedColumn(column, buffer);
    EscapeHtml(buffer, escaped);
    AddPageText(view, escaped);
}

static void AddColouredColumn(HWND view, int column, LPCWSTR colour)
{
    WCHAR buffer[VALUE_BUFFER];
    wsprintfW(buffer, L"<font color=%s>", colour);
    AddPageText(view, buffer);
    AddColumnValue(view, column, buffer);
    AddPageText(view, L"</font>");
}

static void AddPlainColumn(HWND view, int column)
{
    WCHAR buffer[VALUE_BUFFER];
    AddColumnValue(view, column, buffer);
}

static void AddRecordPage(HWND view)
{
    AddPageText(view, L"<b>Accessed:</b> ");
    AddColouredColumn(view, ColumnAccessed, COLOUR_TIME);
    AddPageText(view, L" - ");
    AddColouredColumn(view, ColumnTimeAccessed, COLOUR_TIME);
    AddPageText(view, L"<br><b>Modified:</b> ");
    AddColouredColumn(view, ColumnModified, COLOUR_TIME);
    AddPageText(view, L" - ");
    AddColouredColumn(view, ColumnTimeModified, COLOUR_TIME);
    AddPageText(view, L"<br><b>Record Size: ");
    AddColouredColumn(view, ColumnSize, COLOUR_TIME);
    AddPageText(view, L"</b> bytes");
    AddPageText(view, L"<p><b>URL:</b> ");
    AddColouredColumn(view, ColumnUrl, COLOUR_URL);
    AddPageText(view, L"<p><b>File:</b> <font color=" COLOUR_FILE L">");
    AddPlainColumn(view, ColumnDir);
    AddPageText(view, L"\\");
    AddPlainColumn(view, ColumnFile);
    AddPageText(view, L"</font>");
    AddPageText(view, L"<p><b>HTML Data:</b> ");
    AddColouredColumn(view, ColumnHeaders, COLOUR_FILE);
}

static void BuildRecordPage(HWND dlg)
{
    SHINITDLGINFO info = { SHIDIM_FLAGS, dlg, FULL_SCREEN_DIALOG_FLAGS };
    RECT client;
    SHInitDialog(&info);
    GetClientRect(dlg, &client);
    InitHTMLControl(AppInstance);
    HWND view = CeCreateWindowExW(0, WC_HTML, NULL, HTML_VIEW_STYLE, PAGE_MARGIN, PAGE_MARGIN,
                                client.right - 2 * PAGE_MARGIN, client.bottom - 2 * PAGE_MARGIN, dlg, (HMENU)0,
                                AppInstance, NULL);
    if (!view)
        return;
    SendMessageW(view, DTM_CLEAR, 0, 0);
    AddRecordPage(view);
    SendMessageW(view, DTM_ENDOFSOURCE, 0, 0);
}

INT_PTR CALLBACK RecordDetailsProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    (void)lParam;
    switch (msg) {
    case WM_INITDIALOG:
        BuildRecordPage(dlg);
        return TRUE;
    case WM_DESTROY:
        CeSetForegroundWindow(RecordListWindow);
        SetFocus(RecordListWindow);
        return FALSE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK) {
            EndDialog(dlg, 1);
            return TRUE;
        }
        return FALSE;
    }
    return FALSE;
}
