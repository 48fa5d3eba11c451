// The device's HTML view control (HTMLVIEW.DLL), as the viewer calls it.
#pragma once
#include <windows.h>

#define WC_HTML L"DISPLAYCLASS"

#define NM_HOTSPOT (WM_USER + 101)
#define DTM_ADDTEXTW (WM_USER + 102)
#define DTM_ENDOFSOURCE (WM_USER + 104)
#define DTM_CLEAR (WM_USER + 113)

typedef struct tagNM_HTMLVIEW {
    NMHDR hdr;
    LPCWSTR szTarget;
    LPCWSTR szData;
    DWORD dwCookie;
    LPCWSTR szExInfo;
} NM_HTMLVIEW;

// Registers "DISPLAYCLASS"; may be called any number of times.
BOOL InitHTMLControl(HINSTANCE hinst);
