// Feeds the Record rows of one mapped index file into the list control
// (IDC_LIST) of the given Record list dialog. The dialog keeps the list
// from drawing (WM_SETREDRAW) while it fills; the scanner lets it draw only
// for the one repaint after the sixteenth row, and leaves it undrawn again.
#pragma once
#include <windows.h>

void ScanIndexFile(HWND listHost, HANDLE mapping, DWORD size, int kind);
