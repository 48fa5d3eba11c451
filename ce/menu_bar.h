// The device's menu bar: a bar across the bottom of the screen whose
// buttons drop the popups of a menu. It is described by an RCDATA
// resource of 16-bit words: the menu's id, the button count, then seven
// words per button.
#pragma once
#include <windows.h>

#define MENU_BAR_MAX_BUTTONS 8

typedef struct tagMENU_BAR_BUTTON {
    WORD image;
    WORD command;
    WORD state;
    WORD style;
    WORD caption;   // string id
    WORD reserved;
    WORD popup;     // index of the popup in the menu
} MENU_BAR_BUTTON;

typedef struct tagMENU_BAR_RESOURCE {
    WORD menu;
    WORD count;
    MENU_BAR_BUTTON buttons[MENU_BAR_MAX_BUTTONS];
} MENU_BAR_RESOURCE;

BOOL ReadMenuBarResource(const void *data, DWORD size, MENU_BAR_RESOURCE *bar);
// The bar takes over the menu. A caption string missing from the resources
// shows the popup's own text. Commands go to parent as WM_COMMAND.
HWND CreateMenuBarWindow(HWND parent, HINSTANCE resources, const MENU_BAR_RESOURCE *bar, HMENU menu);
