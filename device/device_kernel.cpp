// The device's boot process. It holds the kernel mutex, runs the init
// sequence of HKEY_LOCAL_MACHINE\init as the platform does (entries in
// increasing Launch number, the number as command line, each held until its
// Depend list has started), starts the file holder and the browser just
// before the shell, and then waits for a soft-reset request, on which it
// leaves with DEVICE_RESET_EXIT_CODE so that the host boots the device
// again.
#include <windows.h>
#include <stdio.h>
#include <wchar.h>
#include "ce/coredll.h"
#include "ce/device_log.h"
#include "ce/device_contract.h"
#include "device/common/launch.h"

#define LAUNCH_NUMBERS 100
#define MAX_DEPENDS 32
#define POLL_MS 20
#define DEFAULT_DEPEND_TIMEOUT_MS 20000

static const WCHAR SettingsKey[] = DEVICE_WIDE(DEVICE_SETTINGS_KEY);

// Entries that stand for the platform's own processes: they have nothing
// to run here and count as started at once.
static const WCHAR *const PlatformEntries[] = {L"shell.exe", L"device.exe", L"gwes.exe", L"services.exe",
                                               L"filesys.exe", L"connmgr.exe", L"pmsvc.exe"};

static WCHAR LaunchExe[LAUNCH_NUMBERS][MAX_PATH];
static WORD Depends[LAUNCH_NUMBERS][MAX_DEPENDS];
static int DependCount[LAUNCH_NUMBERS];
static HANDLE Processes[LAUNCH_NUMBERS];
static BOOL Launched[LAUNCH_NUMBERS];
// Kept open for the whole boot: a named event lives only while some
// process holds it, and a launched program closes its own at once.
static HANDLE StartedEvents[LAUNCH_NUMBERS];
static HANDLE ResetRequest;
static DWORD DependTimeout = DEFAULT_DEPEND_TIMEOUT_MS;

// "Launch07" -> 7; -1 unless NAME is PREFIX followed by two digits.
static int LaunchNumber(const WCHAR *name, const WCHAR *prefix)
{
    size_t length = wcslen(prefix);
    if (_wcsnicmp(name, prefix, length) != 0 || wcslen(name) != length + 2)
        return -1;
    WCHAR high = name[length], low = name[length + 1];
    if (!iswdigit(high) || !iswdigit(low))
        return -1;
    return (high - L'0') * 10 + (low - L'0');
}

static void ReadInitKey()
{
    HKEY key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, DEVICE_WIDE(DEVICE_INIT_KEY), 0, KEY_READ, &key) != ERROR_SUCCESS) {
        DeviceLog(L"no init key");
        return;
    }
    for (DWORD index = 0;; index++) {
        WCHAR name[260];
        BYTE data[2 * MAX_PATH];
        DWORD nameLength = 260, dataSize = sizeof data - sizeof(WCHAR), type;
        LONG result = RegEnumValueW(key, index, name, &nameLength, NULL, &type, data, &dataSize);
        if (result == ERROR_NO_MORE_ITEMS)
            break;
        if (result != ERROR_SUCCESS)
            continue;
        int launch = LaunchNumber(name, L"Launch");
        int depend = LaunchNumber(name, L"Depend");
        if (launch >= 0 && type == REG_SZ) {
            data[dataSize] = data[dataSize + 1] = 0;
            lstrcpynW(LaunchExe[launch], (const WCHAR *)data, MAX_PATH);
        } else if (depend >= 0) {
            int count = (int)(dataSize / sizeof(WORD));
            DependCount[depend] = count < MAX_DEPENDS ? count : MAX_DEPENDS;
            memcpy(Depends[depend], data, DependCount[depend] * sizeof(WORD));
        }
    }
    RegCloseKey(key);
}

static void ReadSettingText(const WCHAR *name, WCHAR *text, DWORD size)
{
    if (RegGetValueW(HKEY_LOCAL_MACHINE, SettingsKey, name, RRF_RT_REG_SZ, NULL, text, &size) != ERROR_SUCCESS)
        text[0] = 0;
}

