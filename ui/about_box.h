#pragma once
#include <windows.h>

void ShowAboutBox(HWND owner);
// Shows the About box over the owner as the first-run notice, once.
void CheckFirstRun(HWND owner);
