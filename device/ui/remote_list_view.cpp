#include "device/ui/remote_list_view.h"
#include "device/list_reader/list_reader.h"

// A list that is still filling answers once the fill is done.
#define READ_TIMEOUT_MS 60000
#define FIRST_CAPACITY (16u << 20)

// Asks the reader in the list's thread for the list through a mapping of
// CAPACITY bytes and appends what it wrote when it fit. Returns the length
// of the list's text, 0 when the reader did not answer.
static UINT64 ReadThroughMapping(std::string &out, HWND list, UINT64 capacity)
{
    WCHAR name[64];
    wsprintfW(name, LIST_READER_MAPPING, GetCurrentProcessId());
    HANDLE mapping = CreateFileMappingW(INVALID_HANDLE_VALUE, NULL, PAGE_READWRITE, (DWORD)(capacity >> 32),
                                        (DWORD)capacity, name);
    if (!mapping)
        return 0;
    UINT64 length = 0;
    const ListDumpHeader *dump = (const ListDumpHeader *)MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0);
    if (dump) {
        DWORD_PTR ignored = 0;
        if (SendMessageTimeoutW(list, RegisterWindowMessageW(LIST_READER_MESSAGE), GetCurrentProcessId(),
                                (LPARAM)capacity, SMTO_NORMAL, READ_TIMEOUT_MS, &ignored))
            length = dump->length;
        if (length && sizeof *dump + length <= capacity)
            out.append((const char *)(dump + 1), length);
        UnmapViewOfFile(dump);
    }
    CloseHandle(mapping);
    return length;
}

void AppendListView(std::string &out, HWND list)
{
    HMODULE reader = LoadLibraryW(LIST_READER_DLL);
    if (!reader)
        return;
    HOOKPROC hook = (HOOKPROC)GetProcAddress(reader, LIST_READER_HOOK);
    HHOOK installed = hook ? SetWindowsHookExW(WH_CALLWNDPROC, hook, reader, GetWindowThreadProcessId(list, NULL))
                           : NULL;
    if (installed) {
        UINT64 length = ReadThroughMapping(out, list, FIRST_CAPACITY);
        if (sizeof(ListDumpHeader) + length > FIRST_CAPACITY)
            ReadThroughMapping(out, list, sizeof(ListDumpHeader) + length);
        UnhookWindowsHookEx(installed);
    }
    FreeLibrary(reader);
}
