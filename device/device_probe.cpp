// A test program for the device.
// As an init entry (command line: its launch number) it logs its command
// line and does what the value named by its number under
// HKLM\Software\GallimawDevice\Probe says, then stays until the device is
// reset:
//   "signal" (or no value)  report itself started
//   "silent"                never report itself started
//   "delay MS"              report itself started after MS milliseconds
//   "exit CODE"             report itself started and exit with CODE
// Other command lines:
//   "open PATH"   opens PATH for reading with read sharing, as a reader of a
//                 held index file would; exits with the error code (0: open)
//   "ask TEXT"    asks TEXT in a Yes/No message box; exits with the answer
//   "reset"       asks the device for a soft reset
//   "window"      shows a window with the title bar ok, a menu bar and a
//                 list view of two rows, and logs its commands, the ok and
//                 the Help key
#include <windows.h>
#include <stdlib.h>
#include <wchar.h>
#include "ce/aygshell.h"
#include "ce/coredll.h"
#include "ce/device_log.h"
#include "ce/device_contract.h"
#include "device/common/launch.h"
#include "device/device_probe_resources.h"

#define BEHAVIOUR_CHARS 64
#define PROBE_TITLE L"Probe"
#define PROBE_WINDOW_CLASS L"GallimawProbe"
#define PROBE_LIST_ID 300
#define PROBE_LIST_HEIGHT 120

// An argument as given, without the quotes a caller put around blanks.
static WCHAR *Unquoted(WCHAR *argument)
{
    size_t length = wcslen(argument);
    if (length < 2 || argument[0] != L'"' || argument[length - 1] != L'"')
        return argument;
    argument[length - 1] = 0;
    return argument + 1;
}

static int OpenForReading(const WCHAR *path)
{
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    DWORD error = file == INVALID_HANDLE_VALUE ? GetLastError() : 0;
    if (file != INVALID_HANDLE_VALUE)
        CloseHandle(file);
    DeviceLog(L"open %s: error %lu", path, error);
    return (int)error;
}

static int Ask(const WCHAR *text)
{
    int answer = CeMessageBoxW(NULL, text, PROBE_TITLE, MB_YESNO);
    DeviceLog(L"answer %d", answer);
    return answer;
}

static LRESULT CALLBACK ProbeWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND:
        DeviceLog(L"command %u", LOWORD(wParam));
        if (LOWORD(wParam) == IDOK)
            DestroyWindow(window);
        return 0;
    case WM_HELP:
        DeviceLog(L"help asked");
        return TRUE;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

// Rows of the probe's list view: two texts, an image index and a param.
static const struct {
    const WCHAR *name;
    const WCHAR *value;
    int image;
    LPARAM param;
} ProbeRows[] = {{L"alpha", L"1", 0, 11}, {L"beta", L"2", 1, 22}};

static void AddProbeList(HWND window, HINSTANCE instance)
{
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    HWND list = CeCreateWindowExW(0, WC_LISTVIEWW, L"", WS_CHILD | WS_VISIBLE | LVS_REPORT, 0, 0,
                                GetSystemMetrics(SM_CXSCREEN), PROBE_LIST_HEIGHT, window, (HMENU)PROBE_LIST_ID,
                                instance, NULL);
    LVCOLUMNW column = {LVCF_TEXT | LVCF_WIDTH};
    column.cx = 80;
    column.pszText = (WCHAR *)L"Name";
    SendMessageW(list, LVM_INSERTCOLUMNW, 0, (LPARAM)&column);
    column.cx = 100;
    column.pszText = (WCHAR *)L"Value";
    SendMessageW(list, LVM_INSERTCOLUMNW, 1, (LPARAM)&column);
    for (int row = 0; row < (int)(sizeof ProbeRows / sizeof ProbeRows[0]); row++) {
        LVITEMW item = {LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM, row};
        item.pszText = (WCHAR *)ProbeRows[row].name;
        item.iImage = ProbeRows[row].image;
        item.lParam = ProbeRows[row].param;
        SendMessageW(list, LVM_INSERTITEMW, 0, (LPARAM)&item);
        item.mask = LVIF_TEXT;
        item.iSubItem = 1;
        item.pszText = (WCHAR *)ProbeRows[row].value;
        SendMessageW(list, LVM_SETITEMW, 0, (LPARAM)&item);
    }
}

static int ShowProbeWindow(HINSTANCE instance)
{
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = ProbeWndProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(NULL, IDC_ARROW);
    windowClass.hbrBackground = (HBRUSH)(COLOR_WINDOW + 1);
    windowClass.lpszClassName = PROBE_WINDOW_CLASS;
    RegisterClassW(&windowClass);
    HWND window = CeCreateWindowExW(WS_EX_CAPTIONOKBTN, PROBE_WINDOW_CLASS, PROBE_TITLE, WS_VISIBLE | WS_CAPTION, 0, 0,
                                  GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), NULL, NULL, instance,
                                  NULL);
    AddProbeList(window, instance);
    SHMENUBARINFO bar = {sizeof bar};
    bar.hwndParent = window;
    bar.nToolBarId = IDR_PROBE_MENU;
    bar.hInstRes = instance;
    SHCreateMenuBar(&bar);
    MSG message;
    while (GetMessageW(&message, NULL, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}

static void ReadBehaviour(const WCHAR *number, WCHAR *behaviour)
{
    DWORD size = BEHAVIOUR_CHARS * sizeof(WCHAR);
    if (RegGetValueW(HKEY_LOCAL_MACHINE, DEVICE_WIDE(DEVICE_PROBE_KEY), number, RRF_RT_REG_SZ, NULL, behaviour, &size))
        lstrcpyW(behaviour, L"signal");
}

static int RunAsInitEntry(const WCHAR *commandLine)
{
    WCHAR behaviour[BEHAVIOUR_CHARS];
    ReadBehaviour(commandLine, behaviour);
    DeviceLog(L"probe command line \"%s\": %s", commandLine, behaviour);
    int number = _wtoi(commandLine);
    if (wcsncmp(behaviour, L"delay ", 6) == 0)
        Sleep(_wtoi(behaviour + 6));
    if (wcscmp(behaviour, L"silent") != 0)
        SignalStarted(number);
    if (wcsncmp(behaviour, L"exit ", 5) == 0)
        return _wtoi(behaviour + 5);
    Sleep(INFINITE);
    return 0;
}

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR commandLine, int)
{
    if (wcscmp(commandLine, L"window") == 0)
        return ShowProbeWindow(instance);
    if (wcsncmp(commandLine, L"open ", 5) == 0)
        return OpenForReading(Unquoted(commandLine + 5));
    if (wcsncmp(commandLine, L"ask ", 4) == 0)
        return Ask(Unquoted(commandLine + 4));
    if (wcscmp(commandLine, L"reset") == 0) {
        DWORD returned;
        KernelIoControl(IOCTL_HAL_REBOOT, NULL, 0, NULL, 0, &returned);
        return 1;
    }
    return RunAsInitEntry(commandLine);
}
