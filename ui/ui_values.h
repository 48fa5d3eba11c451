// Values the windows share: start-up fills the first two groups, the
// windows themselves the rest.
#pragma once
#include <windows.h>
#include "format/index_kinds.h"

// Every dialog of the program fills the screen and has a Done button.
#define FULL_SCREEN_DIALOG_FLAGS (SHIDIF_DONEBUTTON | SHIDIF_SIZEDLGFULLSCREEN | SHIDIF_SIPDOWN)

extern HINSTANCE AppInstance;
extern HFONT BoldFont;
// Kind icons in resource order, loaded from IDI_KIND_FIRST on.
#define KIND_ICON_SIZE 16
extern HICON KindIcons[IndexFileKinds];

// The program's names as the windows show and use them: the title, which
// also names the help file, the window class, the settings key and the
// maker's web site.
extern LPCWSTR ProgramTitle;
extern LPCWSTR ProgramClassName;
extern LPCWSTR ProgramRegKey;
extern LPCWSTR ProgramWebAddress;

// Written by the Summary pages, read by the Record list when it fills: the
// Mixed view, then one view per kind in IndexFileKind order.
enum ViewModes {
    ViewMixed = 0,
    FirstKindView = 1,
    ViewCache = FirstKindView + KindCache,
    ViewCookies = FirstKindView + KindCookies,
    ViewHistory = FirstKindView + KindHistory,
    ViewModeCount = FirstKindView + IndexFileKinds
};
extern int ViewMode;
// The open Record list dialog and the index of the last tapped row.
extern HWND RecordListWindow;
extern int SelectedRow;
