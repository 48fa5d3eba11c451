// Outside programs the viewer hands over to: the help viewer and the browser.
#pragma once
#include <windows.h>

#define HELP_TOPIC L"Main_Contents"

void OpenHelp(LPCWSTR topic, LPCWSTR fileBase);
// Opens the maker's web site in the browser.
void OpenWebSite(void);
