#pragma once
#include <windows.h>

void ShowRecordDetails(HWND owner);
INT_PTR CALLBACK RecordDetailsProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam);
