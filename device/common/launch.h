// Starting device programs and the init sequence's started events.
#pragma once
#include <windows.h>

// Starts PATH with ARGUMENTS from the root of drive C:, where the device's
// drive-less paths (\Windows\...) lead. Returns the process handle or NULL.
HANDLE RunProgram(const WCHAR *path, const WCHAR *arguments);
// The manual-reset event that launch number N sets once it has started.
HANDLE OpenStartedEvent(int number);
