#pragma once
#include <windows.h>

LONG RegisterBootLaunch(void);
LONG UnregisterBootLaunch(void);
