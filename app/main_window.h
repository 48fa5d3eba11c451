// The main window: owner of the Summary sheet, carrier of the menu bar.
#pragma once
#include <windows.h>

BOOL InitInstance(HINSTANCE instance, int showCommand);
ATOM RegisterMainWindowClass(HINSTANCE instance, LPCWSTR className);
