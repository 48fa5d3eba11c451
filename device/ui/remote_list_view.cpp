#include "device/ui/remote_list_view.h"
#include <commctrl.h>
#include "device/ui/json_text.h"

#define TEXT_CHARS 1024
#define MESSAGE_TIMEOUT_MS 2000

// The block allocated in the list's process: a structure, then text room.
struct RemoteBlock {
    HANDLE process;
    BYTE *base;
};

static const SIZE_T StructRoom = 256;
static const SIZE_T BlockSize = StructRoom + TEXT_CHARS * sizeof(WCHAR);

static BOOL OpenRemoteBlock(HWND list, RemoteBlock *block)
{
    DWORD pid = 0;
    GetWindowThreadProcessId(list, &pid);
    block->process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
    if (!block->process)
        return FALSE;
    block->base = (BYTE *)VirtualAllocEx(block->process, NULL, BlockSize, MEM_COMMIT, PAGE_READWRITE);
    if (block->base)
        return TRUE;
    CloseHandle(block->process);
    return FALSE;
}

static void CloseRemoteBlock(RemoteBlock *block)
{
    VirtualFreeEx(block->process, block->base, 0, MEM_RELEASE);
    CloseHandle(block->process);
}

// Sends MESSAGE with the structure (SIZE bytes) copied into the block, then
// copies the structure and the text back. Returns the message's result.
static LRESULT SendRemote(HWND list, RemoteBlock *block, UINT message, WPARAM wParam, void *structure, SIZE_T size,
                          WCHAR *text)
{
    WriteProcessMemory(block->process, block->base, structure, size, NULL);
    DWORD_PTR result = 0;
    SendMessageTimeoutW(list, message, wParam, (LPARAM)block->base, SMTO_ABORTIFHUNG, MESSAGE_TIMEOUT_MS, &result);
    ReadProcessMemory(block->process, block->base, structure, size, NULL);
    ReadProcessMemory(block->process, block->base + StructRoom, text, TEXT_CHARS * sizeof(WCHAR), NULL);
    text[TEXT_CHARS - 1] = 0;
    return (LRESULT)result;
}

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
        item.pszText = (WCHAR *)(block->base + StructRoom);
        item.cchTextMax = TEXT_CHARS;
        WCHAR text[TEXT_CHARS] = L"";
        SendRemote(list, block, LVM_GETCOLUMNW, column, &item, sizeof item, text);
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
        item.pszText = (WCHAR *)(block->base + StructRoom);
        item.cchTextMax = TEXT_CHARS;
        WCHAR text[TEXT_CHARS] = L"";
        SendRemote(list, block, LVM_GETITEMW, 0, &item, sizeof item, text);
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
