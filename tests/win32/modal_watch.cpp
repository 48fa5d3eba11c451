#include "modal_watch.h"
#include <vector>

struct WatchSearch {
    int controlId;
    HWND found;
};

static BOOL CALLBACK FindDialog(HWND hwnd, LPARAM context)
{
    WatchSearch *search = (WatchSearch *)context;
    if (IsWindowVisible(hwnd) && GetDlgItem(hwnd, search->controlId)) {
        search->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

std::thread WatchForDialog(DWORD thread, int controlId, int timeoutMs, std::function<void(HWND)> act, bool *found)
{
    *found = false;
    return std::thread([=] {
        for (int waited = 0; waited < timeoutMs; waited += 20) {
            WatchSearch search = { controlId, NULL };
            EnumThreadWindows(thread, FindDialog, (LPARAM)&search);
            if (search.found) {
                *found = true;
                act(search.found);
                return;
            }
            Sleep(20);
        }
    });
}

Snapshot PrintControl(HWND control)
{
    RECT rect;
    GetClientRect(control, &rect);
    Snapshot snapshot = { rect.right, rect.bottom, {} };
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = snapshot.width;
    info.bmiHeader.biHeight = -snapshot.height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void *bits = NULL;
    HDC screen = GetDC(NULL);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, NULL, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    // A grey that neither the page nor its texts use, so that unpainted
    // areas show.
    RECT all = { 0, 0, snapshot.width, snapshot.height };
    HBRUSH grey = CreateSolidBrush(RGB(0x80, 0x80, 0x80));
    FillRect(memory, &all, grey);
    DeleteObject(grey);
    SendMessageW(control, WM_PRINTCLIENT, (WPARAM)memory, PRF_CLIENT | PRF_ERASEBKGND);
    GdiFlush();
    const DWORD *pixels = (const DWORD *)bits;
    snapshot.pixels.assign(pixels, pixels + snapshot.width * snapshot.height);
    for (DWORD &pixel : snapshot.pixels)
        pixel &= 0x00FFFFFF;
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(NULL, screen);
    return snapshot;
}

int CountPixels(const Snapshot &snapshot, DWORD rgb)
{
    int count = 0;
    for (DWORD pixel : snapshot.pixels)
        count += pixel == rgb;
    return count;
}
