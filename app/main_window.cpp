// The main window shows nothing of its own: it owns the full-screen Summary
// sheet, carries the "View" menu bar and ends the program on its title-bar ok.
#include "ce/pocketpc.h"
#include "app/app_values.h"
#include "ui/ui_values.h"
#include "app/main_window.h"
#include "boot/soft_reset.h"
#include "res/resource.h"
#include "ui/about_box.h"
#include "ui/summary_pages.h"

static const LONG BoldFontHeight = 18;

static SHACTIVATEINFO ActivateInfo;

static LRESULT CALLBACK MainWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

static void LoadKindIcons(void)
{
    for (int i = 0; i < IndexFileKinds; i++)
        KindIcons[i] = (HICON)LoadImageW(AppInstance, MAKEINTRESOURCEW(IDI_KIND_FIRST + i), IMAGE_ICON,
                                         KIND_ICON_SIZE, KIND_ICON_SIZE, 0);
}

static HFONT CreateBoldFont(void)
{
    LOGFONTW font = {};
    font.lfHeight = BoldFontHeight;
    font.lfWeight = FW_BOLD;
    return CreateFontIndirectW(&font);
}

BOOL InitInstance(HINSTANCE instance, int showCommand)
{
    AppInstance = instance;
    MainWindow = FindWindowW(AppClassName, AppTitle);
    if (MainWindow) {
        // The low bit brings the running viewer's owned windows, its
        // Summary sheet among them, forward with it.
        CeSetForegroundWindow((HWND)((ULONG_PTR)MainWindow | 1));
        return FALSE;
    }
    LoadKindIcons();
    BoldFont = CreateBoldFont();
    if (!LOWORD(RegisterMainWindowClass(AppInstance, AppClassName)))
        return FALSE;
    MainWindow = CeCreateWindowExW(WS_EX_CAPTIONOKBTN, AppClassName, AppTitle, WS_VISIBLE, 0, 0, 0, 0, NULL, NULL,
                                 AppInstance, NULL);
    if (!MainWindow || !MenuBar)
        return FALSE;
    CreateSummarySheet(MainWindow);
    ShowWindow(MainWindow, showCommand);
    UpdateWindow(MainWindow);
    return TRUE;
}

ATOM RegisterMainWindowClass(HINSTANCE instance, LPCWSTR className)
{
    WNDCLASSW windowClass = {};
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = MainWndProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_PROGRAM));
    windowClass.hbrBackground = (HBRUSH)GetStockObject(WHITE_BRUSH);
    windowClass.lpszClassName = className;
    return RegisterClassW(&windowClass);
}

static HWND CreateMainMenuBar(HWND hwnd)
{
    SHMENUBARINFO menuBar = {};
    menuBar.cbSize = SHMENUBARINFO_DEVICE_SIZE;
    menuBar.hwndParent = hwnd;
    menuBar.nToolBarId = IDR_MAIN_MENU;
    menuBar.hInstRes = AppInstance;
    if (!SHCreateMenuBar(&menuBar))
        return NULL;
    return menuBar.hwndMB;
}

static void OnCommand(HWND hwnd, WORD id)
{
    switch (id) {
    case IDOK:
        SendMessageW(hwnd, WM_ACTIVATE, WA_INACTIVE, (LPARAM)hwnd);
        SendMessageW(hwnd, WM_CLOSE, 0, 0);
        break;
    case IDM_SOFT_RESET:
        BeginSoftReset(hwnd, FALSE, AppTitle, AppClassName);
        break;
    case IDM_ABOUT:
        ShowAboutBox(hwnd);
        break;
    }
}

static LRESULT CALLBACK MainWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_CREATE:
        MenuBar = CreateMainMenuBar(hwnd);
        if (MenuBar) {
            ZeroMemory(&ActivateInfo, sizeof ActivateInfo);
            ActivateInfo.cbSize = SHACTIVATEINFO_DEVICE_SIZE;
        }
        break;
    case WM_DESTROY:
        DestroyWindow(MenuBar);
        for (int i = 0; i < IndexFileKinds; i++)
            DestroyIcon(KindIcons[i]);
        PostQuitMessage(0);
        return 0;
    case WM_ACTIVATE:
        SHHandleWMActivate(hwnd, wParam, lParam, &ActivateInfo, 0);
        break;
    case WM_CLOSE:
        // Only ends the loop; the window goes with the process.
        PostQuitMessage(0);
        return 0;
    case WM_SETTINGCHANGE:
        SHHandleWMSettingChange(hwnd, wParam, lParam, &ActivateInfo);
        break;
    case WM_COMMAND:
        OnCommand(hwnd, LOWORD(wParam));
        break;
    }
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}
