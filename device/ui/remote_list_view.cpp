#include "device/ui/remote_list_view.h"
#include <commctrl.h>
#include "device/ui/json_text.h"
#include "device/ui/remote_memory.h"

static int ColumnCount(HWND list)
{
    HWND header = (HWND)SendMessageW(list, LVM_GETHEADER, 0, 0);
    return header ? (int)SendMessageW(header, HDM_GETITEMCOUNT, 0, 0) : 1;
}

static void AppendColumns(std::string &out, HWND list, RemoteBlock *block, int columns)
{
    out += ",\"columns\":[";
    for (int column = 0; column < columns; column++) {
        LVCOLUMNW item = {};
        item.mask = LVCF_TEXT | LVCF_WIDTH;
        item.pszText = RemoteText(block);
        item.cchTextMax = REMOTE_TEXT_CHARS;
        WCHAR text[REMOTE_TEXT_CHARS] = L"";
        SendRemote(list, block, LVM_GETCOLUMNW, column, &item, sizeof item, text, REMOTE_TEXT_CHARS);
        out += column ? ",{\"header\":" : "{\"header\":";
        AppendJsonString(out, text);
        out += ",\"width\":";
        AppendJsonNumber(out, item.cx);
        out += '}';
    }
    out += ']';
}

static void AppendRow(std::string &out, HWND list, RemoteBlock *block, int row, int columns)
{
    LVITEMW first = {};
    out += "{\"texts\":[";
    for (int column = 0; column < columns; column++) {
        LVITEMW item = {};
        item.mask = LVIF_TEXT | (column == 0 ? LVIF_IMAGE | LVIF_PARAM : 0);
        item.iItem = row;
        item.iSubItem = column;
        item.pszText = RemoteText(block);
        item.cchTextMax = REMOTE_TEXT_CHARS;
        WCHAR text[REMOTE_TEXT_CHARS] = L"";
        SendRemote(list, block, LVM_GETITEMW, 0, &item, sizeof item, text, REMOTE_TEXT_CHARS);
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

void AppendListView(std::string &out, HWND list)
{
    RemoteBlock block;
    if (!OpenRemoteBlock(list, &block))
        return;
    int columns = ColumnCount(list);
    AppendColumns(out, list, &block, columns);
    int rows = (int)SendMessageW(list, LVM_GETITEMCOUNT, 0, 0);
    out += ",\"rows\":[";
    for (int row = 0; row < rows; row++) {
        if (row)
            out += ',';
        AppendRow(out, list, &block, row, columns);
    }
    out += ']';
    CloseRemoteBlock(&block);
}
