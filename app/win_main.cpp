// Entry point: tells the Boot snapshot run from a normal run by the length
// of the command line and runs the one or the other.
#include "ce/pocketpc.h"
#include "app/app_values.h"
#include "ui/ui_values.h"
#include "app/main_window.h"
#include "boot/soft_reset.h"
#include "store/close_browser.h"
#include "store/index_file_set.h"
#include "ui/about_box.h"

// The init sequence passes its launch number, always two digits.
static const int BootRunCommandLength = 2;

static int RunMessageLoop(void)
{
    MSG msg = {};
    while (GetMessageW(&msg, NULL, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return (int)msg.wParam;
}

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR commandLine, int showCommand)
{
    BOOL bootRun = lstrlenW(commandLine) == BootRunCommandLength;
    FormAppNames();
    if (!bootRun)
        EnumWindows(CloseBrowserWindowProc, 0);
    FillIndexFileSet(APP_MAKER);
    if (bootRun) {
        SignalStarted(_wtol(commandLine));
        return 0;
    }
    RemoveBootRegistration(AppTitle);
    if (!InitInstance(instance, showCommand))
        return 0;
    CheckFirstRun(MainWindow);
    int exitCode = RunMessageLoop();
    DeleteObject(BoldFont);
    ReleaseIndexFileSet();
    return exitCode;
}
