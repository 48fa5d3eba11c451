#include "ce_test_support.h"
#include <string.h>

bool PumpUntil(const std::function<bool()> &done, DWORD timeoutMs, int *quitCode)
{
    DWORD start = GetTickCount();
    while (!done()) {
        MSG msg;
        while (PeekMessageW(&msg, NULL, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT && quitCode) {
                *quitCode = (int)msg.wParam;
                return done();
            }
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        DWORD elapsed = GetTickCount() - start;
        if (elapsed >= timeoutMs)
            return done();
        MsgWaitForMultipleObjects(0, NULL, FALSE, timeoutMs - elapsed < 20 ? timeoutMs - elapsed : 20, QS_ALLINPUT);
    }
    return true;
}

void PumpFor(DWORD ms)
{
    PumpUntil([] { return false; }, ms);
}

int PumpUntilQuit(DWORD timeoutMs)
{
    int quitCode = -1;
    PumpUntil([] { return false; }, timeoutMs, &quitCode);
    return quitCode;
}

struct ChildSearch {
    LPCWSTR className, text;
    HWND found;
};

static BOOL CALLBACK MatchChild(HWND window, LPARAM lParam)
{
    ChildSearch *search = (ChildSearch *)lParam;
    WCHAR name[64], text[256];
    GetClassNameW(window, name, 64);
    GetWindowTextW(window, text, 256);
    if (!lstrcmpiW(name, search->className) && !lstrcmpW(text, search->text) && IsWindowVisible(window)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

HWND FindChildWindow(HWND parent, LPCWSTR className, LPCWSTR text)
{
    ChildSearch search = {className, text, NULL};
    EnumChildWindows(parent, MatchChild, (LPARAM)&search);
    return search.found;
}

struct TopSearch {
    LPCWSTR className;
    HWND found;
};

static BOOL CALLBACK MatchTop(HWND window, LPARAM lParam)
{
    TopSearch *search = (TopSearch *)lParam;
    WCHAR name[64];
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == GetCurrentProcessId() && GetClassNameW(window, name, 64) && !lstrcmpW(name, search->className)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

HWND FindOwnTopWindow(LPCWSTR className)
{
    TopSearch search = {className, NULL};
    EnumWindows(MatchTop, (LPARAM)&search);
    return search.found;
}

HWND FindOwnedWindow(HWND owner)
{
    struct Search {
        HWND owner, found;
    } search = {owner, NULL};
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM context) -> BOOL {
            Search *s = (Search *)context;
            if (GetWindow(window, GW_OWNER) != s->owner || !IsWindowVisible(window))
                return TRUE;
            s->found = window;
            return FALSE;
        },
        (LPARAM)&search);
    return search.found;
}

std::vector<DWORD> MakeDialogTemplate(DWORD style, DWORD exStyle, short cx, short cy)
{
    // DLGTEMPLATE, then empty menu, class and title.
    std::vector<DWORD> words((sizeof(DLGTEMPLATE) + 3 * sizeof(WORD) + 3) / sizeof(DWORD) + 1, 0);
    DLGTEMPLATE *dialog = (DLGTEMPLATE *)words.data();
    dialog->style = style & ~DS_SETFONT;
    dialog->dwExtendedStyle = exStyle;
    dialog->cx = cx;
    dialog->cy = cy;
    return words;
}
