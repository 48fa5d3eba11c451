// The Index file set: finds the three live index files, refreshes their
// Snapshot copies in the temporary folder and maps the copies read-only.
// The live files are only ever opened for reading.
#include "store/index_file_set.h"
#include "store/registry.h"
#include "ce/coredll.h"

static const WCHAR ShellFolderKey[] = L"" INDEX_SHELL_FOLDERS_KEY "\\";
static const WCHAR IndexFileName[] = L"" INDEX_FILE_NAME;
static const WCHAR FallbackRoot[] = L"" INDEX_FALLBACK_ROOT;
static const WCHAR LivePathFormat[] = L"%s%s%s";
static const WCHAR SnapshotFormat[] = L"%s%s~.tmp";
static const WCHAR SnapshotSuffix[] = L"~.tmp";
static const WCHAR MappingNameFormat[] = L"%s-%sID";
// Bytes, not characters: a shell-folder value of up to 129 characters and
// its terminator fits, so every live path fits the slot's path buffer.
static const DWORD ShellFolderValueBytes = MAX_PATH;
static const int MappingNameUnits = 50;

IndexFileSlot IndexFiles[IndexFileKinds];

void BuildLivePath(LPWSTR path, LPCWSTR shellFolder, LPCWSTR subPath, LPCWSTR fallbackFolder)
{
    WCHAR folder[MAX_PATH] = { 0 };
    DWORD size = ShellFolderValueBytes;
    if (ReadRegValue(HKEY_CURRENT_USER, ShellFolderKey, shellFolder, folder, &size) == ERROR_SUCCESS)
        wsprintfW(path, LivePathFormat, folder, subPath, IndexFileName);
    else
        wsprintfW(path, LivePathFormat, FallbackRoot, fallbackFolder, IndexFileName);
}

// The Snapshot copy's path, or FALSE when the temporary folder is unknown
// or too long for the copy's name to fit.
static BOOL BuildSnapshotPath(LPWSTR path, LPCWSTR shellFolder)
{
    WCHAR folder[MAX_PATH];
    DWORD length = GetTempPathW(MAX_PATH, folder);
    if (length == 0 || length >= MAX_PATH)
        return FALSE;
    if (length + lstrlenW(shellFolder) + lstrlenW(SnapshotSuffix) >= MAX_PATH)
        return FALSE;
    wsprintfW(path, SnapshotFormat, folder, shellFolder);
    return TRUE;
}

// CopyFileW gives the copy the live file's attributes; a read-only copy
// could be neither deleted nor replaced, so its attributes go first.
static void DeleteSnapshotCopy(LPCWSTR snapshot)
{
    SetFileAttributesW(snapshot, FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(snapshot);
}

// disposition: OPEN_EXISTING for a live file, OPEN_ALWAYS for a Snapshot
// copy (an absent copy is left as an empty file). The mapping is named for
// the maker and the kind.
static HANDLE MapIndexFile(LPCWSTR path, LPCWSTR shellFolder, LPCWSTR maker, DWORD *size, DWORD disposition)
{
    HANDLE file = CreateFileForMappingW(path, GENERIC_READ, FILE_SHARE_READ, NULL, disposition,
                                        FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return NULL;
    HANDLE mapping = NULL;
    DWORD high = 0;
    DWORD low = GetFileSize(file, &high);
    if (high != 0 || (low != 0 && low != INVALID_FILE_SIZE)) {
        WCHAR name[MappingNameUnits];
        *size = low;
        wsprintfW(name, MappingNameFormat, maker, shellFolder);
        mapping = CreateFileMappingW(file, NULL, PAGE_READONLY, 0, 0, name);
    }
    CloseHandle(file);
    return mapping;
}

// Opens only a file that is still there: a live file that went since the
// search is not created anew.
HANDLE ProbeLiveFile(LPCWSTR path, LPCWSTR shellFolder, LPCWSTR maker)
{
    DWORD size;
    return MapIndexFile(path, shellFolder, maker, &size, OPEN_EXISTING);
}

// The live file's size, its Snapshot copy refreshed and mapped into *mapping
// (NULL when there is none).
static DWORD LocateIndexFile(HANDLE *mapping, LPWSTR path, LPCWSTR shellFolder, LPCWSTR subPath,
                             LPCWSTR fallbackFolder, LPCWSTR maker)
{
    BuildLivePath(path, shellFolder, subPath, fallbackFolder);

    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(path, &found);
    if (search == INVALID_HANDLE_VALUE)
        return 0;
    FindClose(search);
    DWORD listedSize = found.nFileSizeLow;

    WCHAR snapshot[MAX_PATH];
    if (!BuildSnapshotPath(snapshot, shellFolder)) {
        *mapping = NULL;
        return listedSize;
    }

    HANDLE probe = ProbeLiveFile(path, shellFolder, maker);
    if (probe) {
        CloseHandle(probe);
        DeleteSnapshotCopy(snapshot);
        CopyFileW(path, snapshot, FALSE);
        SetFileAttributesW(snapshot, FILE_ATTRIBUTE_NORMAL);
    }

    DWORD size;
    *mapping = MapIndexFile(snapshot, shellFolder, maker, &size, OPEN_ALWAYS);
    return *mapping ? size : listedSize;
}

void FillIndexFileSet(LPCWSTR maker)
{
    for (int kind = 0; kind < IndexFileKinds; kind++) {
        IndexFileSlot *slot = &IndexFiles[kind];
        const IndexKindNames *names = &IndexKinds[kind];
        slot->size = LocateIndexFile(&slot->mapping, slot->path, names->shellFolder, names->subPath,
                                     names->fallbackFolder, maker);
    }
}

void ReleaseIndexFileSet(void)
{
    for (int kind = 0; kind < IndexFileKinds; kind++) {
        if (IndexFiles[kind].mapping)
            CloseHandle(IndexFiles[kind].mapping);
        IndexFiles[kind].mapping = NULL;
    }
    for (int kind = 0; kind < IndexFileKinds; kind++) {
        WCHAR snapshot[MAX_PATH];
        if (BuildSnapshotPath(snapshot, IndexKinds[kind].shellFolder))
            DeleteSnapshotCopy(snapshot);
    }
}
