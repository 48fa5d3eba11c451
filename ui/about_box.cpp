// The About box, which also serves as the first-run notice, and the
// registry mark that the notice has been shown.
#include "ce/pocketpc.h"
#include "ui/ui_values.h"
#include "res/resource.h"
#include "store/registry.h"
#include "ui/about_box.h"
#include "ui/help.h"
#include "ui/dialog_resource.h"

static const COLORREF BlueText = 0x00FF0000;
static const COLORREF RedText = 0x000000FF;

#define SETTINGS_VALUE L"Settings"

static INT_PTR ColourStatic(HDC dc, HWND control)
{
    switch (GetDlgCtrlID(control)) {
    case IDC_PRODUCT_LINE:
    case IDC_COPYRIGHT_LINE:
        SetTextColor(dc, BlueText);
        break;
    case IDC_WARNING_TEXT:
    case IDC_DISCLAIMER_TEXT:
        SetTextColor(dc, RedText);
        break;
    default:
        return FALSE;
    }
    return (INT_PTR)GetStockObject(WHITE_BRUSH);
}

static INT_PTR CALLBACK AboutBoxProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_INITDIALOG: {
        SHINITDLGINFO init = { SHIDIM_FLAGS, dlg, FULL_SCREEN_DIALOG_FLAGS };
        SHInitDialog(&init);
        SendDlgItemMessageW(dlg, IDC_PRODUCT_LINE, WM_SETFONT, (WPARAM)BoldFont, 0);
        return TRUE;
    }
    case WM_CTLCOLORSTATIC:
        return ColourStatic((HDC)wParam, (HWND)lParam);
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
            EndDialog(dlg, 1);
            return TRUE;
        case IDC_COPYRIGHT_LINE:
            // The box stays open behind the browser.
            OpenWebSite();
            break;
        }
        return FALSE;
    case WM_NOTIFY:
        if (((LPNMHDR)lParam)->code == (UINT)PSN_HELP)
            OpenHelp(HELP_TOPIC, ProgramTitle);
        return FALSE;
    }
    return FALSE;
}

void ShowAboutBox(HWND owner)
{
    RunDialogResource(owner, IDD_ABOUT_BOX, AboutBoxProc);
}

// Any "Settings" value of at most four bytes marks the notice as shown.
void CheckFirstRun(HWND owner)
{
    DWORD settings = 0;
    DWORD size = sizeof settings;
    if (ReadRegValue(HKEY_LOCAL_MACHINE, ProgramRegKey, SETTINGS_VALUE, &settings, &size) == ERROR_SUCCESS)
        return;
    ShowAboutBox(owner);
    // A longer value that failed to fit may have left part of itself in
    // the word; the mark is always four zero bytes.
    settings = 0;
    WriteRegBinary(HKEY_LOCAL_MACHINE, ProgramRegKey, SETTINGS_VALUE, &settings, sizeof settings);
}
