// The Index file set: per kind a read-only mapping of the Snapshot copy,
// a size and the live path.
#pragma once
#include <windows.h>
#include "store/index_kinds.h"

struct IndexFileSlot {
    HANDLE mapping;
    DWORD size;
    WCHAR path[MAX_PATH];
};

extern IndexFileSlot IndexFiles[IndexFileKinds];

void FillIndexFileSet(void);
DWORD LocateIndexFile(HANDLE *mapping, LPWSTR path, LPCWSTR shellFolder, LPCWSTR subPath, LPCWSTR fallbackFolder);
void BuildLivePath(LPWSTR path, LPCWSTR shellFolder, LPCWSTR subPath, LPCWSTR fallbackFolder);
// disposition: OPEN_EXISTING for a live file, OPEN_ALWAYS for a Snapshot
// copy (an absent copy is left as an empty file).
HANDLE MapIndexFile(LPCWSTR path, LPCWSTR shellFolder, DWORD *size, DWORD disposition);
// The mapping of a live file that can be read, or NULL; never creates one.
HANDLE ProbeLiveFile(LPCWSTR path, LPCWSTR shellFolder);
void ReleaseIndexFileSet(void);
BOOL CALLBACK CloseBrowserWindowProc(HWND hwnd, LPARAM context);
