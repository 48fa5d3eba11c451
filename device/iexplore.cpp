// The device's browser, as far as the viewer meets it: a main window of
// class "IExplore" that shows the address it was started with and, like the
// real browser, holds the three index files open without read sharing
// until its window is closed.
#include <windows.h>
#include "format/index_kinds.h"
#include "store/index_file_set.h"
#include "ce/device_log.h"

static const WCHAR BrowserClass[] = L"IExplore";
static const WCHAR BrowserTitle[] = L"Internet Explorer";
static const int AddressId = 100;

static HANDLE HeldFiles[IndexFileKinds];
static LPCWSTR Address = L"";

static void HoldIndexFiles(void)
{
    for (int kind = 0; kind < IndexFileKinds; kind++) {
        WCHAR path[MAX_PATH];
        BuildLivePath(path, IndexKinds[kind].shellFolder, IndexKinds[kind].subPath, IndexKinds[kind].fallbackFolder);
        HeldFiles[kind] = CreateFileW(path, GENERIC_READ, 0, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    }
}

static void ReleaseIndexFiles(void)
{
    for (int kind = 0; kind < IndexFileKinds; kind++) {
        if (HeldFiles[kind] != INVALID_HANDLE_VALUE)
            CloseHandle(HeldFiles[kind]);
        HeldFiles[kind] = INVALID_HANDLE_VALUE;
    }
}

static LRESULT CALLBACK BrowserWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        CreateWindowExW(0, L"STATIC", Address, WS_CHILD | WS_VISIBLE | SS_LEFT, 0, 0, 0, 0, hwnd,
                        (HMENU)(INT_PTR)AddressId, ((LPCREATESTRUCTW)lParam)->hInstance, NULL);
        return 0;
    case WM_SIZE:
        MoveWindow(GetDlgItem(hwnd, AddressId), 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
        return 0;
    case WM_CLOSE:
        // The files are free by the time the closer's SendMessage returns.
        ReleaseIndexFiles();
        DeviceLog(L"closed");
        DestroyWindow(hwnd);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

static LPCWSTR SkipBlanks(LPCWSTR text)
{
    while (*text == L' ' || *text == L'\t')
        text++;
    return text;
}

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR commandLine, int showCommand)
{
    Address = SkipBlanks(commandLine);
    DeviceLog(L"start \"%s\"", Address);
    HoldIndexFiles();

    WNDCLASSW wc = {};
    wc.lpfnWndProc = BrowserWndProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(NULL, (LPCWSTR)IDC_ARROW);
    wc.hbrBackground = (HBRUSH)GetStockObject(WHITE_BRUSH);
    wc.lpszClassName = BrowserClass;
    if (!RegisterClassW(&wc))
        return 1;
    HWND window = CreateWindowExW(0, BrowserClass, BrowserTitle, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                                  CW_USEDEFAULT, CW_USEDEFAULT, NULL, NULL, instance, NULL);
    if (!window)
        return 1;
    ShowWindow(window, showCommand);
    UpdateWindow(window);

    MSG msg;
    while (GetMessageW(&msg, NULL, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    ReleaseIndexFiles();
    return (int)msg.wParam;
}
