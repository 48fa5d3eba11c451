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

// Where each kind's live file is looked up; the device's browser and file
// holder find the files through the same table.
struct IndexKindNames {
    LPCWSTR shellFolder;
    LPCWSTR subPath;
    LPCWSTR fallbackFolder;
};

extern const IndexKindNames IndexKinds[IndexFileKinds];

// Mappings are named "<maker>-<shell folder>ID".
void FillIndexFileSet(LPCWSTR maker);
void BuildLivePath(LPWSTR path, LPCWSTR shellFolder, LPCWSTR subPath, LPCWSTR fallbackFolder);
// The mapping of a live file that can be read, or NULL; never creates one.
HANDLE ProbeLiveFile(LPCWSTR path, LPCWSTR shellFolder, LPCWSTR maker);
void ReleaseIndexFileSet(void);
