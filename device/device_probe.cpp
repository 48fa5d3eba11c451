// A test program for the device. As an init entry (command line: its
// launch number) it logs its command line and does what the value named by
// its number under HKLM\Software\GallimawDevice\Probe says:
//   "signal" (or no value)  report itself started
//   "silent"                never report itself started
//   "delay MS"              report itself started after MS milliseconds
//   "reset"                 report itself started, make the value "signal"
//                           and ask for a soft reset (so once)
// It then stays until the device is reset.
// With "open PATH" it opens PATH for reading with read sharing, as a reader
// of a held index file would, and exits with the error code (0 when open).
#include <windows.h>
#include <stdlib.h>
#include <wchar.h>
#include "device/common/device_log.h"
#include "device/common/device_names.h"
#include "device/common/launch.h"

#define BEHAVIOUR_CHARS 64

static int OpenForReading(const WCHAR *path)
{
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    DWORD error = file == INVALID_HANDLE_VALUE ? GetLastError() : 0;
    if (file != INVALID_HANDLE_VALUE)
        CloseHandle(file);
    WriteDeviceLog(L"open %s: error %lu", path, error);
    return (int)error;
}

static void ReadBehaviour(const WCHAR *number, WCHAR *behaviour)
{
    DWORD size = BEHAVIOUR_CHARS * sizeof(WCHAR);
    if (RegGetValueW(HKEY_LOCAL_MACHINE, DEVICE_PROBE_KEY, number, RRF_RT_REG_SZ, NULL, behaviour, &size))
        lstrcpyW(behaviour, L"signal");
}

static void ForgetReset(const WCHAR *number)
{
    static const WCHAR signal[] = L"signal";
    RegSetKeyValueW(HKEY_LOCAL_MACHINE, DEVICE_PROBE_KEY, number, REG_SZ, signal, sizeof signal);
}

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR commandLine, int)
{
    if (wcsncmp(commandLine, L"open ", 5) == 0)
        return OpenForReading(commandLine + 5);
    WCHAR behaviour[BEHAVIOUR_CHARS];
    ReadBehaviour(commandLine, behaviour);
    WriteDeviceLog(L"probe command line \"%s\": %s", commandLine, behaviour);
    int number = _wtoi(commandLine);
    if (wcsncmp(behaviour, L"delay ", 6) == 0) {
        Sleep(_wtoi(behaviour + 6));
        ReportStarted(number);
    } else if (wcscmp(behaviour, L"reset") == 0) {
        ReportStarted(number);
        ForgetReset(commandLine);
        AskForSoftReset();
    } else if (wcscmp(behaviour, L"silent") != 0) {
        ReportStarted(number);
    }
    Sleep(INFINITE);
    return 0;
}
