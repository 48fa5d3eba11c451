// Storage-card enumeration of the device (Note_prj.dll).
#pragma once
#include <windows.h>

HANDLE FindFirstFlashCard(LPWIN32_FIND_DATAW lpFindFlashData);
BOOL FindNextFlashCard(HANDLE hFlashCard, LPWIN32_FIND_DATAW lpFindFlashData);
