// The shell stand-in, launched for the init entry "shell32.exe": it reports
// its launch number started, runs every shortcut of \Windows\StartUp and
// then stays, as the device's shell does, without a window of its own.
#include <windows.h>
#include <stdlib.h>
#include <wchar.h>
#include "ce/coredll.h"
#include "ce/device_log.h"
#include "ce/device_contract.h"
#include "device/common/launch.h"

#define SHORTCUT_BYTES 1024

// A shortcut file is 8-bit text "N#target", N the number of characters
// after '#'. Returns FALSE when the file is not of that form.
static BOOL ReadShortcutTarget(const WCHAR *file, WCHAR *target, int targetSize)
{
    HANDLE handle = CreateFileW(file, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    if (handle == INVALID_HANDLE_VALUE)
        return FALSE;
    char text[SHORTCUT_BYTES + 1];
    DWORD size = 0;
    ReadFile(handle, text, SHORTCUT_BYTES, &size, NULL);
    CloseHandle(handle);
    text[size] = 0;
    char *hash = strchr(text, '#');
    if (!hash)
        return FALSE;
    int length = atoi(text);
    int available = (int)(text + size - (hash + 1));
    if (length <= 0 || length > available)
        length = available;
    int written = MultiByteToWideChar(CP_ACP, 0, hash + 1, length, target, targetSize - 1);
    target[written] = 0;
    return written > 0;
}

// Splits a target into the program path (quoted, or up to the first
// blank) and its arguments.
static void SplitTarget(WCHAR *target, const WCHAR **path, const WCHAR **arguments)
{
    WCHAR *end;
    if (target[0] == L'"') {
        *path = target + 1;
        end = wcschr(target + 1, L'"');
    } else {
        *path = target;
        end = wcschr(target, L' ');
    }
    if (!end) {
        *arguments = L"";
        return;
    }
    *end = 0;
    WCHAR *rest = end + 1;
    while (*rest == L' ')
        rest++;
    *arguments = rest;
}

static void RunShortcut(const WCHAR *name)
{
    WCHAR file[MAX_PATH], target[SHORTCUT_BYTES];
    _snwprintf(file, MAX_PATH - 1, L"%s\\%s", DEVICE_WIDE(DEVICE_DRIVE DEVICE_STARTUP_FOLDER), name);
    file[MAX_PATH - 1] = 0;
    if (!ReadShortcutTarget(file, target, SHORTCUT_BYTES)) {
        DeviceLog(L"skip %s: not a shortcut", name);
        return;
    }
    DeviceLog(L"run %s: %s", name, target);
    const WCHAR *path, *arguments;
    SplitTarget(target, &path, &arguments);
    HANDLE process = RunProgram(path, arguments);
    if (process)
        CloseHandle(process);
    else
        DeviceLog(L"cannot run %s: error %lu", path, GetLastError());
}

static void RunStartupFolder()
{
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(DEVICE_WIDE(DEVICE_DRIVE DEVICE_STARTUP_FOLDER "\\*"), &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            RunShortcut(found.cFileName);
    } while (FindNextFileW(search, &found));
    FindClose(search);
}

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR commandLine, int)
{
    DeviceLog(L"shell %s", commandLine);
    SignalStarted(_wtoi(commandLine));
    RunStartupFolder();
    Sleep(INFINITE);
    return 0;
}
