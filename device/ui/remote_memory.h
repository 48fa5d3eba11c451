// Messages to another process's controls whose parameters are pointers:
// the structures go through a block of memory allocated in that process.
#pragma once
#include <windows.h>

// Room in the block: a structure of up to REMOTE_STRUCT_BYTES, then text.
#define REMOTE_STRUCT_BYTES 1024
#define REMOTE_TEXT_CHARS 1024

struct RemoteBlock {
    HANDLE process;
    BYTE *base;
};

// A block in the process of WINDOW; FALSE when it cannot be had.
BOOL OpenRemoteBlock(HWND window, RemoteBlock *block);
void CloseRemoteBlock(RemoteBlock *block);
// Sends MESSAGE with lParam pointing to STRUCTURE (SIZE bytes) copied into
// the block, then copies the structure back, and the text room into TEXT
// (TEXT_CHARS characters) when TEXT is given. Returns the message's result.
LRESULT SendRemote(HWND window, RemoteBlock *block, UINT message, WPARAM wParam, void *structure, SIZE_T size,
                   WCHAR *text, int textChars);
