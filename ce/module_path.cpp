// GetModuleFileNameW as the device has it: a process id is accepted in
// place of a module handle and gives that process's image, and paths come
// in the device's form, without the system drive.
#include "ce/coredll.h"

static const DWORD LongPathUnits = 32768;

// True for one of this process's loaded modules, given by its base.
static BOOL IsOwnModule(HMODULE module)
{
    HMODULE found;
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            (LPCWSTR)module, &found))
        return FALSE;
    return found == module;
}

static DWORD ProcessImagePath(DWORD processId, LPWSTR path, DWORD units)
{
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
    if (!process)
        return 0;
    DWORD length = units;
    if (!QueryFullProcessImageNameW(process, 0, path, &length))
        length = 0;
    CloseHandle(process);
    return length;
}

// Copies with GetModuleFileNameW's rules: a path that does not fit is cut
// and terminated, and the result is then the buffer's size.
static DWORD CopyDevicePath(LPCWSTR path, LPWSTR out, DWORD nSize)
{
    if ((path[0] == L'C' || path[0] == L'c') && path[1] == L':')
        path += 2;
    DWORD length = lstrlenW(path);
    if (nSize == 0) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    if (length >= nSize) {
        lstrcpynW(out, path, nSize);
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return nSize;
    }
    lstrcpyW(out, path);
    return length;
}

DWORD CeGetModuleFileNameW(HMODULE hModule, LPWSTR lpFilename, DWORD nSize)
{
    WCHAR *path = (WCHAR *)HeapAlloc(GetProcessHeap(), 0, LongPathUnits * sizeof(WCHAR));
    if (!path) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
    DWORD length;
    if (!hModule || IsOwnModule(hModule))
        length = GetModuleFileNameW(hModule, path, LongPathUnits);
    else
        length = ProcessImagePath((DWORD)(ULONG_PTR)hModule, path, LongPathUnits);
    DWORD result = 0;
    if (length > 0 && length < LongPathUnits)
        result = CopyDevicePath(path, lpFilename, nSize);
    HeapFree(GetProcessHeap(), 0, path);
    return result;
}
