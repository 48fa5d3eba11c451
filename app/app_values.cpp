// Program-wide values; start-up fills them, the rest of the program reads.
#include "app/app_values.h"

WCHAR AppTitle[64];
WCHAR AppClassName[64];
WCHAR AppRegKey[128];
HINSTANCE AppInstance;
HWND MainWindow;
HWND MenuBar;
HFONT BoldFont;
HICON KindIcons[3];

int ViewMode;
HWND RecordListWindow;
int SelectedRow;

void FormAppNames(void)
{
    wsprintfW(AppTitle, L"%s", APP_NAME);
    wsprintfW(AppClassName, L"%s %s", APP_MAKER, APP_NAME);
    wsprintfW(AppRegKey, L"%s%s", L"SOFTWARE\\Apps\\", AppClassName);
}
