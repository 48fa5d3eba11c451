// Small helpers for Win32 window tests: message pumping and in-memory
// dialog templates.
#pragma once
#include <windows.h>
#include <functional>
#include <vector>

// The one message pump of the tests: dispatches this thread's messages
// until done() holds or timeoutMs passes, at least those already queued.
// Given quitCode, a WM_QUIT ends it too and leaves its code there; without,
// a WM_QUIT is dispatched like any message. Answers done().
bool PumpUntil(const std::function<bool()> &done, DWORD timeoutMs, int *quitCode = NULL);
// PumpFor(0) dispatches only the messages already queued.
void PumpFor(DWORD ms);
// Pumps until WM_QUIT or the timeout; returns the quit code, or -1 when no
// quit came.
int PumpUntilQuit(DWORD timeoutMs);
// A visible child window of parent (at any depth) of the class with the text.
HWND FindChildWindow(HWND parent, LPCWSTR className, LPCWSTR text);
// A top-level window of this process of the class.
HWND FindOwnTopWindow(LPCWSTR className);
// The visible top-level window of this thread that owner owns, or NULL.
HWND FindOwnedWindow(HWND owner);
// A dialog template without controls, DWORD aligned, size in dialog units.
std::vector<DWORD> MakeDialogTemplate(DWORD style, DWORD exStyle, short cx, short cy);
