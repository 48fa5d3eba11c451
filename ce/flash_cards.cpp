// Storage cards of the emulated device: root folders of drive C: that the
// device's registry names under StorageCards. The search handle is a real
// FindFirstFileW handle over the root, so FindClose ends it.
#include "ce/note_prj.h"
#include "ce/device_contract.h"

static const WCHAR CardsKey[] = DEVICE_WIDE(DEVICE_STORAGE_CARDS_KEY);
static const WCHAR RootPattern[] = DEVICE_WIDE(DEVICE_DRIVE "\\*");

static BOOL IsStorageCard(const WIN32_FIND_DATAW *found)
{
    if (!(found->dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return FALSE;
    HKEY key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, CardsKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return FALSE;
    DWORD type = 0;
    LONG result = RegQueryValueExW(key, found->cFileName, NULL, &type, NULL, NULL);
    RegCloseKey(key);
    return result == ERROR_SUCCESS && type == REG_SZ;
}

static BOOL SkipToCard(HANDLE search, LPWIN32_FIND_DATAW found)
{
    while (!IsStorageCard(found))
        if (!FindNextFileW(search, found))
            return FALSE;
    return TRUE;
}

HANDLE FindFirstFlashCard(LPWIN32_FIND_DATAW lpFindFlashData)
{
    HANDLE search = FindFirstFileW(RootPattern, lpFindFlashData);
    if (search == INVALID_HANDLE_VALUE)
        return INVALID_HANDLE_VALUE;
    if (!SkipToCard(search, lpFindFlashData)) {
        FindClose(search);
        SetLastError(ERROR_NO_MORE_FILES);
        return INVALID_HANDLE_VALUE;
    }
    return search;
}

BOOL FindNextFlashCard(HANDLE hFlashCard, LPWIN32_FIND_DATAW lpFindFlashData)
{
    if (!FindNextFileW(hFlashCard, lpFindFlashData))
        return FALSE;
    if (SkipToCard(hFlashCard, lpFindFlashData))
        return TRUE;
    SetLastError(ERROR_NO_MORE_FILES);
    return FALSE;
}
