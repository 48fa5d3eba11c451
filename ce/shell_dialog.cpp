// Dialog set-up and activation calls of the Pocket PC shell.
#include "ce/aygshell.h"
#include "ce/device_screen.h"
#include "ce/nav_bar.h"
#include "ce/property_sheet.h"

static void FillScreenArea(HWND dialog)
{
    RECT area;
    if (IsPropertySheetPage(dialog))
        GetSheetPageArea(GetParent(dialog), &area);
    else
        GetDeviceWorkArea(&area);
    SetWindowPos(dialog, NULL, area.left, area.top, area.right - area.left, area.bottom - area.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

BOOL SHInitDialog(PSHINITDLGINFO pshidi)
{
    if (!pshidi || !IsWindow(pshidi->hDlg))
        return FALSE;
    if (!(pshidi->dwMask & SHIDIM_FLAGS))
        return TRUE;
    HWND dialog = pshidi->hDlg;
    if (pshidi->dwFlags & (SHIDIF_SIZEDLGFULLSCREEN | SHIDIF_SIZEDLG))
        FillScreenArea(dialog);
    // A page's ok belongs to its sheet, which confirms all pages at once.
    if (pshidi->dwFlags & SHIDIF_DONEBUTTON)
        GiveOkButton(IsPropertySheetPage(dialog) ? GetParent(dialog) : dialog);
    return TRUE;
}

// A desktop has no input panel to raise or lower and no shell state to
// restore on activation.
BOOL SHHandleWMActivate(HWND, WPARAM, LPARAM, SHACTIVATEINFO *, DWORD)
{
    return TRUE;
}

BOOL SHHandleWMSettingChange(HWND, WPARAM, LPARAM, SHACTIVATEINFO *)
{
    return TRUE;
}
