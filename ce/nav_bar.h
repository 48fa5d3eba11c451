// The navigation bar across the top of the device screen: the foreground
// window's title and, when that window has one, the title bar "ok" (a
// push button that sends the window WM_COMMAND IDOK).
#pragma once
#include <windows.h>

#define IDC_NAV_OK 1

// Gives the window the title bar ok and shows the bar (made on first need).
void GiveOkButton(HWND window);
