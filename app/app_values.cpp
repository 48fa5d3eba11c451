// The program's names and its main window's values; start-up fills them.
#include "app/app_values.h"
#include "ui/ui_values.h"

WCHAR AppTitle[64];
WCHAR AppClassName[64];
WCHAR AppRegKey[128];
HWND MainWindow;
HWND MenuBar;

void FormAppNames(void)
{
    wsprintfW(AppTitle, L"%s", APP_NAME);
    wsprintfW(AppClassName, L"%s %s", APP_MAKER, APP_NAME);
    wsprintfW(AppRegKey, L"%s%s", L"SOFTWARE\\Apps\\", AppClassName);
    ProgramTitle = AppTitle;
    ProgramClassName = AppClassName;
    ProgramRegKey = AppRegKey;
    ProgramWebAddress = APP_WEB_ADDRESS;
}
