// The hook side of the list reader (see list_reader.h): runs in the list
// view's own thread, reads its columns and rows with ordinary messages and
// writes them as JSON into the reading process's mapping.
#include "device/list_reader/list_reader.h"
#include <commctrl.h>
#include <string.h>
#include "device/ui/json_text.h"

#define CELL_TEXT_CHARS 1024

// Messages go straight to the window's procedure: while the hook is in
// place, every message sent in this thread would run it again.
static LRESULT Ask(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return CallWindowProcW((WNDPROC)GetWindowLongPtrW(window, GWLP_WNDPROC), window, message, wParam, lParam);
}

static int ColumnCount(HWND list)
{
    HWND header = (HWND)Ask(list, LVM_GETHEADER, 0, 0);
    return header ? (int)Ask(header, HDM_GETITEMCOUNT, 0, 0) : 1;
}

static void AppendColumns(std::string &out, HWND list, int columns)
{
    out += ",\"columns\":[";
    for (int column = 0; column < columns; column++) {
        WCHAR text[CELL_TEXT_CHARS] = L"";
        LVCOLUMNW item = {};
        item.mask = LVCF_TEXT | LVCF_WIDTH;
        item.pszText = text;
        item.cchTextMax = CELL_TEXT_CHARS;
        Ask(list, LVM_GETCOLUMNW, column, (LPARAM)&item);
        out += column ? ",{\"header\":" : "{\"header\":";
        AppendJsonString(out, text);
        out += ",\"width\":";
        AppendJsonNumber(out, item.cx);
        out += '}';
    }
    out += ']';
}

static void AppendRow(std::string &out, HWND list, int row, int columns)
{
    LVITEMW first = {};
    out += "{\"texts\":[";
    for (int column = 0; column < columns; column++) {
        WCHAR text[CELL_TEXT_CHARS] = L"";
        LVITEMW item = {};
        item.mask = LVIF_TEXT | (column == 0 ? LVIF_IMAGE | LVIF_PARAM : 0);
        item.iItem = row;
        item.iSubItem = column;
        item.pszText = text;
        item.cchTextMax = CELL_TEXT_CHARS;
        Ask(list, LVM_GETITEMW, 0, (LPARAM)&item);
        if (column == 0)
            first = item;
        if (column)
            out += ',';
        AppendJsonString(out, text);
    }
    out += "],\"image\":";
    AppendJsonNumber(out, first.iImage);
    out += ",\"param\":";
    AppendJsonNumber(out, (long long)first.lParam);
    out += '}';
}

static void AppendList(std::string &out, HWND list)
{
    int columns = ColumnCount(list);
    AppendColumns(out, list, columns);
    int rows = (int)Ask(list, LVM_GETITEMCOUNT, 0, 0);
    out += ",\"rows\":[";
    for (int row = 0; row < rows; row++) {
        if (row)
            out += ',';
        AppendRow(out, list, row, columns);
    }
    out += ']';
}

static void WriteList(HWND list, DWORD reader, UINT64 capacity)
{
    std::string json;
    AppendList(json, list);
    WCHAR name[64];
    wsprintfW(name, LIST_READER_MAPPING, reader);
    HANDLE mapping = OpenFileMappingW(FILE_MAP_WRITE, FALSE, name);
    if (!mapping)
        return;
    ListDumpHeader *dump = (ListDumpHeader *)MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, 0);
    if (dump) {
        if (sizeof *dump + json.size() <= capacity)
            memcpy(dump + 1, json.data(), json.size());
        dump->length = json.size();
        UnmapViewOfFile(dump);
    }
    CloseHandle(mapping);
}

extern "C" __declspec(dllexport) LRESULT CALLBACK ReadListHook(int code, WPARAM wParam, LPARAM lParam)
{
    const CWPSTRUCT *sent = (const CWPSTRUCT *)lParam;
    if (code == HC_ACTION && sent->message == RegisterWindowMessageW(LIST_READER_MESSAGE))
        WriteList(sent->hwnd, (DWORD)sent->wParam, (UINT64)sent->lParam);
    return CallNextHookEx(NULL, code, wParam, lParam);
}
