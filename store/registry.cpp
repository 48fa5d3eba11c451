// Registry read and write operations. Every key opened here is closed
// before returning, and the platform's error codes are passed on unchanged.
#include "store/registry.h"

static const REGSAM ReadAccess = KEY_READ;
static const REGSAM WriteAccess = KEY_ALL_ACCESS;

LONG ReadRegValue(HKEY root, LPCWSTR subKey, LPCWSTR valueName, LPVOID data, DWORD *dataSize)
{
    HKEY key;
    LONG result = RegOpenKeyExW(root, subKey, 0, ReadAccess, &key);
    if (result != ERROR_SUCCESS)
        return result;
    result = RegQueryValueExW(key, valueName, NULL, NULL, (LPBYTE)data, dataSize);
    RegCloseKey(key);
    return result;
}

LONG WriteRegValue(HKEY root, LPCWSTR subKey, LPCWSTR valueName, const void *data, DWORD dataSize, DWORD type)
{
    HKEY key;
    LONG result = RegOpenKeyExW(root, subKey, 0, WriteAccess, &key);
    if (result != ERROR_SUCCESS) {
        HKEY created;
        DWORD disposition;
        if (RegCreateKeyExW(root, subKey, 0, NULL, 0, 0, NULL, &created, &disposition) == ERROR_SUCCESS)
            RegCloseKey(created);
        result = RegOpenKeyExW(root, subKey, 0, WriteAccess, &key);
        if (result != ERROR_SUCCESS)
            return result;
    }
    result = RegSetValueExW(key, valueName, 0, type, (const BYTE *)data, dataSize);
    RegCloseKey(key);
    return result;
}

LONG WriteRegBinary(HKEY root, LPCWSTR subKey, LPCWSTR valueName, const void *data, DWORD dataSize)
{
    return WriteRegValue(root, subKey, valueName, data, dataSize, REG_BINARY);
}
