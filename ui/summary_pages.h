#pragma once
#include <windows.h>

void CreateSummarySheet(HWND owner);
INT_PTR CALLBACK SummaryPageProc(HWND page, UINT msg, WPARAM wParam, LPARAM lParam);
// The sheet's callback: answers the device's common controls version.
int CALLBACK SummarySheetHook(HWND sheet, UINT msg, LPARAM lParam);
