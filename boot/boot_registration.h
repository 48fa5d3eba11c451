#pragma once
#include <windows.h>

LONG RegisterBootLaunch(void);
LONG UnregisterBootLaunch(void);
int SetStartupShortcut(BOOL create, LPCWSTR name, LPCWSTR argument);
