// The help viewer stand-in. Its command line names a page and a topic,
// "file:NAME.htm#TOPIC"; NAME.htm is looked up in \Windows when it carries
// no folder. As on the device, the page fills the screen below the
// navigation bar, which shows "Help" and the ok that closes it, and it
// opens at the topic, an anchor of the page. As on the device there is
// one help window: a second start hands its request to the window that is
// open, which shows the new page and topic and comes forward.
#include <windows.h>
#include <wchar.h>
#include "ce/device_log.h"
#include "ce/device_screen.h"
#include "ce/htmlview.h"
#include "ce/nav_bar.h"

#define HELP_TITLE L"Help"
#define HELP_CLASS L"GallimawHelp"
// Held from the look for an open help window until this one exists, so two
// starts at once still make one window.
#define HELP_START_MUTEX L"GallimawHelpStart"
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

// "file:NAME.htm#TOPIC" -> the page's path and the topic (empty when
// there is none).
static void ReadRequest(const WCHAR *request, WCHAR *path, WCHAR *topic)
{
    WCHAR name[MAX_PATH];
    lstrcpynW(name, request[0] == L'"' ? request + 1 : request, MAX_PATH);
    WCHAR *quote = wcschr(name, L'"');
    if (quote)
        *quote = 0;
    WCHAR *hash = wcschr(name, L'#');
    lstrcpyW(topic, hash ? hash + 1 : L"");
    if (hash)
        *hash = 0;
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

// Fills the page view with the requested page and scrolls to its topic.
static void ShowRequest(const WCHAR *request)
{
    WCHAR path[MAX_PATH], topic[MAX_PATH];
    ReadRequest(request, path, topic);
    WCHAR *page = ReadPage(path);
    SendMessageW(PageView, DTM_CLEAR, 0, 0);
    if (page)
        SendMessageW(PageView, DTM_ADDTEXTW, FALSE, (LPARAM)page);
    else
        DeviceLog(L"no page %s", path);
    SendMessageW(PageView, DTM_ENDOFSOURCE, 0, 0);
    if (page)
        HeapFree(GetProcessHeap(), 0, page);
    if (topic[0] && !SendMessageW(PageView, DTM_ANCHORW, 0, (LPARAM)topic))
        DeviceLog(L"no topic %s", topic);
}

// Hands the request to the help window already open; FALSE when there is none.
static BOOL PassToOpenHelp(const WCHAR *request)
{
    HWND open = FindWindowW(HELP_CLASS, NULL);
    if (!open)
        return FALSE;
    COPYDATASTRUCT data = {};
    data.cbData = (DWORD)((lstrlenW(request) + 1) * sizeof(WCHAR));
    data.lpData = (void *)request;
    SendMessageW(open, WM_COPYDATA, 0, (LPARAM)&data);
    SetForegroundWindow(open);
    return TRUE;
}

static LRESULT CALLBACK HelpWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK)
            DestroyWindow(window);
        return 0;
    case WM_COPYDATA: {
        const COPYDATASTRUCT *data = (const COPYDATASTRUCT *)lParam;
        WCHAR request[MAX_PATH];
        int length = (int)(data->cbData / sizeof(WCHAR));
        lstrcpynW(request, (const WCHAR *)data->lpData, length < MAX_PATH ? length : MAX_PATH);
        ShowRequest(request);
        return TRUE;
    }
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR commandLine, int show)
{
    DeviceLog(L"help %s", commandLine);
    const WCHAR *request = PageRequest(commandLine);
    HANDLE starting = CreateMutexW(NULL, FALSE, HELP_START_MUTEX);
    WaitForSingleObject(starting, INFINITE);
    if (PassToOpenHelp(request)) {
        ReleaseMutex(starting);
        return 0;
    }

    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = HelpWndProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(NULL, IDC_ARROW);
    windowClass.lpszClassName = HELP_CLASS;
    RegisterClassW(&windowClass);
    HWND window = CreateWindowExW(0, HELP_CLASS, HELP_TITLE, WS_POPUP, 0, NAV_BAR_HEIGHT, DEVICE_SCREEN_WIDTH,
                                  DEVICE_SCREEN_HEIGHT - NAV_BAR_HEIGHT, NULL, NULL, instance, NULL);
    RECT client;
    GetClientRect(window, &client);
    InitHTMLControl(instance);
    PageView = CreateWindowExW(0, WC_HTML, L"", WS_CHILD | WS_VISIBLE, 0, 0, client.right, client.bottom, window,
                               (HMENU)PAGE_ID, instance, NULL);
    ShowRequest(request);
    ReleaseMutex(starting);
    GiveOkButton(window);
    ShowWindow(window, show);
    SetFocus(PageView);
    UpdateWindow(window);

    MSG message;
    while (GetMessageW(&message, NULL, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}