static DWORD ReadSettingNumber(const WCHAR *name)
{
    DWORD number = 0, size = sizeof number;
    RegGetValueW(HKEY_LOCAL_MACHINE, SettingsKey, name, RRF_RT_REG_DWORD, NULL, &number, &size);
    return number;
}

static void LeaveForReset()
{
    DeviceLog(L"reset");
    ExitProcess(DEVICE_RESET_EXIT_CODE);
}

// Logs the exit of every launched process that has ended; leaves when a
// reset has been asked for.
static void Poll()
{
    if (WaitForSingleObject(ResetRequest, 0) == WAIT_OBJECT_0)
        LeaveForReset();
    for (int number = 0; number < LAUNCH_NUMBERS; number++) {
        if (!Processes[number] || WaitForSingleObject(Processes[number], 0) != WAIT_OBJECT_0)
            continue;
        DWORD code = 0;
        GetExitCodeProcess(Processes[number], &code);
        DeviceLog(L"exit %02d code %lu", number, code);
        CloseHandle(Processes[number]);
        Processes[number] = NULL;
    }
}

static BOOL HasStarted(int number)
{
    return number < LAUNCH_NUMBERS && WaitForSingleObject(StartedEvents[number], 0) == WAIT_OBJECT_0;
}

// Waits until every number of the entry's Depend list has started; returns
// the first number still missing after the timeout, or -1.
static int WaitForDepends(int number)
{
    DWORD start = GetTickCount();
    for (;;) {
        int missing = -1;
        for (int i = 0; i < DependCount[number] && missing < 0; i++)
            if (!HasStarted(Depends[number][i]))
                missing = Depends[number][i];
        if (missing < 0 || GetTickCount() - start > DependTimeout)
            return missing;
        Poll();
        Sleep(POLL_MS);
    }
}

static BOOL IsPlatformEntry(const WCHAR *exe)
{
    for (size_t i = 0; i < sizeof PlatformEntries / sizeof PlatformEntries[0]; i++)
        if (_wcsicmp(exe, PlatformEntries[i]) == 0)
            return TRUE;
    return FALSE;
}

// The path of one of the device programs that sit beside this one.
static void DeviceProgram(WCHAR *path, const WCHAR *name)
{
    CeGetModuleFileNameW(NULL, path, MAX_PATH);
    WCHAR *slash = wcsrchr(path, L'\\');
    lstrcpynW(slash ? slash + 1 : path, name, MAX_PATH - (int)(slash ? slash + 1 - path : 0));
}

// The device's shell takes a while to come up; the entries launched before
// it (a Boot snapshot run among them) have started by then. Here the shell
// waits for them, so that it and what follows it never race them.
static void WaitForEarlierEntries(int shell)
{
    DWORD start = GetTickCount();
    for (int number = 0; number < shell; number++) {
        while (Launched[number] && !HasStarted(number) && GetTickCount() - start < DependTimeout) {
            Poll();
            Sleep(POLL_MS);
        }
        if (Launched[number] && !HasStarted(number))
            DeviceLog(L"shell launched before %02d started", number);
    }
}

static HANDLE StartDeviceProgram(const WCHAR *name, const WCHAR *arguments)
{
    WCHAR path[MAX_PATH];
    DeviceProgram(path, name);
    DeviceLog(L"start %s %s", name, arguments);
    HANDLE process = RunProgram(path, arguments);
    if (!process)
        DeviceLog(L"cannot start %s: error %lu", name, GetLastError());
    return process;
}

// The file holder has its handles before the shell runs, so that nothing
// but the entries launched before the shell (a Boot snapshot run) opens a
// held file first.
static void StartFileHolder()
{
    WCHAR hold[256];
    ReadSettingText(L"Hold", hold, sizeof hold);
    if (!hold[0])
        return;
    HANDLE ready = CreateEventW(NULL, TRUE, FALSE, DEVICE_WIDE(DEVICE_HOLDER_READY_EVENT));
    HANDLE holder = StartDeviceProgram(L"file_holder.exe", hold);
    DWORD start = GetTickCount();
    while (holder && WaitForSingleObject(ready, 0) != WAIT_OBJECT_0 && WaitForSingleObject(holder, 0) != WAIT_OBJECT_0
           && GetTickCount() - start <= DependTimeout) {
        Poll();
        Sleep(POLL_MS);
    }
    // The holder's own lines tell which file it could not hold.
    if (WaitForSingleObject(ready, 0) != WAIT_OBJECT_0)
        DeviceLog(L"hold failed: %s", hold);
    if (holder)
        CloseHandle(holder);
    CloseHandle(ready);
}

