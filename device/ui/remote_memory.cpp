#include "device/ui/remote_memory.h"

#define MESSAGE_TIMEOUT_MS 2000

static const SIZE_T BlockSize = REMOTE_STRUCT_BYTES + REMOTE_TEXT_CHARS * sizeof(WCHAR);

BOOL OpenRemoteBlock(HWND window, RemoteBlock *block)
{
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    block->process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
    if (!block->process)
        return FALSE;
    block->base = (BYTE *)VirtualAllocEx(block->process, NULL, BlockSize, MEM_COMMIT, PAGE_READWRITE);
    if (block->base)
        return TRUE;
    CloseHandle(block->process);
    return FALSE;
}

void CloseRemoteBlock(RemoteBlock *block)
{
    VirtualFreeEx(block->process, block->base, 0, MEM_RELEASE);
    CloseHandle(block->process);
}

// Where the block's text room lies, as the other process sees it.
static WCHAR *RemoteText(RemoteBlock *block)
{
    return (WCHAR *)(block->base + REMOTE_STRUCT_BYTES);
}

LRESULT SendRemote(HWND window, RemoteBlock *block, UINT message, WPARAM wParam, void *structure, SIZE_T size,
                   WCHAR *text, int textChars)
{
    WriteProcessMemory(block->process, block->base, structure, size, NULL);
    DWORD_PTR result = 0;
    SendMessageTimeoutW(window, message, wParam, (LPARAM)block->base, SMTO_ABORTIFHUNG, MESSAGE_TIMEOUT_MS, &result);
    ReadProcessMemory(block->process, block->base, structure, size, NULL);
    if (text) {
        int chars = textChars < REMOTE_TEXT_CHARS ? textChars : REMOTE_TEXT_CHARS;
        ReadProcessMemory(block->process, RemoteText(block), text, chars * sizeof(WCHAR), NULL);
        text[chars - 1] = 0;
    }
    return (LRESULT)result;
}
