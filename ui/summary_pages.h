#pragma once
#include <windows.h>

void CreateSummarySheet(HWND owner);
INT_PTR CALLBACK SummaryPageProc(HWND page, UINT msg, WPARAM wParam, LPARAM lParam);
