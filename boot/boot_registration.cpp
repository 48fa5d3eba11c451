// The program's own entry in the init sequence, placed just below the
// shell's entry so that it runs once early in the next boot.
#include "ce/pocketpc.h"
#include "boot/boot_registration.h"
#include <wchar.h>

#define INIT_VALUE_LIMIT 100
#define VALUE_NAME_ROOM 259
#define ENTRY_MISSING 16
// The prefix "Launch" or "Depend" is six characters; the two digits follow.
#define PREFIX_LENGTH 6
// '0' * 10 + '0': turns two digit characters into their number in one step.
#define TWO_DIGITS_BASE 528

static const WCHAR InitKeyName[] = L"init";
static const WCHAR ShellData[] = L"shell32.exe";
static const WCHAR LaunchPrefix[] = L"Launch";
static const WCHAR DependPrefix[] = L"Depend";

// The device lets a key opened for reading be written too; desktop Win32
// does not, so the key is opened with the access the writes need.
static LONG OpenInitKey(HKEY *key)
{
    return RegOpenKeyExW(HKEY_LOCAL_MACHINE, InitKeyName, 0, KEY_READ | KEY_SET_VALUE, key);
}

static int LaunchNumber(LPCWSTR valueName)
{
    return valueName[PREFIX_LENGTH] * 10 + valueName[PREFIX_LENGTH + 1] - TWO_DIGITS_BASE;
}

static void InitValueName(LPWSTR name, LPCWSTR prefix, int number)
{
    wsprintfW(name, L"%s%02d", prefix, number);
}

// Finds the first of the key's first 100 values whose data, read as text,
// is exactly the given text. Every value gets room for a whole path, so an
// entry holding a long executable path is still readable.
static LONG FindInitEntry(HKEY key, LPCWSTR data, int *number)
{
    for (DWORD index = 0; index < INIT_VALUE_LIMIT; index++) {
        WCHAR name[VALUE_NAME_ROOM] = L"";
        WCHAR text[MAX_PATH + 1] = L"";
        DWORD nameLength = VALUE_NAME_ROOM;
        DWORD size = MAX_PATH * sizeof(WCHAR);
        LONG result = RegEnumValueW(key, index, name, &nameLength, NULL, NULL, (BYTE *)text, &size);
        if (result != ERROR_SUCCESS)
            return result;
        if (wcscmp(text, data) == 0) {
            *number = LaunchNumber(name);
            return ERROR_SUCCESS;
        }
    }
    return ENTRY_MISSING;
}

// The highest Launch number below the shell's that no value uses yet, or 0.
static int FreeLaunchNumber(HKEY key, int shell)
{
    for (int number = shell - 1; number >= 1; number--) {
        WCHAR name[VALUE_NAME_ROOM];
        InitValueName(name, LaunchPrefix, number);
        if (RegQueryValueExW(key, name, NULL, NULL, NULL, NULL) != ERROR_SUCCESS)
            return number;
    }
    return 0;
}

static void OwnExecutablePath(LPWSTR path)
{
    path[0] = 0;
    CeGetModuleFileNameW(NULL, path, MAX_PATH);
}

// Writes LaunchMM with this executable and DependMM with the shell's
// prerequisites, so the program waits for exactly what the shell waits for.
static LONG WriteOwnEntry(HKEY key, int shell)
{
    int own = FreeLaunchNumber(key, shell);
    if (own == 0)
        return ENTRY_MISSING;
    WCHAR path[MAX_PATH];
    WCHAR name[VALUE_NAME_ROOM];
    OwnExecutablePath(path);
    InitValueName(name, LaunchPrefix, own);
    RegSetValueExW(key, name, 0, REG_SZ, (const BYTE *)path, (lstrlenW(path) + 1) * sizeof(WCHAR));

    BYTE depend[MAX_PATH * sizeof(WCHAR)];
    DWORD size = sizeof(depend);
    DWORD type;
    InitValueName(name, DependPrefix, shell);
    LONG result = RegQueryValueExW(key, name, NULL, &type, depend, &size);
    if (result != ERROR_SUCCESS)
        return result;
    InitValueName(name, DependPrefix, own);
    RegSetValueExW(key, name, 0, REG_BINARY, depend, size);
    RegFlushKey(key);
    return ERROR_SUCCESS;
}

// The Shell entry's number plays no part here; it only had to be found.
static LONG RemoveOwnEntry(HKEY key, int)
{
    WCHAR path[MAX_PATH];
    WCHAR name[VALUE_NAME_ROOM];
    int own;
    OwnExecutablePath(path);
    LONG result = FindInitEntry(key, path, &own);
    if (result != ERROR_SUCCESS)
        return result;
    InitValueName(name, DependPrefix, own);
    RegDeleteValueW(key, name);
    InitValueName(name, LaunchPrefix, own);
    RegDeleteValueW(key, name);
    RegFlushKey(key);
    return ERROR_SUCCESS;
}

// Opens the init key, walks to the Shell entry and, when it is found, runs
// the step; the key is closed on every way out. Without the Shell entry
// nothing is written or removed.
static LONG AtShellEntry(LONG (*step)(HKEY key, int shell))
{
    HKEY key;
    int shell;
    LONG result = OpenInitKey(&key);
    if (result != ERROR_SUCCESS)
        return result;
    result = FindInitEntry(key, ShellData, &shell);
    if (result == ERROR_SUCCESS)
        result = step(key, shell);
    RegCloseKey(key);
    return result;
}

LONG RegisterBootLaunch(void)
{
    return AtShellEntry(WriteOwnEntry);
}

LONG UnregisterBootLaunch(void)
{
    return AtShellEntry(RemoveOwnEntry);
}
