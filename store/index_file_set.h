// The Index file set: per kind a read-only mapping of the Snapshot copy,
// a size and the live path.
#pragma once
#include <windows.h>

enum IndexFileKind { KindCache = 0, KindCookies = 1, KindHistory = 2, IndexFileKinds = 3 };

struct IndexFileSlot {
    HANDLE mapping;
    DWORD size;
    WCHAR path[MAX_PATH];
};

extern IndexFileSlot IndexFiles[IndexFileKinds];

void FillIndexFileSet(void);
DWORD LocateIndexFile(HANDLE *mapping, LPWSTR path, LPCWSTR shellFolder, LPCWSTR subPath, LPCWSTR fallbackFolder);
HANDLE MapIndexFile(LPCWSTR path, LPCWSTR shellFolder, DWORD *size);
void ReleaseIndexFileSet(void);
BOOL CALLBACK CloseBrowserWindowProc(HWND hwnd, LPARAM context);
