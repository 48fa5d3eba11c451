#pragma once
#include <windows.h>

void CreateSummarySheet(HWND owner);
// The sheet's callback: answers the device's common controls version.
int CALLBACK SummarySheetHook(HWND sheet, UINT msg, LPARAM lParam);
