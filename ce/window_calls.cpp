// The device's forms of window calls: WS_EX_CAPTIONOKBTN gives the title
// bar ok (desktop Win32 reads the bit as something else), and
// SetForegroundWindow with the low bit set also brings owned windows.
#include "ce/aygshell.h"
#include "ce/coredll.h"
#include "ce/dialog_template.h"
#include "ce/nav_bar.h"

#define MAX_OWNED_WINDOWS 64

static const DWORD OkStyle = (DWORD)WS_EX_CAPTIONOKBTN;

// The procedure of the dialog being made; see OkDialogProc.
static DLGPROC PendingDialogProc;

HWND CeCreateWindowExW(DWORD dwExStyle, LPCWSTR lpClassName, LPCWSTR lpWindowName, DWORD dwStyle, int X, int Y,
                       int nWidth, int nHeight, HWND hWndParent, HMENU hMenu, HINSTANCE hInstance, LPVOID lpParam)
{
    // A device window that is neither child nor pop-up has no frame of its
    // own (its title shows in the navigation bar); on desktop Win32 the same
    // style would give it a caption and borders.
    if (!(dwStyle & (WS_CHILD | WS_POPUP)))
        dwStyle |= WS_POPUP;
    HWND window = CreateWindowExW(dwExStyle & ~OkStyle, lpClassName, lpWindowName, dwStyle, X, Y, nWidth, nHeight,
                                  hWndParent, hMenu, hInstance, lpParam);
    if (window && (dwExStyle & OkStyle))
        GiveOkButton(window);
    return window;
}

// Stands in for the dialog's procedure for its first message only: the
// dialog window exists by then, so it gets the ok, and from there on the
// real procedure runs alone.
static INT_PTR CALLBACK OkDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    DLGPROC procedure = PendingDialogProc;
    PendingDialogProc = NULL;
    SetWindowLongPtrW(dialog, DWLP_DLGPROC, (LONG_PTR)procedure);
    GiveOkButton(dialog);
    return procedure ? procedure(dialog, message, wParam, lParam) : FALSE;
}

INT_PTR CeDialogBoxIndirectParamW(HINSTANCE hInstance, LPCDLGTEMPLATEW hDialogTemplate, HWND hWndParent,
                                  DLGPROC lpDialogFunc, LPARAM dwInitParam)
{
    if (!hDialogTemplate || !(*DialogTemplateExStyle((DLGTEMPLATE *)hDialogTemplate) & OkStyle))
        return DialogBoxIndirectParamW(hInstance, hDialogTemplate, hWndParent, lpDialogFunc, dwInitParam);
    SIZE_T size = DialogTemplateSize(hDialogTemplate);
    DLGTEMPLATE *copy = (DLGTEMPLATE *)HeapAlloc(GetProcessHeap(), 0, size);
    if (!copy)
        return -1;
    memcpy(copy, hDialogTemplate, size);
    *DialogTemplateExStyle(copy) &= ~OkStyle;
    PendingDialogProc = lpDialogFunc;
    INT_PTR result = DialogBoxIndirectParamW(hInstance, copy, hWndParent, OkDialogProc, dwInitParam);
    HeapFree(GetProcessHeap(), 0, copy);
    return result;
}

typedef struct tagOWNED_WINDOWS {
    HWND owner;
    int count;
    HWND windows[MAX_OWNED_WINDOWS];
} OWNED_WINDOWS;

static BOOL CALLBACK CollectOwned(HWND window, LPARAM lParam)
{
    OWNED_WINDOWS *owned = (OWNED_WINDOWS *)lParam;
    if (GetWindow(window, GW_OWNER) == owned->owner && IsWindowVisible(window) && owned->count < MAX_OWNED_WINDOWS)
        owned->windows[owned->count++] = window;
    return TRUE;
}

BOOL CeSetForegroundWindow(HWND hwnd)
{
    if (!((ULONG_PTR)hwnd & 1))
        return SetForegroundWindow(hwnd);
    OWNED_WINDOWS owned = {};
    owned.owner = (HWND)((ULONG_PTR)hwnd & ~(ULONG_PTR)1);
    BOOL result = SetForegroundWindow(owned.owner);
    EnumWindows(CollectOwned, (LPARAM)&owned);
    // Listed top first; raising them bottom first keeps their order.
    for (int i = owned.count - 1; i >= 0; i--)
        SetWindowPos(owned.windows[i], HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    if (owned.count)
        result = SetForegroundWindow(owned.windows[0]);
    return result;
}
