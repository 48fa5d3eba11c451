#pragma once
#include <windows.h>

// Creates the shortcut NAME.lnk to this program with the argument, or
// deletes it; answers 1 when it created one.
int SetStartupShortcut(BOOL create, LPCWSTR name, LPCWSTR argument);
