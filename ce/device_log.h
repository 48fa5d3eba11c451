// The emulated device's event log, shared by every device process:
// C:\windows\gallimaw-device.log, one line per event,
// "HH:MM:SS.mmm <exe name> <message>".
#pragma once
#include <windows.h>

void DeviceLog(const wchar_t *format, ...);
