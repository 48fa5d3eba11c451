// Registry read and write operations; results are the platform's codes.
#pragma once
#include <windows.h>

LONG ReadRegValue(HKEY root, LPCWSTR subKey, LPCWSTR valueName, LPVOID data, DWORD *dataSize);
LONG WriteRegValue(HKEY root, LPCWSTR subKey, LPCWSTR valueName, const void *data, DWORD dataSize, DWORD type);
LONG WriteRegBinary(HKEY root, LPCWSTR subKey, LPCWSTR valueName, const void *data, DWORD dataSize);
