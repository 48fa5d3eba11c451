// Feeds the Record rows of one mapped index file into the list control
// (child 1001) of the given Record list dialog.
#pragma once
#include <windows.h>

#define IDC_RECORD_LIST 1001

void ScanIndexFile(HWND listHost, HANDLE mapping, DWORD size, int kind);
