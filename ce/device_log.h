// The emulated device's event log, shared by every device process:
// DEVICE_LOG_PATH of ce/device_contract.h, one line per event,
// "HH:MM:SS.mmm <exe name> <message>".
#pragma once
#include <windows.h>

void DeviceLog(const wchar_t *format, ...);
