#include "device/common/device_log.h"
#include <stdarg.h>
#include <stdio.h>
#include "device/common/device_names.h"

static void AppendLine(const char *line, int length)
{
    // Several device programs append at once; each line is one write to a
    // file opened for appending, so lines never interleave.
    HANDLE file = CreateFileW(DEVICE_LOG_PATH, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              NULL, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return;
    DWORD written;
    WriteFile(file, line, length, &written, NULL);
    CloseHandle(file);
}

void WriteDeviceLog(const WCHAR *format, ...)
{
    WCHAR message[1024];
    va_list args;
    va_start(args, format);
    _vsnwprintf(message, 1023, format, args);
    va_end(args);
    message[1023] = 0;

    WCHAR module[MAX_PATH];
    GetModuleFileNameW(NULL, module, MAX_PATH);
    const WCHAR *exe = wcsrchr(module, L'\\');
    exe = exe ? exe + 1 : module;

    SYSTEMTIME now;
    GetLocalTime(&now);
    WCHAR line[1400];
    int length = _snwprintf(line, 1399, L"%02d:%02d:%02d.%03d %s %s\n", now.wHour, now.wMinute, now.wSecond,
                            now.wMilliseconds, exe, message);
    if (length < 0)
        length = 1399;
    char utf8[4200];
    int bytes = WideCharToMultiByte(CP_UTF8, 0, line, length, utf8, sizeof utf8, NULL, NULL);
    AppendLine(utf8, bytes);
}
