#include "ce/aygshell.h"
#include "ce/device_screen.h"
#include "ce/menu_bar.h"

#define HEADER_WORDS 2
#define BUTTON_WORDS 7
#define FIRST_BUTTON_ID 100
#define BUTTON_MARGIN 2
#define BUTTON_TEXT_PADDING 16
#define BUTTON_MIN_WIDTH 40
#define MENU_BAR_COLOUR RGB(214, 211, 206)

typedef struct tagMENU_BAR {
    HWND parent;
    HMENU menu;
    MENU_BAR_RESOURCE layout;
} MENU_BAR;

BOOL ReadMenuBarResource(const void *data, DWORD size, MENU_BAR_RESOURCE *bar)
{
    const WORD *words = (const WORD *)data;
    if (!data || size < HEADER_WORDS * sizeof(WORD))
        return FALSE;
    bar->menu = words[0];
    bar->count = words[1];
    if (bar->count > MENU_BAR_MAX_BUTTONS || size < (HEADER_WORDS + bar->count * BUTTON_WORDS) * sizeof(WORD))
        return FALSE;
    memcpy(bar->buttons, words + HEADER_WORDS, bar->count * sizeof(MENU_BAR_BUTTON));
    return TRUE;
}

static void DropPopup(HWND bar, MENU_BAR *data, int index)
{
    const MENU_BAR_BUTTON *button = &data->layout.buttons[index];
    HMENU popup = GetSubMenu(data->menu, button->popup);
    if (!popup || !(button->style & TBSTYLE_DROPDOWN)) {
        SendMessageW(data->parent, WM_COMMAND, button->command, 0);
        return;
    }
    RECT rc;
    GetWindowRect(GetDlgItem(bar, FIRST_BUTTON_ID + index), &rc);
    RECT barRect;
    GetWindowRect(bar, &barRect);
    // A popup closes properly only when its owner is in the foreground.
    HWND previous = GetForegroundWindow();
    SetForegroundWindow(bar);
    UINT command = TrackPopupMenu(popup, TPM_LEFTALIGN | TPM_BOTTOMALIGN | TPM_RETURNCMD, rc.left, barRect.top, 0,
                                  bar, NULL);
    PostMessageW(bar, WM_NULL, 0, 0);
    if (previous && IsWindow(previous))
        SetForegroundWindow(previous);
    if (command)
        SendMessageW(data->parent, WM_COMMAND, command, 0);
}

static void Paint(HWND bar)
{
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(bar, &paint);
    HBRUSH brush = CreateSolidBrush(MENU_BAR_COLOUR);
    FillRect(dc, &paint.rcPaint, brush);
    DeleteObject(brush);
    EndPaint(bar, &paint);
}

static LRESULT CALLBACK MenuBarProc(HWND bar, UINT message, WPARAM wParam, LPARAM lParam)
{
    MENU_BAR *data = (MENU_BAR *)GetWindowLongPtrW(bar, GWLP_USERDATA);
    switch (message) {
    case WM_NCCREATE:
        SetWindowLongPtrW(bar, GWLP_USERDATA, (LONG_PTR)((CREATESTRUCTW *)lParam)->lpCreateParams);
        break;
    case WM_COMMAND: {
        int index = LOWORD(wParam) - FIRST_BUTTON_ID;
        if (data && HIWORD(wParam) == BN_CLICKED && index >= 0 && index < data->layout.count)
            DropPopup(bar, data, index);
        return 0;
    }
    case WM_INITMENUPOPUP:
        if (data)
            SendMessageW(data->parent, message, wParam, lParam);
        return 0;
    case WM_PAINT:
        Paint(bar);
        return 0;
    case WM_NCDESTROY:
        if (data) {
            DestroyMenu(data->menu);
            HeapFree(GetProcessHeap(), 0, data);
        }
        SetWindowLongPtrW(bar, GWLP_USERDATA, 0);
        break;
    }
    return DefWindowProcW(bar, message, wParam, lParam);
}

static void GetCaption(HINSTANCE resources, const MENU_BAR *data, int index, WCHAR *caption, int size)
{
    const MENU_BAR_BUTTON *button = &data->layout.buttons[index];
    if (LoadStringW(resources, button->caption, caption, size) > 0)
        return;
    if (!GetMenuStringW(data->menu, button->popup, caption, size, MF_BYPOSITION))
        caption[0] = 0;
}

