// The device's message box: the desktop one, with its text, caption,
// buttons, icon, styles and answers, laid out again to fit the screen.
// A box wider than the screen gets the screen's width and its text
// wrapped to it; every box is centred on the screen.
#include "ce/coredll.h"
#include "ce/device_screen.h"
#include <algorithm>

#define BOX_MARGIN 8
#define BUTTON_GAP 8

// The hook that waits for the box's WM_INITDIALOG; see CeMessageBoxW.
static HHOOK FitHook;

typedef struct tagBOX_PARTS {
    HWND text, icon;
    HWND buttons[8];
    int buttonCount;
} BOX_PARTS;

static BOOL IsShown(HWND window)
{
    return (GetWindowLongW(window, GWL_STYLE) & WS_VISIBLE) != 0;
}

static bool IsLeftOf(HWND one, HWND other)
{
    RECT first, second;
    GetWindowRect(one, &first);
    GetWindowRect(other, &second);
    return first.left < second.left;
}

// The box is not shown yet: its parts are told apart by class and style.
static void FindParts(HWND box, BOX_PARTS *parts)
{
    ZeroMemory(parts, sizeof *parts);
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        WCHAR kind[16] = L"";
        GetClassNameW(child, kind, ARRAYSIZE(kind));
        if (!IsShown(child))
            continue;
        if (!lstrcmpiW(kind, L"Button") && parts->buttonCount < (int)ARRAYSIZE(parts->buttons))
            parts->buttons[parts->buttonCount++] = child;
        else if (!lstrcmpiW(kind, L"Static") && (GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON)
            parts->icon = child;
        else if (!lstrcmpiW(kind, L"Static"))
            parts->text = child;
    }
    // In the order the desktop box shows them.
    std::sort(parts->buttons, parts->buttons + parts->buttonCount, IsLeftOf);
}

static SIZE WindowSize(HWND window)
{
    RECT rect;
    GetWindowRect(window, &rect);
    SIZE size = {rect.right - rect.left, rect.bottom - rect.top};
    return size;
}

// Height of the text wrapped at width, in the text control's font.
static int WrappedTextHeight(HWND text, int width)
{
    int length = GetWindowTextLengthW(text);
    WCHAR *buffer = (WCHAR *)HeapAlloc(GetProcessHeap(), 0, (length + 1) * sizeof(WCHAR));
    if (!buffer)
        return 0;
    GetWindowTextW(text, buffer, length + 1);
    HDC dc = GetDC(text);
    HGDIOBJ oldFont = SelectObject(dc, (HFONT)SendMessageW(text, WM_GETFONT, 0, 0));
    RECT rect = {0, 0, width, 0};
    DrawTextW(dc, buffer, length, &rect, DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX);
    SelectObject(dc, oldFont);
    ReleaseDC(text, dc);
    HeapFree(GetProcessHeap(), 0, buffer);
    return rect.bottom;
}

static void Place(HWND window, int x, int y, int width, int height)
{
    SetWindowPos(window, NULL, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

// Icon and text side by side at the top, the buttons in a centred row
// below them, all within the screen's width.
static void LayOutForScreen(HWND box, const BOX_PARTS *parts, int frameWidth, int frameHeight)
{
    int clientWidth = DEVICE_SCREEN_WIDTH - frameWidth;
    SIZE icon = {0, 0};
    int textLeft = BOX_MARGIN;
    if (parts->icon) {
        icon = WindowSize(parts->icon);
        textLeft += icon.cx + BOX_MARGIN;
    }
    int textWidth = clientWidth - textLeft - BOX_MARGIN;
    int textHeight = parts->text ? WrappedTextHeight(parts->text, textWidth) : 0;
    int rowHeight = std::max((int)icon.cy, textHeight);
    if (parts->icon)
        Place(parts->icon, BOX_MARGIN, BOX_MARGIN + (rowHeight - icon.cy) / 2, icon.cx, icon.cy);
    if (parts->text)
        Place(parts->text, textLeft, BOX_MARGIN + (rowHeight - textHeight) / 2, textWidth, textHeight);

    int buttonsTop = BOX_MARGIN + rowHeight + BOX_MARGIN, buttonsWidth = 0, buttonHeight = 0;
    for (int i = 0; i < parts->buttonCount; i++) {
        SIZE size = WindowSize(parts->buttons[i]);
        buttonsWidth += size.cx + (i ? BUTTON_GAP : 0);
        buttonHeight = std::max(buttonHeight, (int)size.cy);
    }
    int x = (clientWidth - buttonsWidth) / 2;
    for (int i = 0; i < parts->buttonCount; i++) {
        SIZE size = WindowSize(parts->buttons[i]);
        Place(parts->buttons[i], x, buttonsTop, size.cx, size.cy);
        x += size.cx + BUTTON_GAP;
    }
    int height = std::min(buttonsTop + buttonHeight + BOX_MARGIN + frameHeight, DEVICE_SCREEN_HEIGHT);
    Place(box, 0, 0, DEVICE_SCREEN_WIDTH, height);
}

static void FitToScreen(HWND box)
{
    RECT window, client;
    GetWindowRect(box, &window);
    GetClientRect(box, &client);
    int width = window.right - window.left, height = window.bottom - window.top;
    if (width > DEVICE_SCREEN_WIDTH) {
        BOX_PARTS parts;
        FindParts(box, &parts);
        LayOutForScreen(box, &parts, width - client.right, height - client.bottom);
        GetWindowRect(box, &window);
        width = window.right - window.left;
        height = window.bottom - window.top;
    }
    SetWindowPos(box, NULL, (DEVICE_SCREEN_WIDTH - width) / 2, std::max(0, (DEVICE_SCREEN_HEIGHT - height) / 2), 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// The desktop box lays itself out in its WM_INITDIALOG; the layout is
// redone right after it, before the box shows.
static LRESULT CALLBACK FitOnInit(int code, WPARAM wParam, LPARAM lParam)
{
    const CWPRETSTRUCT *call = (const CWPRETSTRUCT *)lParam;
    if (code == HC_ACTION && call->message == WM_INITDIALOG && FitHook) {
        UnhookWindowsHookEx(FitHook);
        FitHook = NULL;
        FitToScreen(call->hwnd);
    }
    return CallNextHookEx(NULL, code, wParam, lParam);
}

int CeMessageBoxW(HWND hWnd, LPCWSTR lpText, LPCWSTR lpCaption, UINT uType)
{
    FitHook = SetWindowsHookExW(WH_CALLWNDPROCRET, FitOnInit, NULL, GetCurrentThreadId());
    int answer = MessageBoxW(hWnd, lpText, lpCaption, uType);
    if (FitHook)
        UnhookWindowsHookEx(FitHook);
    FitHook = NULL;
    return answer;
}
