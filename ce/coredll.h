// Windows CE core library calls that desktop Win32 lacks or that mean
// something else there. The device's forms of desktop calls carry a Ce
// prefix, so that no desktop name changes meaning behind a caller's back.
#pragma once
#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#define IOCTL_HAL_REBOOT 0x0101003C

HANDLE CreateFileForMappingW(LPCWSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode,
                             LPSECURITY_ATTRIBUTES lpSecurityAttributes, DWORD dwCreationDisposition,
                             DWORD dwFlagsAndAttributes, HANDLE hTemplateFile);
BOOL KernelIoControl(DWORD dwIoControlCode, LPVOID lpInBuf, DWORD nInBufSize, LPVOID lpOutBuf,
                     DWORD nOutBufSize, LPDWORD lpBytesReturned);
void SignalStarted(DWORD dw);

// The device's forms of desktop calls. On the device a process id is also
// a handle that GetModuleFileNameW accepts, paths have no drive letter,
// SetForegroundWindow with the low bit set also brings the window's owned
// windows forward, WS_EX_CAPTIONOKBTN gives a window the title bar ok, and
// a message box fits the screen.
DWORD CeGetModuleFileNameW(HMODULE hModule, LPWSTR lpFilename, DWORD nSize);
BOOL CeSetForegroundWindow(HWND hwnd);
HWND CeCreateWindowExW(DWORD dwExStyle, LPCWSTR lpClassName, LPCWSTR lpWindowName, DWORD dwStyle, int X, int Y,
                       int nWidth, int nHeight, HWND hWndParent, HMENU hMenu, HINSTANCE hInstance, LPVOID lpParam);
INT_PTR CeDialogBoxIndirectParamW(HINSTANCE hInstance, LPCDLGTEMPLATEW hDialogTemplate, HWND hWndParent,
                                  DLGPROC lpDialogFunc, LPARAM dwInitParam);
INT_PTR CePropertySheetW(LPCPROPSHEETHEADERW lppsph);
// A message box that fits the device's screen.
int CeMessageBoxW(HWND hWnd, LPCWSTR lpText, LPCWSTR lpCaption, UINT uType);
