#include "ce/nav_bar.h"
#include "ce/device_screen.h"
#include <commctrl.h>

#define WM_NAV_REFRESH (WM_APP + 1)
#define REFRESH_TIMER 1
#define REFRESH_PERIOD_MS 250
#define OK_WIDTH 30
#define OK_MARGIN 2
#define TITLE_MARGIN 6
#define NAV_BAR_COLOUR RGB(0, 51, 153)
#define NAV_TEXT_COLOUR RGB(255, 255, 255)

static const WCHAR OkProperty[] = L"CeOkButton";
static const WCHAR PopupMenuClass[] = L"#32768";
static HWND NavBar;
static HWND NavTarget;
static HFONT TitleFont;
static BOOL InFront;

static BOOL HasOkButton(HWND window)
{
    return window && GetPropW(window, OkProperty) != NULL;
}

static BOOL IsShellWindow(HWND window)
{
    WCHAR name[32];
    if (!GetClassNameW(window, name, ARRAYSIZE(name)))
        return TRUE;
    return !lstrcmpW(name, NAV_BAR_CLASS) || !lstrcmpW(name, MENU_BAR_CLASS) || !lstrcmpW(name, PopupMenuClass);
}

static BOOL IsOwnProcess(HWND window)
{
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    return process == GetCurrentProcessId();
}

// The uppermost window of this process, for when none of its windows is
// active and the last one the bar spoke for is gone.
static HWND TopOwnWindow(void)
{
    for (HWND window = GetTopWindow(NULL); window; window = GetWindow(window, GW_HWNDNEXT))
        if (IsOwnProcess(window) && IsWindowVisible(window) && !IsShellWindow(window))
            return window;
    return NULL;
}

static HWND PickTarget(void)
{
    HWND candidate = GetActiveWindow();
    if (!candidate) {
        candidate = GetForegroundWindow();
        if (candidate && !IsOwnProcess(candidate))
            candidate = NULL;
    }
    if (candidate && !IsShellWindow(candidate) && IsWindowVisible(candidate))
        return candidate;
    if (IsWindow(NavTarget) && IsWindowVisible(NavTarget))
        return NavTarget;
    return TopOwnWindow();
}

// A window without a title of its own (a property sheet, say) shows its
// owner's, as the device shows the application's name.
static void GetTargetTitle(HWND window, WCHAR *title, int size)
{
    title[0] = 0;
    while (window && !GetWindowTextW(window, title, size))
        window = GetWindow(window, GW_OWNER);
}

// Every program of the device shows its own bar in the same place; the
// bar of the program in front lies over the others.
static void RaiseWhenInFront(void)
{
    HWND front = GetForegroundWindow();
    BOOL inFront = front && IsOwnProcess(front);
    if (inFront && !InFront)
        SetWindowPos(NavBar, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    InFront = inFront;
}

static void Refresh(void)
{
    WCHAR title[128], shown[128];
    RaiseWhenInFront();
    NavTarget = PickTarget();
    GetTargetTitle(NavTarget, title, ARRAYSIZE(title));
    GetWindowTextW(NavBar, shown, ARRAYSIZE(shown));
    if (lstrcmpW(title, shown)) {
        SetWindowTextW(NavBar, title);
        InvalidateRect(NavBar, NULL, TRUE);
    }
    HWND ok = GetDlgItem(NavBar, IDC_NAV_OK);
    BOOL wanted = HasOkButton(NavTarget);
    if (wanted != IsWindowVisible(ok))
        ShowWindow(ok, wanted ? SW_SHOWNA : SW_HIDE);
}

static void Paint(HWND bar)
{
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(bar, &paint);
    RECT area;
    GetClientRect(bar, &area);
    HBRUSH brush = CreateSolidBrush(NAV_BAR_COLOUR);
    FillRect(dc, &area, brush);
    DeleteObject(brush);
    WCHAR title[128];
    GetWindowTextW(bar, title, ARRAYSIZE(title));
    area.left += TITLE_MARGIN;
    area.right -= OK_WIDTH + 2 * OK_MARGIN;
    HGDIOBJ oldFont = SelectObject(dc, TitleFont);
    SetTextColor(dc, NAV_TEXT_COLOUR);
    SetBkMode(dc, TRANSPARENT);
    DrawTextW(dc, title, -1, &area, DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX);
    SelectObject(dc, oldFont);
    EndPaint(bar, &paint);
}

// The bar may not have caught up with the last activation yet.
static void PressOk(void)
{
    Refresh();
    HWND target = NavTarget;
    if (IsWindow(target) && HasOkButton(target))
        SendMessageW(target, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
}

// The button class would focus the button when pressed, which activates
// the bar and takes activation from the window the ok confirms; the ok is
// pressed here without it.
static LRESULT CALLBACK OkButtonProc(HWND button, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR)
{
    switch (message) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        SendMessageW(button, BM_SETSTATE, TRUE, 0);
        SetCapture(button);
        return 0;
    case WM_LBUTTONUP: {
        if (GetCapture() != button)
            return 0;
        ReleaseCapture();
        SendMessageW(button, BM_SETSTATE, FALSE, 0);
        RECT area;
        GetClientRect(button, &area);
        POINT point = {(short)LOWORD(lParam), (short)HIWORD(lParam)};
        if (PtInRect(&area, point))
            PressOk();
        return 0;
    }
    case WM_NCDESTROY:
        RemoveWindowSubclass(button, OkButtonProc, IDC_NAV_OK);
        break;
    }
    return DefSubclassProc(button, message, wParam, lParam);
}

static LRESULT CALLBACK NavBarProc(HWND bar, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_PAINT:
        Paint(bar);
        return 0;
    case WM_MOUSEACTIVATE:
        return MA_NOACTIVATE;
    case WM_TIMER:
    case WM_NAV_REFRESH:
        Refresh();
        return 0;
    }
    return DefWindowProcW(bar, message, wParam, lParam);
}

