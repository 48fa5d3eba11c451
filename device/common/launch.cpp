#include "device/common/launch.h"
#include <stdio.h>
#include "ce/device_contract.h"

HANDLE RunProgram(const WCHAR *path, const WCHAR *arguments)
{
    WCHAR commandLine[2 * MAX_PATH + 8];
    _snwprintf(commandLine, 2 * MAX_PATH + 7, L"\"%s\" %s", path, arguments);
    commandLine[2 * MAX_PATH + 7] = 0;
    STARTUPINFOW startup = {sizeof startup};
    PROCESS_INFORMATION process;
    if (!CreateProcessW(NULL, commandLine, NULL, NULL, FALSE, 0, NULL, L"C:\\", &startup, &process))
        return NULL;
    CloseHandle(process.hThread);
    return process.hProcess;
}

HANDLE OpenStartedEvent(int number)
{
    WCHAR name[64];
    _snwprintf(name, 63, DEVICE_WIDE(DEVICE_STARTED_EVENT_FORMAT), (unsigned long)number);
    name[63] = 0;
    return CreateEventW(NULL, TRUE, FALSE, name);
}
