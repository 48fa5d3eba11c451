#include "device/ui/input.h"
#include <stdio.h>
#include <wchar.h>

#define PRESS_MS 60
#define SETTLE_MS 300
#define POPUP_WAIT_MS 3000
#define MESSAGE_TIMEOUT_MS 5000
#define CAPTION_CHARS 256
#define POPUP_MENU_CLASS L"#32768"

// Absolute mouse coordinates run from 0 to 65535 across the screen.
static LONG Normalized(int position, int screenSize)
{
    return (LONG)((position * 65535LL + screenSize / 2) / (screenSize - 1));
}

static void SendMouse(int x, int y, DWORD button)
{
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dx = Normalized(x, GetSystemMetrics(SM_CXSCREEN));
    input.mi.dy = Normalized(y, GetSystemMetrics(SM_CYSCREEN));
    input.mi.dwFlags = MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE | button;
    SendInput(1, &input, sizeof input);
}

int Tap(int x, int y)
{
    SendMouse(x, y, 0);
    Sleep(PRESS_MS);
    SendMouse(x, y, MOUSEEVENTF_LEFTDOWN);
    Sleep(PRESS_MS);
    SendMouse(x, y, MOUSEEVENTF_LEFTUP);
    Sleep(SETTLE_MS);
    return 0;
}