// Activation changes reach the bar at once; the timer catches the rest
// (titles set later, windows of other threads).
static LRESULT CALLBACK ActivationHook(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_ACTIVATE && !IsShellWindow((HWND)wParam))
        NavTarget = (HWND)wParam;
    if ((code == HCBT_ACTIVATE || code == HCBT_DESTROYWND) && NavBar)
        PostMessageW(NavBar, WM_NAV_REFRESH, 0, 0);
    return CallNextHookEx(NULL, code, wParam, lParam);
}

static HFONT CreateTitleFont(void)
{
    NONCLIENTMETRICSW metrics = {};
    metrics.cbSize = sizeof metrics;
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
    metrics.lfCaptionFont.lfWeight = FW_BOLD;
    return CreateFontIndirectW(&metrics.lfCaptionFont);
}

static BOOL MakeNavBar(void)
{
    HINSTANCE instance = GetModuleHandleW(NULL);
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = NavBarProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(NULL, (LPCWSTR)IDC_ARROW);
    windowClass.lpszClassName = NAV_BAR_CLASS;
    RegisterClassW(&windowClass);
    TitleFont = CreateTitleFont();
    NavBar = CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, NAV_BAR_CLASS, L"",
                             WS_POPUP | WS_CLIPCHILDREN, 0, 0, DEVICE_SCREEN_WIDTH, NAV_BAR_HEIGHT, NULL, NULL,
                             instance, NULL);
    if (!NavBar)
        return FALSE;
    HWND ok = CreateWindowExW(0, L"BUTTON", L"ok", WS_CHILD | BS_PUSHBUTTON, DEVICE_SCREEN_WIDTH - OK_WIDTH - OK_MARGIN,
                              OK_MARGIN, OK_WIDTH, NAV_BAR_HEIGHT - 2 * OK_MARGIN, NavBar, (HMENU)IDC_NAV_OK, instance,
                              NULL);
    SetWindowSubclass(ok, OkButtonProc, IDC_NAV_OK, 0);
    SetWindowsHookExW(WH_CBT, ActivationHook, NULL, GetCurrentThreadId());
    SetTimer(NavBar, REFRESH_TIMER, REFRESH_PERIOD_MS, NULL);
    ShowWindow(NavBar, SW_SHOWNA);
    return TRUE;
}

// Makes the bar follow the current foreground window now.
static void UpdateNavBar(void)
{
    if (NavBar || MakeNavBar())
        Refresh();
}

void GiveOkButton(HWND window)
{
    SetPropW(window, OkProperty, (HANDLE)1);
    UpdateNavBar();
}
