#pragma once
#include <windows.h>

// Runs the details page of the row SelectedRow of the Record list modally.
void ShowRecordDetails(HWND owner);
INT_PTR CALLBACK RecordDetailsProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam);
