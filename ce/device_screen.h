// The Pocket PC screen: 240 x 320 at the top-left of the desktop, the
// navigation bar across its top, the menu bar across its bottom and the
// work area between them.
#pragma once
#include <windows.h>

#define DEVICE_SCREEN_WIDTH 240
#define DEVICE_SCREEN_HEIGHT 320
#define NAV_BAR_HEIGHT 26
#define MENU_BAR_HEIGHT 26

void GetDeviceWorkArea(RECT *area);

// Window classes of the device's shell bars; neither is ever the window
// the navigation bar speaks for.
#define NAV_BAR_CLASS L"CeNavBar"
#define MENU_BAR_CLASS L"CeMenuBar"
