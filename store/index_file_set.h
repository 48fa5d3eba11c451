// The Index file set: per kind a read-only mapping of the Snapshot copy,
// a size and the live path.
#pragma once
#include <windows.h>
#include "format/index_kinds.h"

struct IndexFileSlot {
    HANDLE mapping;
    DWORD size;
    WCHAR path[MAX_PATH];
};

extern IndexFileSlot IndexFiles[IndexFileKinds];

// Mappings are named "<maker>-<shell folder>ID".
void FillIndexFileSet(LPCWSTR maker);
void BuildLivePath(LPWSTR path, LPCWSTR shellFolder, LPCWSTR subPath, LPCWSTR fallbackFolder);
// The mapping of a live file that can be read, or NULL; never creates one.
HANDLE ProbeLiveFile(LPCWSTR path, LPCWSTR shellFolder, LPCWSTR maker);
void ReleaseIndexFileSet(void);
