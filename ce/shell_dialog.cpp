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
// restore on activation; only the caller's structure is checked: the
// device's 12 bytes or this build's own size, as SHCreateMenuBar checks.
static BOOL IsActivateInfo(const SHACTIVATEINFO *psai)
{
    return psai && (psai->cbSize == SHACTIVATEINFO_DEVICE_SIZE || psai->cbSize == sizeof *psai);
}

BOOL SHHandleWMActivate(HWND, WPARAM, LPARAM, SHACTIVATEINFO *psai, DWORD)
{
    return IsActivateInfo(psai);
}

BOOL SHHandleWMSettingChange(HWND, WPARAM, LPARAM, SHACTIVATEINFO *psai)
{
    return IsActivateInfo(psai);
}
