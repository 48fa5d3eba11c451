// The device log: one line per step, "HH:MM:SS.mmm <exe> <message>",
// appended by every device program to C:\windows\gallimaw-device.log.
#pragma once
#include <windows.h>

void WriteDeviceLog(const WCHAR *format, ...);
