// Values the windows share; start-up fills the program's part.
#include "ui/ui_values.h"

HINSTANCE AppInstance;
HFONT BoldFont;
HICON KindIcons[IndexFileKinds];

LPCWSTR ProgramTitle;
LPCWSTR ProgramClassName;
LPCWSTR ProgramRegKey;
LPCWSTR ProgramWebAddress;

int ViewMode;
HWND RecordListWindow;
int SelectedRow;
