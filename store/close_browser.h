#pragma once
#include <windows.h>

// For EnumWindows: closes the window when it is the browser's main window.
BOOL CALLBACK CloseBrowserWindowProc(HWND hwnd, LPARAM context);
