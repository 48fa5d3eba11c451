// The help viewer stand-in. Its command line names a page and a topic,
// "file:NAME.htm#TOPIC"; NAME.htm is looked up in \Windows when it carries
// no folder. The page source is shown in a top-level window titled "Help".
#include <windows.h>
#include <wchar.h>
#include "device/common/device_log.h"

#define HELP_TITLE L"Help"
#define HELP_CLASS L"GallimawHelp"
#define HELP_FOLDER L"C:\\Windows\\"
#define PAGE_ID 100
#define MAX_PAGE_BYTES (1 << 20)

static HWND PageView;

// "file:NAME.htm#TOPIC" -> the page's path; the topic is not needed to
// show the page.
static void PagePath(const WCHAR *commandLine, WCHAR *path)
{
    if (_wcsnicmp(commandLine, L"file:", 5) == 0)
        commandLine += 5;
    WCHAR name[MAX_PATH];
    lstrcpynW(name, commandLine, MAX_PATH);
    WCHAR *topic = wcschr(name, L'#');
    if (topic)
        *topic = 0;
    if (wcschr(name, L'\\'))
        lstrcpyW(path, name);
    else
        _snwprintf(path, MAX_PATH - 1, L"%s%s", HELP_FOLDER, name);
    path[MAX_PATH - 1] = 0;
}

// The page as UTF-16 text, or NULL when it cannot be read.
static WCHAR *ReadPage(const WCHAR *path)
{
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return NULL;
    static char bytes[MAX_PAGE_BYTES + 1];
    DWORD size = 0;
    ReadFile(file, bytes, MAX_PAGE_BYTES, &size, NULL);
    CloseHandle(file);
    WCHAR *text = (WCHAR *)HeapAlloc(GetProcessHeap(), 0, (size + 1) * sizeof(WCHAR));
    int length = MultiByteToWideChar(CP_ACP, 0, bytes, (int)size, text, (int)size);
    text[length] = 0;
    return text;
}

static LRESULT CALLBACK HelpWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_SIZE:
        MoveWindow(PageView, 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR commandLine, int show)
{
    WriteDeviceLog(L"help %s", commandLine);
    WCHAR path[MAX_PATH];
    PagePath(commandLine, path);
    WCHAR *page = ReadPage(path);

    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = HelpWndProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(NULL, IDC_ARROW);
    windowClass.lpszClassName = HELP_CLASS;
    RegisterClassW(&windowClass);
    HWND window = CreateWindowExW(0, HELP_CLASS, HELP_TITLE, WS_OVERLAPPEDWINDOW, 0, 0,
                                  GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), NULL, NULL,
                                  instance, NULL);
    PageView = CreateWindowExW(0, L"EDIT", page ? page : L"", WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE |
                               ES_READONLY | ES_AUTOVSCROLL, 0, 0, 0, 0, window, (HMENU)PAGE_ID, instance, NULL);
    if (!page)
        WriteDeviceLog(L"no page %s", path);
    ShowWindow(window, show);
    UpdateWindow(window);

    MSG message;
    while (GetMessageW(&message, NULL, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}
