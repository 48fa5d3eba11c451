// The device's HTML view control (HTMLVIEW.DLL), as the viewer calls it.
#pragma once
#include <windows.h>

#define WC_HTML L"DISPLAYCLASS"

#define NM_HOTSPOT (WM_USER + 101)
#define DTM_ADDTEXTW (WM_USER + 102)
#define DTM_ENDOFSOURCE (WM_USER + 104)
// Scrolls the page to the anchor <a name=...> named by lParam (LPCWSTR).
#define DTM_ANCHORW (WM_USER + 106)
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

// Not on the device: lets a UI tool find what a tap would hit. wParam is a
// hotspot index from 0; lParam points to an HTMLVIEW_HOTSPOT that the
// control fills (no pointers inside, so a tool in another process can pass
// memory it allocated there). Answers TRUE while the index is in range.
// A link that wraps counts once per line. Rectangles are in client
// coordinates at the current scroll position.
#define DTM_GETHOTSPOT (WM_USER + 200)

typedef struct tagHTMLVIEW_HOTSPOT {
    RECT rcClient;
    WCHAR szTarget[MAX_PATH];
} HTMLVIEW_HOTSPOT;