static void AddButtons(HWND bar, HINSTANCE resources, const MENU_BAR *data)
{
    HFONT font = (HFONT)GetStockObject(DEFAULT_GUI_FONT);
    HDC dc = GetDC(bar);
    HGDIOBJ oldFont = SelectObject(dc, font);
    int x = BUTTON_MARGIN;
    for (int i = 0; i < data->layout.count; i++) {
        WCHAR caption[64];
        GetCaption(resources, data, i, caption, ARRAYSIZE(caption));
        SIZE size = {};
        GetTextExtentPoint32W(dc, caption, lstrlenW(caption), &size);
        int width = size.cx + BUTTON_TEXT_PADDING;
        if (width < BUTTON_MIN_WIDTH)
            width = BUTTON_MIN_WIDTH;
        HWND button = CreateWindowExW(0, L"BUTTON", caption, WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, x, BUTTON_MARGIN,
                                      width, MENU_BAR_HEIGHT - 2 * BUTTON_MARGIN, bar,
                                      (HMENU)(INT_PTR)(FIRST_BUTTON_ID + i), GetModuleHandleW(NULL), NULL);
        SendMessageW(button, WM_SETFONT, (WPARAM)font, FALSE);
        x += width + BUTTON_MARGIN;
    }
    SelectObject(dc, oldFont);
    ReleaseDC(bar, dc);
}

static void RegisterMenuBarClass(void)
{
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = MenuBarProc;
    windowClass.hInstance = GetModuleHandleW(NULL);
    windowClass.hCursor = LoadCursorW(NULL, (LPCWSTR)IDC_ARROW);
    windowClass.lpszClassName = MENU_BAR_CLASS;
    RegisterClassW(&windowClass);
}

HWND CreateMenuBarWindow(HWND parent, HINSTANCE resources, const MENU_BAR_RESOURCE *bar, HMENU menu)
{
    MENU_BAR *data = (MENU_BAR *)HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(MENU_BAR));
    if (!data) {
        DestroyMenu(menu);
        return NULL;
    }
    data->parent = parent;
    data->menu = menu;
    data->layout = *bar;
    RegisterMenuBarClass();
    HWND owner = parent ? GetAncestor(parent, GA_ROOT) : NULL;
    // Owned by the program's window, not topmost: the window of another
    // program in front covers it, as the device shows only the bar of the
    // program in front.
    HWND window = CreateWindowExW(WS_EX_TOOLWINDOW, MENU_BAR_CLASS, L"", WS_POPUP | WS_CLIPCHILDREN, 0,
                                  DEVICE_SCREEN_HEIGHT - MENU_BAR_HEIGHT, DEVICE_SCREEN_WIDTH, MENU_BAR_HEIGHT, owner,
                                  NULL, GetModuleHandleW(NULL), data);
    if (!window) {
        DestroyMenu(menu);
        HeapFree(GetProcessHeap(), 0, data);
        return NULL;
    }
    AddButtons(window, resources, data);
    ShowWindow(window, SW_SHOWNA);
    return window;
}

BOOL SHCreateMenuBar(SHMENUBARINFO *pmbi)
{
    if (!pmbi || (pmbi->cbSize != SHMENUBARINFO_DEVICE_SIZE && pmbi->cbSize != sizeof *pmbi))
        return FALSE;
    pmbi->hwndMB = NULL;
    HRSRC resource = FindResourceW(pmbi->hInstRes, MAKEINTRESOURCEW(pmbi->nToolBarId), (LPCWSTR)RT_RCDATA);
    HGLOBAL loaded = resource ? LoadResource(pmbi->hInstRes, resource) : NULL;
    MENU_BAR_RESOURCE bar;
    if (!loaded || !ReadMenuBarResource(LockResource(loaded), SizeofResource(pmbi->hInstRes, resource), &bar))
        return FALSE;
    HMENU menu = LoadMenuW(pmbi->hInstRes, MAKEINTRESOURCEW(bar.menu));
    if (!menu)
        return FALSE;
    pmbi->hwndMB = CreateMenuBarWindow(pmbi->hwndParent, pmbi->hInstRes, &bar, menu);
    return pmbi->hwndMB != NULL;
}
