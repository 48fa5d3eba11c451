// The help viewer stand-in. Its command line names a page and a topic,
// "file:NAME.htm#TOPIC"; NAME.htm is looked up in \Windows when it carries
// no folder. The page is shown in an HTML view in a top-level window
// titled "Help".
#include <windows.h>
#include <wchar.h>
#include "ce/device_log.h"
#include "ce/htmlview.h"

#define HELP_TITLE L"Help"
#define HELP_CLASS L"GallimawHelp"
#define HELP_FOLDER L"C:\\Windows\\"
#define PAGE_ID 100
#define MAX_PAGE_BYTES (1 << 20)

static HWND PageView;

// The page request of the command line. A caller that passes only the
// arguments to CreateProcessW, as on the device, leaves no program name
// in front of it, so the whole command line is searched for "file:".
static const WCHAR *PageRequest(const WCHAR *arguments)
{
    for (const WCHAR *at = GetCommandLineW(); *at; at++)
        if (_wcsnicmp(at, L"file:", 5) == 0)
            return at + 5;
    return arguments;
}

// "file:NAME.htm#TOPIC" -> the page's path; the topic is not needed to
// show the page.
static void PagePath(const WCHAR *request, WCHAR *path)
{
    WCHAR name[MAX_PATH];
    lstrcpynW(name, request[0] == L'"' ? request + 1 : request, MAX_PATH);
    WCHAR *end = wcspbrk(name, L"#\"");
    if (end)
        *end = 0;
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
    DeviceLog(L"help %s", commandLine);
    WCHAR path[MAX_PATH];
    PagePath(PageRequest(commandLine), path);
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
    InitHTMLControl(instance);
    PageView = CreateWindowExW(0, WC_HTML, L"", WS_CHILD | WS_VISIBLE | WS_VSCROLL, 0, 0, 0, 0, window,
                               (HMENU)PAGE_ID, instance, NULL);
    SendMessageW(PageView, DTM_CLEAR, 0, 0);
    if (page)
        SendMessageW(PageView, DTM_ADDTEXTW, FALSE, (LPARAM)page);
    else
        DeviceLog(L"no page %s", path);
    SendMessageW(PageView, DTM_ENDOFSOURCE, 0, 0);
    ShowWindow(window, show);
    UpdateWindow(window);

    MSG message;
    while (GetMessageW(&message, NULL, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}
