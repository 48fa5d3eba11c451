// Pocket PC shell library (aygshell) as the viewer calls it. On the device
// these come from AYGSHELL.dll; here they are stand-ins in ce/ that do on
// desktop Win32 what the device's shell does.
#pragma once
#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#define SHIDIM_FLAGS 0x0001
#define SHIDIF_DONEBUTTON 0x0001
#define SHIDIF_SIZEDLG 0x0002
#define SHIDIF_SIZEDLGFULLSCREEN 0x0004
#define SHIDIF_SIPDOWN 0x0008

typedef struct tagSHINITDLGINFO {
    DWORD dwMask;
    HWND hDlg;
    DWORD dwFlags;
} SHINITDLGINFO, *PSHINITDLGINFO;

// Layout of the device's 32-bit structure; cbSize is 36 there and callers
// keep that value.
typedef struct tagSHMENUBARINFO {
    DWORD cbSize;
    HWND hwndParent;
    DWORD dwFlags;
    UINT nToolBarId;
    HINSTANCE hInstRes;
    int nBmpId;
    int cBmpImages;
    HWND hwndMB;
    COLORREF clrBk;
} SHMENUBARINFO, *PSHMENUBARINFO;

typedef struct tagSHACTIVATEINFO {
    DWORD cbSize;
    HWND hwndLastFocus;
    UINT fSipUp : 1;
    UINT fSipOnDeactivation : 1;
    UINT fActive : 1;
    UINT fReserved : 29;
} SHACTIVATEINFO, *PSHACTIVATEINFO;

#define SHACTIVATEINFO_DEVICE_SIZE 12
#define SHMENUBARINFO_DEVICE_SIZE 36

#ifndef I_IMAGENONE
#define I_IMAGENONE (-2)
#endif

#ifndef CSIDL_STARTUP
#define CSIDL_STARTUP 0x0007
#endif

// Extended window style: an "ok" in the title bar that sends IDOK.
#define WS_EX_CAPTIONOKBTN 0x80000000L
// Property sheet header flag: the sheet fills the screen.
#define PSH_MAXIMIZE 0x00002000
// Property sheet callback message asking for the common controls version,
// and the device's version to answer it; <commctrl.h>'s COMCTL32_VERSION
// is the desktop's.
#define PSCB_GETVERSION 3
#define COMCTL32_DEVICE_VERSION 0x020C

BOOL SHInitDialog(PSHINITDLGINFO pshidi);
BOOL SHCreateMenuBar(SHMENUBARINFO *pmbi);
BOOL SHHandleWMActivate(HWND hwnd, WPARAM wParam, LPARAM lParam, SHACTIVATEINFO *psai, DWORD dwFlags);
BOOL SHHandleWMSettingChange(HWND hwnd, WPARAM wParam, LPARAM lParam, SHACTIVATEINFO *psai);
BOOL SHGetSpecialFolderPath(HWND hwndOwner, LPWSTR lpszPath, int nFolder, BOOL fCreate);
DWORD SHCreateShortcut(LPWSTR szShortcut, LPWSTR szTarget);
