#pragma once
#include <windows.h>

// The title names the StartUp shortcut and asks the question; the class
// name is the caption of the storage-card notice.
void BeginSoftReset(HWND owner, BOOL ask, LPCWSTR title, LPCWSTR className);
BOOL SoftReset(void);
void RemoveBootRegistration(LPCWSTR title);