static int TapWindow(HWND window)
{
    RECT rect;
    GetWindowRect(window, &rect);
    return Tap((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
}

static void PressKey(WORD key)
{
    INPUT press[2] = {};
    press[0].type = press[1].type = INPUT_KEYBOARD;
    press[0].ki.wVk = press[1].ki.wVk = key;
    press[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, press, sizeof press[0]);
    Sleep(SETTLE_MS);
}

// A caption as the user reads it: without '&' marks and what follows a tab.
static void PlainCaption(const WCHAR *caption, WCHAR *plain)
{
    int length = 0;
    for (; *caption && *caption != L'\t' && length < CAPTION_CHARS - 1; caption++)
        if (*caption != L'&')
            plain[length++] = *caption;
    plain[length] = 0;
}

static BOOL CaptionIs(HWND window, const WCHAR *wanted)
{
    WCHAR caption[CAPTION_CHARS], plain[CAPTION_CHARS];
    InternalGetWindowText(window, caption, CAPTION_CHARS);
    PlainCaption(caption, plain);
    return _wcsicmp(plain, wanted) == 0;
}

static HWND FindChildByCaption(HWND parent, const WCHAR *caption)
{
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (IsWindowVisible(child) && CaptionIs(child, caption))
            return child;
    return NULL;
}

int TapOk()
{
    HWND bar = FindWindowW(L"CeNavBar", NULL);
    HWND ok = bar ? FindChildByCaption(bar, L"ok") : NULL;
    if (!ok) {
        printf("no ok in the navigation bar\n");
        return 1;
    }
    return TapWindow(ok);
}

struct ButtonSearch {
    const WCHAR *caption;
    HWND found;
};

static BOOL CALLBACK FindDialogButtonProc(HWND window, LPARAM search)
{
    ButtonSearch *wanted = (ButtonSearch *)search;
    WCHAR kind[CAPTION_CHARS];
    GetClassNameW(window, kind, CAPTION_CHARS);
    if (!IsWindowVisible(window) || wcscmp(kind, L"#32770") != 0)
        return TRUE;
    wanted->found = FindChildByCaption(window, wanted->caption);
    return wanted->found == NULL;
}

int AnswerMessageBox(const WCHAR *button)
{
    ButtonSearch search = {button, NULL};
    EnumWindows(FindDialogButtonProc, (LPARAM)&search);
    if (!search.found) {
        printf("no message box with a button %ls\n", button);
        return 1;
    }
    // A box hidden behind another window could not be tapped: a user
    // would bring it forward first.
    SetForegroundWindow(GetParent(search.found));
    Sleep(SETTLE_MS);
    return TapWindow(search.found);
}

static HWND WaitForPopupMenu()
{
    for (DWORD start = GetTickCount(); GetTickCount() - start < POPUP_WAIT_MS; Sleep(50)) {
        HWND popup = FindWindowW(POPUP_MENU_CLASS, NULL);
        if (popup && IsWindowVisible(popup))
            return popup;
    }
    return NULL;
}

// Another process's menus cannot be read, so ITEM is looked up in the menu
// resources of the bar's program and chosen with the keyboard, as the
// popups are built from them.
struct MenuSearch {
    const WCHAR *item;
    const WCHAR *caption;
    int position;  // arrow-key presses to reach ITEM after the popup opens
    BOOL byCaption;
};

static int KeyboardPosition(HMENU popup, const WCHAR *item)
{
    int presses = 0;
    for (int index = 0; index < GetMenuItemCount(popup); index++) {
        WCHAR caption[CAPTION_CHARS], plain[CAPTION_CHARS];
        if (GetMenuState(popup, index, MF_BYPOSITION) & MF_SEPARATOR)
            continue;
        presses++;
        GetMenuStringW(popup, index, caption, CAPTION_CHARS, MF_BYPOSITION);
        PlainCaption(caption, plain);
        if (_wcsicmp(plain, item) == 0)
            return presses;
    }
    return -1;
}

static BOOL CALLBACK SearchMenuProc(HMODULE module, LPCWSTR, LPWSTR name, LONG_PTR search)
{
    MenuSearch *wanted = (MenuSearch *)search;
    HMENU menu = LoadMenuW(module, name);
    for (int index = 0; menu && index < GetMenuItemCount(menu) && !wanted->byCaption; index++) {
        HMENU popup = GetSubMenu(menu, index);
        int position = popup ? KeyboardPosition(popup, wanted->item) : -1;
        if (position < 0)
            continue;
        WCHAR caption[CAPTION_CHARS], plain[CAPTION_CHARS];
        GetMenuStringW(menu, index, caption, CAPTION_CHARS, MF_BYPOSITION);
        PlainCaption(caption, plain);
        wanted->byCaption = _wcsicmp(plain, wanted->caption) == 0;
        if (wanted->byCaption || wanted->position < 0)
            wanted->position = position;
    }
    if (menu)
        DestroyMenu(menu);
    return !wanted->byCaption;
}

static void SearchProgramMenus(HWND bar, MenuSearch *search)
{
    DWORD pid = 0;
    GetWindowThreadProcessId(bar, &pid);
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    WCHAR path[MAX_PATH];
    DWORD size = MAX_PATH;
    BOOL named = process && QueryFullProcessImageNameW(process, 0, path, &size);
    if (process)
        CloseHandle(process);
    HMODULE module = named ? LoadLibraryExW(path, NULL, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE) : NULL;
    if (!module)
        return;
    EnumResourceNamesW(module, RT_MENU, SearchMenuProc, (LONG_PTR)search);
    FreeLibrary(module);
}

int ChooseMenuItem(const WCHAR *item)
{
    HWND bar = FindWindowW(L"CeMenuBar", NULL);
    if (!bar) {
        printf("no menu bar\n");
        return 1;
    }
    HWND chosen = NULL;
    int position = -1;
    for (HWND button = GetWindow(bar, GW_CHILD); button; button = GetWindow(button, GW_HWNDNEXT)) {
        if (!IsWindowVisible(button))
            continue;
        if (CaptionIs(button, item))
            return TapWindow(button);
        WCHAR caption[CAPTION_CHARS], plain[CAPTION_CHARS];
        InternalGetWindowText(button, caption, CAPTION_CHARS);
        PlainCaption(caption, plain);
        MenuSearch search = {item, plain, -1, FALSE};
        SearchProgramMenus(bar, &search);
        if (search.position >= 0 && (search.byCaption || !chosen)) {
            chosen = button;
            position = search.position;
        }
    }
    if (!chosen) {
        printf("no menu item %ls\n", item);
        return 1;
    }
    TapWindow(chosen);
    if (!WaitForPopupMenu()) {
        printf("no popup menu\n");
        return 1;
    }
    for (int press = 0; press < position; press++)
        PressKey(VK_DOWN);
    PressKey(VK_RETURN);
    return 0;
}

int AskForHelp()
{
    HWND window = GetForegroundWindow();
    if (!window) {
        printf("no foreground window\n");
        return 1;
    }
    HELPINFO help = {sizeof help};
    help.iContextType = HELPINFO_WINDOW;
    help.hItemHandle = window;
    GetCursorPos(&help.MousePos);
    DWORD_PTR result;
    SendMessageTimeoutW(window, WM_HELP, 0, (LPARAM)&help, SMTO_ABORTIFHUNG, MESSAGE_TIMEOUT_MS, &result);
    return 0;
}