// The browser's window is up before the StartUp programs run, so that a
// viewer started from there finds it, as one started later does.
static void StartBrowser()
{
    HANDLE browser = StartDeviceProgram(L"iexplore.exe", L"");
    if (browser) {
        WaitForInputIdle(browser, DependTimeout);
        CloseHandle(browser);
    }
}

// Once, just before the shell, or after the init sequence when it has no
// shell: the file holder first, then the browser, which runs on without
// the files held.
static void StartBeforeShell()
{
    static BOOL started;
    if (started)
        return;
    started = TRUE;
    StartFileHolder();
    if (ReadSettingNumber(L"Browser"))
        StartBrowser();
}

static void LaunchEntry(int number)
{
    WCHAR arguments[4];
    _snwprintf(arguments, 3, L"%02d", number);
    arguments[3] = 0;
    const WCHAR *exe = LaunchExe[number];
    if (IsPlatformEntry(exe)) {
        DeviceLog(L"launch %02d %s %s (platform)", number, exe, arguments);
        SignalStarted(number);
        return;
    }
    WCHAR path[MAX_PATH];
    if (wcscmp(exe, DEVICE_WIDE(DEVICE_SHELL_ENTRY)) == 0) {
        WaitForEarlierEntries(number);
        StartBeforeShell();
        DeviceProgram(path, L"device_shell.exe");
    } else {
        lstrcpynW(path, exe, MAX_PATH);
    }
    DeviceLog(L"launch %02d %s %s", number, exe, arguments);
    Processes[number] = RunProgram(path, arguments);
    Launched[number] = Processes[number] != NULL;
    if (!Processes[number])
        DeviceLog(L"cannot launch %02d %s: error %lu", number, exe, GetLastError());
}

static void RunInitSequence()
{
    for (int number = 0; number < LAUNCH_NUMBERS; number++) {
        if (!LaunchExe[number][0])
            continue;
        int missing = WaitForDepends(number);
        if (missing >= 0) {
            DeviceLog(L"held %02d: %d never started", number, missing);
            continue;
        }
        LaunchEntry(number);
    }
}

static int ShellNumber()
{
    for (int number = 0; number < LAUNCH_NUMBERS; number++)
        if (wcscmp(LaunchExe[number], DEVICE_WIDE(DEVICE_SHELL_ENTRY)) == 0)
            return number;
    return -1;
}

// The boot is done once the shell has started.
static void WaitForShell()
{
    int shell = ShellNumber();
    DWORD start = GetTickCount();
    while (shell >= 0 && !HasStarted(shell) && GetTickCount() - start < DependTimeout) {
        Poll();
        Sleep(POLL_MS);
    }
}

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int)
{
    // Held until the process ends: the soft reset is honoured only while
    // it exists.
    CreateMutexW(NULL, TRUE, DEVICE_WIDE(DEVICE_KERNEL_MUTEX));
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        DeviceLog(L"already running");
        return 1;
    }
    ResetRequest = CreateEventW(NULL, TRUE, FALSE, DEVICE_WIDE(DEVICE_RESET_EVENT));
    DeviceLog(L"boot start");
    DWORD timeout = ReadSettingNumber(L"DependTimeout");
    if (timeout)
        DependTimeout = timeout;
    for (int number = 0; number < LAUNCH_NUMBERS; number++)
        StartedEvents[number] = OpenStartedEvent(number);
    ReadInitKey();
    RunInitSequence();
    StartBeforeShell();
    WaitForShell();
    DeviceLog(L"boot done");
    for (;;) {
        Poll();
        WaitForSingleObject(ResetRequest, 200);
    }
}
