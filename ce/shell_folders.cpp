// Special folders and shortcuts of the device's shell. Device paths have
// no drive letter; the device's root is drive C:.
#include "ce/aygshell.h"
#include "ce/device_contract.h"

static const WCHAR StartupFolder[] = DEVICE_WIDE(DEVICE_STARTUP_FOLDER);
static const WCHAR DeviceDrive[] = DEVICE_WIDE(DEVICE_DRIVE);

// "\Windows\x" -> "C:\Windows\x"; paths with a drive or UNC paths stay.
static BOOL DevicePathOnHost(LPCWSTR path, WCHAR *host, int size)
{
    BOOL rooted = path[0] == L'\\' && path[1] != L'\\';
    if (lstrlenW(path) + (rooted ? 2 : 0) >= size)
        return FALSE;
    host[0] = 0;
    if (rooted)
        lstrcpyW(host, DeviceDrive);
    lstrcatW(host, path);
    return TRUE;
}

static BOOL CreateFolderPath(LPCWSTR devicePath)
{
    WCHAR path[MAX_PATH];
    if (!DevicePathOnHost(devicePath, path, MAX_PATH))
        return FALSE;
    for (WCHAR *p = path + 3; *p; p++) {
        if (*p != L'\\')
            continue;
        *p = 0;
        CreateDirectoryW(path, NULL);
        *p = L'\\';
    }
    return CreateDirectoryW(path, NULL) || GetLastError() == ERROR_ALREADY_EXISTS;
}

BOOL SHGetSpecialFolderPath(HWND, LPWSTR lpszPath, int nFolder, BOOL fCreate)
{
    if (!lpszPath || nFolder != CSIDL_STARTUP)
        return FALSE;
    lstrcpyW(lpszPath, StartupFolder);
    return !fCreate || CreateFolderPath(StartupFolder);
}

// The device's shortcut is a text file "N#target": N counts the characters
// after the '#'.
DWORD SHCreateShortcut(LPWSTR szShortcut, LPWSTR szTarget)
{
    WCHAR path[MAX_PATH];
    if (!szShortcut || !szTarget || !DevicePathOnHost(szShortcut, path, MAX_PATH))
        return FALSE;
    int targetBytes = WideCharToMultiByte(CP_ACP, 0, szTarget, -1, NULL, 0, NULL, NULL);
    if (targetBytes <= 0)
        return FALSE;
    char *text = (char *)HeapAlloc(GetProcessHeap(), 0, targetBytes + 16);
    if (!text)
        return FALSE;
    int prefix = wsprintfA(text, "%d#", targetBytes - 1);
    WideCharToMultiByte(CP_ACP, 0, szTarget, -1, text + prefix, targetBytes, NULL, NULL);
    DWORD length = prefix + targetBytes - 1, written = 0;
    BOOL ok = FALSE;
    HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file != INVALID_HANDLE_VALUE) {
        ok = WriteFile(file, text, length, &written, NULL) && written == length;
        CloseHandle(file);
    }
    HeapFree(GetProcessHeap(), 0, text);
    return ok;
}
