// Small helpers for Win32 window tests: message pumping and in-memory
// dialog templates.
#pragma once
#include <windows.h>
#include <functional>
#include <vector>

// Dispatches messages until done() holds or timeoutMs passes; answers done().
bool PumpUntil(const std::function<bool()> &done, DWORD timeoutMs);
void PumpFor(DWORD ms);
// A visible child window of parent (at any depth) of the class with the text.
HWND FindChildWindow(HWND parent, LPCWSTR className, LPCWSTR text);
// A top-level window of this process of the class.
HWND FindOwnTopWindow(LPCWSTR className);
// The visible top-level window of this thread that owner owns, or NULL.
HWND FindOwnedWindow(HWND owner);
// A dialog template without controls, DWORD aligned, size in dialog units.
std::vector<DWORD> MakeDialogTemplate(DWORD style, DWORD exStyle, short cx, short cy);
