#pragma once
#include <windows.h>

// Runs a dialog of the program's resources modally with creation
// parameter 0; answers -1 when the template cannot be loaded.
INT_PTR RunDialogResource(HWND owner, WORD templateId, DLGPROC proc);
// A WM_COMMAND of the OK button ends the dialog with 1; TRUE when it was.
BOOL EndDialogOnOk(HWND dlg, WPARAM wParam);
