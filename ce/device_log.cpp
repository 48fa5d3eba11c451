#include "ce/device_log.h"
#include "ce/device_contract.h"
#include <stdarg.h>
#include <stdio.h>

static const WCHAR DeviceLogPath[] = DEVICE_WIDE(DEVICE_LOG_PATH);

static void GetExeName(WCHAR *name, DWORD size)
{
    WCHAR path[MAX_PATH];
    DWORD length = GetModuleFileNameW(NULL, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        lstrcpynW(name, L"?", size);
        return;
    }
    const WCHAR *base = wcsrchr(path, L'\\');
    lstrcpynW(name, base ? base + 1 : path, size);
}

void DeviceLog(const wchar_t *format, ...)
{
    WCHAR message[1024], exe[MAX_PATH], line[1400];
    va_list args;
    va_start(args, format);
    _vsnwprintf(message, ARRAYSIZE(message) - 1, format, args);
    va_end(args);
    message[ARRAYSIZE(message) - 1] = 0;

    SYSTEMTIME now;
    GetLocalTime(&now);
    GetExeName(exe, MAX_PATH);
    _snwprintf(line, ARRAYSIZE(line) - 1, L"%02u:%02u:%02u.%03u %s %s\n", now.wHour, now.wMinute, now.wSecond,
               now.wMilliseconds, exe, message);
    line[ARRAYSIZE(line) - 1] = 0;

    char text[4200];
    int bytes = WideCharToMultiByte(CP_UTF8, 0, line, -1, text, sizeof text, NULL, NULL);
    if (bytes <= 1)
        return;
    // Several device processes append at once: FILE_APPEND_DATA makes each
    // write land whole at the end.
    HANDLE file = CreateFileW(DeviceLogPath, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              NULL, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return;
    DWORD written;
    WriteFile(file, text, bytes - 1, &written, NULL);
    CloseHandle(file);
}
