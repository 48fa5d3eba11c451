#pragma once
#include <windows.h>

#define HELP_TOPIC L"Main_Contents"

void ShowAboutBox(HWND owner);
void CheckFirstRun(void);
INT_PTR CALLBACK AboutBoxProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam);
void OpenHelp(LPCWSTR topic, LPCWSTR fileBase);
// Opens the maker's web site in the browser.
void OpenWebSite(void);
