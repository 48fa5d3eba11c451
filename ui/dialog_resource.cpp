// Modal dialogs run from the templates in the program's resources.
#include "ce/pocketpc.h"
#include "ui/ui_values.h"
#include "ui/dialog_resource.h"

INT_PTR RunDialogResource(HWND owner, WORD templateId, DLGPROC proc)
{
    HRSRC found = FindResourceW(AppInstance, MAKEINTRESOURCEW(templateId), (LPCWSTR)RT_DIALOG);
    if (!found)
        return -1;
    HGLOBAL loaded = LoadResource(AppInstance, found);
    if (!loaded)
        return -1;
    return CeDialogBoxIndirectParamW(AppInstance, (LPCDLGTEMPLATEW)LockResource(loaded), owner, proc, 0);
}

BOOL EndDialogOnOk(HWND dlg, WPARAM wParam)
{
    if (LOWORD(wParam) != IDOK)
        return FALSE;
    EndDialog(dlg, 1);
    return TRUE;
}
