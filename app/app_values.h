// Program-wide values, formed by start-up and read across the program.
#pragma once
#include <windows.h>

#define APP_MAKER L"Orrenby"
#define APP_NAME L"Gallimaw View"
// The maker's web site, opened in the browser from the pages and the About box.
#define APP_WEB_ADDRESS L"http://www.orrenby.example/"

// Every dialog of the program fills the screen and has a Done button.
#define FULL_SCREEN_DIALOG_FLAGS (SHIDIF_DONEBUTTON | SHIDIF_SIZEDLGFULLSCREEN | SHIDIF_SIPDOWN)

extern WCHAR AppTitle[64];
extern WCHAR AppClassName[64];
extern WCHAR AppRegKey[128];
extern HINSTANCE AppInstance;
extern HWND MainWindow;
extern HWND MenuBar;
extern HFONT BoldFont;
// Kind icons, loaded from resources 106, 107 and 108 in that order.
extern HICON KindIcons[3];

// Written by the Summary pages, read by the Record list when it fills.
enum ViewModes { ViewMixed = 0, ViewCache = 1, ViewCookies = 2, ViewHistory = 3 };
extern int ViewMode;
// The open Record list dialog and the index of the last tapped row.
extern HWND RecordListWindow;
extern int SelectedRow;

// Forms AppTitle, AppClassName and AppRegKey, first thing at start-up.
void FormAppNames(void);
