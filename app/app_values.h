// The program's identity, fixed at build time, and the values of its main
// window. Only app/ includes this; the layers below are handed what they
// need.
#pragma once
#include <windows.h>

#define APP_MAKER L"Orrenby"
#define APP_NAME L"Gallimaw View"
// The maker's web site, opened in the browser from the pages and the About box.
#define APP_WEB_ADDRESS L"http://www.orrenby.example/"

extern WCHAR AppTitle[64];
extern WCHAR AppClassName[64];
extern WCHAR AppRegKey[128];
extern HWND MainWindow;
extern HWND MenuBar;

// Forms AppTitle, AppClassName and AppRegKey, first thing at start-up, and
// hands them to the windows.
void FormAppNames(void);
