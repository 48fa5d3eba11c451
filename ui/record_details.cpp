// The Record details page: one row of the Record list as a short HTML page.
// Every value is read back from the list control's columns.

#include "ui/record_details.h"
#include "ce/pocketpc.h"
#include "ui/ui_values.h"
#include "res/resource.h"
#include "format/record_row.h"
#include "ui/html_page.h"
#include "ui/record_list.h"
#include "ui/dialog_resource.h"

#define VALUE_BUFFER 1000
// One less than the buffer: at most 998 characters of a value reach the page.
#define VALUE_LIMIT 999

#define COLOUR_TIME L"#00008F"
#define COLOUR_URL L"#FF0000"
#define COLOUR_FILE L"#0000FF"

void ShowRecordDetails(HWND owner)
{
    RunDialogResource(owner, IDD_FULL_SCREEN, RecordDetailsProc);
}

// The page's view lies five pixels inside the dialog on every side.
static const RECT PageMargins = { 5, 5, 5, 5 };

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
static void AddColumnValue(HWND view, int column, LPWSTR buffer)
{
    ReadSelectedColumn(column, buffer);
    AddEscapedText(view, buffer);
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

static void AddRecordPage(HWND view, LPARAM)
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

INT_PTR CALLBACK RecordDetailsProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    (void)lParam;
    switch (msg) {
    case WM_INITDIALOG:
        BuildHtmlPage(dlg, &PageMargins, AddRecordPage, 0);
        return TRUE;
    case WM_DESTROY:
        CeSetForegroundWindow(RecordListWindow);
        SetFocus(RecordListWindow);
        return FALSE;
    case WM_COMMAND:
        return EndDialogOnOk(dlg, wParam);
    }
    return FALSE;
}
