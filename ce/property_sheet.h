// Property sheets as the device shows them.
#pragma once
#include <windows.h>

// The desktop sheet's tab control, whose display area the pages fill.
#define IDC_SHEET_TABS 0x3020

BOOL IsPropertySheetPage(HWND window);
// The page area of a sheet, in the sheet's client coordinates.
void GetSheetPageArea(HWND sheet, RECT *area);
