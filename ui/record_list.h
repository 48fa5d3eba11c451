#pragma once
#include <windows.h>

// Runs the Record list modally over the owner, for the current View mode.
void ShowRecordList(HWND owner);
INT_PTR CALLBACK RecordListProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam);
