// The device's UI automation, run by "gallimaw-device ui":
//   dump                 every top-level window as JSON
//   tap X Y              a tap at screen coordinates
//   ok                   the title bar ok of the navigation bar
//   answer BUTTON        a button of the open message box
//   menu ITEM            a command of the menu bar
//   help                 the Help key for the foreground window
//   screenshot OUT.bmp   the screen
//   start EXE [ARGS...]  starts a program; returns once it shows a window
//                        ("window HANDLE") or ends ("exit code N")
#include <windows.h>
#include <fcntl.h>
#include <io.h>
#include <stdio.h>
#include <string>
#include "device/ui/input.h"
#include "device/ui/screenshot.h"
#include "device/ui/window_dump.h"
#include "device/common/launch.h"

#define START_TIMEOUT_MS 30000
#define START_POLL_MS 50

struct WindowSearch {
    DWORD pid;
    HWND found;
};

static BOOL CALLBACK FindProcessWindowProc(HWND window, LPARAM search)
{
    WindowSearch *wanted = (WindowSearch *)search;
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid == wanted->pid && IsWindowVisible(window)) {
        wanted->found = window;
        return FALSE;
    }
    return TRUE;
}

// Command-line form of ARGUMENTS, quoted where they hold blanks.
static std::wstring JoinArguments(int count, WCHAR **arguments)
{
    std::wstring joined;
    for (int i = 0; i < count; i++) {
        if (i)
            joined += L' ';
        std::wstring argument = arguments[i];
        BOOL quote = argument.empty() || argument.find(L' ') != std::wstring::npos;
        joined += quote ? L"\"" + argument + L"\"" : argument;
    }
    return joined;
}

static int StartProgram(const WCHAR *path, int count, WCHAR **arguments)
{
    HANDLE process = RunProgram(path, JoinArguments(count, arguments).c_str());
    if (!process) {
        printf("cannot start %ls: error %lu\n", path, GetLastError());
        return 1;
    }
    WindowSearch search = {GetProcessId(process), NULL};
    for (DWORD start = GetTickCount(); GetTickCount() - start < START_TIMEOUT_MS; Sleep(START_POLL_MS)) {
        EnumWindows(FindProcessWindowProc, (LPARAM)&search);
        if (search.found) {
            printf("window %llu\n", (unsigned long long)(ULONG_PTR)search.found);
            return 0;
        }
        DWORD code;
        if (WaitForSingleObject(process, 0) == WAIT_OBJECT_0 && GetExitCodeProcess(process, &code)) {
            printf("exit code %lu\n", code);
            return 0;
        }
    }
    printf("no window after %d ms\n", START_TIMEOUT_MS);
    return 1;
}

static int Usage()
{
    printf("usage: device_ui dump | tap X Y | ok | answer BUTTON | menu ITEM | help | screenshot OUT.bmp | "
           "start EXE [ARGS...]\n");
    return 2;
}

int wmain(int argc, WCHAR **argv)
{
    _setmode(_fileno(stdout), _O_BINARY);
    if (argc < 2)
        return Usage();
    std::wstring command = argv[1];
    if (command == L"dump" && argc == 2) {
        std::string json = DumpScreen();
        fwrite(json.data(), 1, json.size(), stdout);
        return 0;
    }
    if (command == L"tap" && argc == 4)
        return Tap(_wtoi(argv[2]), _wtoi(argv[3]));
    if (command == L"ok" && argc == 2)
        return TapOk();
    if (command == L"answer" && argc == 3)
        return AnswerMessageBox(argv[2]);
    if (command == L"menu" && argc == 3)
        return ChooseMenuItem(argv[2]);
    if (command == L"help" && argc == 2)
        return AskForHelp();
    if (command == L"screenshot" && argc == 3)
        return SaveScreenshot(argv[2]);
    if (command == L"start" && argc >= 3)
        return StartProgram(argv[2], argc - 3, argv + 3);
    return Usage();
}
