// The soft-reset request: register for the next boot, then restart the
// device so that the locked index files can be copied before the shell
// and the browser open them.
#include "ce/pocketpc.h"
#include "boot/boot_registration.h"
#include "boot/soft_reset.h"
#include "boot/startup_shortcut.h"
#include "boot/storage_card.h"

static const WCHAR StorageCardText[] =
    L"To be accessible during soft reset program should be installed into main memory";
static const WCHAR QuestionText[] = L"To access the data soft reset is required. Are you going to proceed?";
static const WCHAR ShortcutArgument[] = L"S";

// A program on a storage card may not be reachable when the init sequence
// starts it early in the boot, so it is not registered at all.
void BeginSoftReset(HWND owner, BOOL ask, LPCWSTR title, LPCWSTR className)
{
    WCHAR path[MAX_PATH] = L"";
    CeGetModuleFileNameW(NULL, path, MAX_PATH);
    if (IsOnStorageCard(path + 1)) {
        CeMessageBoxW(owner, StorageCardText, className, MB_ICONHAND);
        return;
    }
    if (ask) {
        if (CeMessageBoxW(owner, QuestionText, title, MB_YESNO | MB_ICONEXCLAMATION | MB_TOPMOST) != IDYES)
            return;
        SetCursor(LoadCursorW(NULL, IDC_WAIT));
    }
    RegisterBootLaunch();
    SetStartupShortcut(TRUE, title, ShortcutArgument);
    SoftReset();
}

BOOL SoftReset(void)
{
    DWORD bytes = 0;
    return KernelIoControl(IOCTL_HAL_REBOOT, NULL, 0, NULL, 0, &bytes);
}

// Runs at every normal start: whatever the last request left behind goes.
void RemoveBootRegistration(LPCWSTR title)
{
    SetStartupShortcut(FALSE, title, NULL);
    UnregisterBootLaunch();
}
