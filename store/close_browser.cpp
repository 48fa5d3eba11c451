// Closes the browser's main windows before the index files are looked up:
// while the browser runs it holds them open without read sharing.
#include "store/close_browser.h"
#include "ce/coredll.h"
#include <wchar.h>

static const WCHAR BrowserImage[] = L"iexplore.exe";
static const WCHAR BrowserClass[] = L"IExplore";
static const int ClassNameUnits = 50;
// Gives the browser time to let go of its files after its window closes.
static const DWORD BrowserCloseWait = 2000;

BOOL CALLBACK CloseBrowserWindowProc(HWND hwnd, LPARAM)
{
    DWORD processId = 0;
    GetWindowThreadProcessId(hwnd, &processId);
    if (processId == 0)
        return TRUE;

    WCHAR image[MAX_PATH] = { 0 };
    WCHAR className[ClassNameUnits] = { 0 };
    CeGetModuleFileNameW((HMODULE)(ULONG_PTR)processId, image, MAX_PATH);
    GetClassNameW(hwnd, className, ClassNameUnits);

    const WCHAR *name = wcsrchr(image, L'\\');
    if (!name)
        return TRUE;
    if (wcscmp(name + 1, BrowserImage) == 0 && wcscmp(className, BrowserClass) == 0) {
        SendMessageW(hwnd, WM_CLOSE, 0, 0);
        Sleep(BrowserCloseWait);
    }
    return TRUE;
}
