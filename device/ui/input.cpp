#include "device/ui/input.h"
#include <stdio.h>
#include <wchar.h>

#define PRESS_MS 60
#define SETTLE_MS 300
#define POPUP_WAIT_MS 3000
#define MESSAGE_TIMEOUT_MS 5000
#define CAPTION_CHARS 256
#define POPUP_MENU_CLASS L"#32768"

int Tap(int x, int y)
{
    SetCursorPos(x, y);
    INPUT press = {};
    press.type = INPUT_MOUSE;
    press.mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    SendInput(1, &press, sizeof press);
    Sleep(PRESS_MS);
    press.mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(1, &press, sizeof press);
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

// Taps ITEM in the open popup menu; FALSE when it has no such item.
static BOOL TapPopupItem(HWND popup, const WCHAR *item)
{
    HMENU menu = (HMENU)SendMessageW(popup, MN_GETHMENU, 0, 0);
    int count = menu ? GetMenuItemCount(menu) : 0;
    for (int index = 0; index < count; index++) {
        WCHAR caption[CAPTION_CHARS], plain[CAPTION_CHARS];
        if (!GetMenuStringW(menu, index, caption, CAPTION_CHARS, MF_BYPOSITION))
            continue;
        PlainCaption(caption, plain);
        RECT rect;
        if (_wcsicmp(plain, item) == 0 && GetMenuItemRect(NULL, menu, index, &rect)) {
            Tap((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
            return TRUE;
        }
    }
    return FALSE;
}

int ChooseMenuItem(const WCHAR *item)
{
    HWND bar = FindWindowW(L"CeMenuBar", NULL);
    if (!bar) {
        printf("no menu bar\n");
        return 1;
    }
    for (HWND button = GetWindow(bar, GW_CHILD); button; button = GetWindow(button, GW_HWNDNEXT)) {
        if (!IsWindowVisible(button))
            continue;
        if (CaptionIs(button, item))
            return TapWindow(button);
        TapWindow(button);
        HWND popup = WaitForPopupMenu();
        if (popup && TapPopupItem(popup, item))
            return 0;
        if (popup)
            PressKey(VK_ESCAPE);
    }
    printf("no menu item %ls\n", item);
    return 1;
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
