// The init sequence's start signal and the soft reset, as the emulated
// device's boot process expects them.
#include "ce/coredll.h"
#include "ce/device_contract.h"
#include "ce/device_log.h"
#include <stdio.h>

// The handle stays open on purpose: closing the last handle would destroy
// the event before the boot process has seen it.
static void SetNamedEvent(LPCWSTR name)
{
    HANDLE event = CreateEventW(NULL, TRUE, FALSE, name);
    if (event)
        SetEvent(event);
}

void SignalStarted(DWORD dw)
{
    WCHAR name[64];
    _snwprintf(name, ARRAYSIZE(name) - 1, DEVICE_WIDE(DEVICE_STARTED_EVENT_FORMAT), (unsigned long)dw);
    name[ARRAYSIZE(name) - 1] = 0;
    DeviceLog(L"SignalStarted %lu", (unsigned long)dw);
    SetNamedEvent(name);
}

static BOOL DeviceKernelRuns(void)
{
    HANDLE mutex = OpenMutexW(SYNCHRONIZE, FALSE, DEVICE_WIDE(DEVICE_KERNEL_MUTEX));
    if (!mutex)
        return FALSE;
    CloseHandle(mutex);
    return TRUE;
}

BOOL KernelIoControl(DWORD dwIoControlCode, LPVOID, DWORD, LPVOID, DWORD, LPDWORD)
{
    if (dwIoControlCode != IOCTL_HAL_REBOOT || !DeviceKernelRuns()) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return FALSE;
    }
    DeviceLog(L"soft reset requested");
    SetNamedEvent(DEVICE_WIDE(DEVICE_RESET_EVENT));
    // The device ends every one of its processes, this one included.
    Sleep(INFINITE);
    return TRUE;
}
