// The StartUp shortcut that has the shell start the program once it is up.
#include "ce/pocketpc.h"
#include "boot/startup_shortcut.h"

// wsprintfW writes at most this many characters, so its buffers never
// overflow whatever the name and argument.
#define FORMAT_ROOM 1024

int SetStartupShortcut(BOOL create, LPCWSTR name, LPCWSTR argument)
{
    WCHAR folder[MAX_PATH] = L"";
    WCHAR shortcut[FORMAT_ROOM];
    SHGetSpecialFolderPath(NULL, folder, CSIDL_STARTUP, FALSE);
    wsprintfW(shortcut, L"%s\\%s.lnk", folder, name);
    if (!create) {
        DeleteFileW(shortcut);
        return 0;
    }
    WCHAR path[MAX_PATH] = L"";
    WCHAR target[FORMAT_ROOM];
    CeGetModuleFileNameW(NULL, path, MAX_PATH);
    wsprintfW(target, L"\"%s\" %s", path, argument);
    SHCreateShortcut(shortcut, target);
    return 1;
}
