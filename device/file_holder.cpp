// Keeps index files open without read sharing, as a device process that
// the viewer cannot close from the screen would: it has no window. Each
// argument is a file path or a comma-separated list of index file kinds
// ("cache", "cookies", "history") found as the viewer finds them. Once it
// holds every file it sets DEVICE_HOLDER_READY_EVENT and runs until it is
// ended or the event "GallimawFileHolderStop" is set; when it cannot hold
// one of them it lets all go and ends with exit code 1.
#include <windows.h>
#include <shellapi.h>
#include "format/index_kinds.h"
#include "store/index_file_set.h"
#include "ce/device_log.h"
#include "ce/device_contract.h"

static const WCHAR StopEventName[] = L"GallimawFileHolderStop";
static const int MaxHeldFiles = 64;

static HANDLE HeldFiles[MaxHeldFiles];
static int HeldCount;
static BOOL HoldFailed;

static void HoldFile(LPCWSTR path)
{
    if (HeldCount == MaxHeldFiles) {
        DeviceLog(L"cannot hold %s: more than %d files", path, MaxHeldFiles);
        HoldFailed = TRUE;
        return;
    }
    HANDLE file = CreateFileW(path, GENERIC_READ, 0, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) {
        DeviceLog(L"cannot hold %s: error %lu", path, GetLastError());
        HoldFailed = TRUE;
        return;
    }
    DeviceLog(L"holding %s", path);
    HeldFiles[HeldCount++] = file;
}

static void ReportReady(void)
{
    HANDLE ready = CreateEventW(NULL, TRUE, FALSE, DEVICE_WIDE(DEVICE_HOLDER_READY_EVENT));
    if (ready) {
        SetEvent(ready);
        CloseHandle(ready);
    }
}

// The kind named by the text of the given length, or -1.
static int FindKind(LPCWSTR name, int length)
{
    for (int kind = 0; kind < IndexFileKinds; kind++) {
        LPCWSTR folder = IndexKinds[kind].shellFolder;
        if (lstrlenW(folder) == length && CompareStringOrdinal(name, length, folder, length, TRUE) == CSTR_EQUAL)
            return kind;
    }
    return -1;
}

// Walks an argument as a comma-separated list of kinds, holding each one
// when asked; FALSE when any part of it is not a kind name.
static BOOL WalkKinds(LPCWSTR argument, BOOL hold)
{
    for (LPCWSTR part = argument;;) {
        LPCWSTR end = part;
        while (*end && *end != L',')
            end++;
        int kind = FindKind(part, (int)(end - part));
        if (kind < 0)
            return FALSE;
        if (hold) {
            WCHAR path[MAX_PATH];
            const IndexKindNames *names = &IndexKinds[kind];
            BuildLivePath(path, names->shellFolder, names->subPath, names->fallbackFolder);
            HoldFile(path);
        }
        if (!*end)
            return TRUE;
        part = end + 1;
    }
}

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int)
{
    int argc;
    LPWSTR *argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    for (int i = 1; argv && i < argc; i++) {
        if (WalkKinds(argv[i], FALSE))
            WalkKinds(argv[i], TRUE);
        else
            HoldFile(argv[i]);
    }
    LocalFree(argv);
    // Ending lets go of the files it did get.
    if (HoldFailed)
        return 1;
    ReportReady();

    HANDLE stop = CreateEventW(NULL, TRUE, FALSE, StopEventName);
    if (stop) {
        WaitForSingleObject(stop, INFINITE);
        CloseHandle(stop);
    } else {
        Sleep(INFINITE);
    }
    DeviceLog(L"stopped");
    for (int i = 0; i < HeldCount; i++)
        CloseHandle(HeldFiles[i]);
    return 0;
}
