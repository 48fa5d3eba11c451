#pragma once
#include <windows.h>

BOOL IsOnStorageCard(LPCWSTR modulePath);
void BeginSoftReset(HWND owner, BOOL ask);
BOOL SoftReset(void);
void RemoveBootRegistration(void);
