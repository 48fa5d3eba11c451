// The main window as start-up makes it: one instance, the menu bar, the
// Summary sheet over it, and the ways the loop ends.
#include <gtest/gtest.h>
#include "ce/pocketpc.h"
#include "ce/device_contract.h"
#include "app/app_values.h"
#include "ui/ui_values.h"
#include "app/main_window.h"
#include "res/resource.h"
#include "boot/soft_reset.h"
#include "store/index_file_set.h"
#include "child_process.h"
#include "ce_test_support.h"
#include "modal_watch.h"

static const int WaitMs = 5000;
static const DWORD ResetWaitMs = 20000;
static const wchar_t ResetChildVariable[] = L"GALLIMAW_MENU_RESET_CHILD";

static BOOL CALLBACK FindOwned(HWND hwnd, LPARAM context)
{
    HWND *found = (HWND *)context;
    if (GetWindow(hwnd, GW_OWNER) == *found && SendMessageW(hwnd, PSM_GETTABCONTROL, 0, 0)) {
        *found = hwnd;
        return FALSE;
    }
    return TRUE;
}

class MainWindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        FormAppNames();
        ASSERT_TRUE(InitInstance(GetModuleHandleW(NULL), SW_SHOW));
    }
};

TEST_F(MainWindowTest, StartsOnceWithMenuBarAndSummarySheet)
{
    HWND first = MainWindow;
    WCHAR text[64];
    GetClassNameW(first, text, 64);
    EXPECT_STREQ(L"Orrenby Gallimaw View", text);
    GetWindowTextW(first, text, 64);
    EXPECT_STREQ(L"Gallimaw View", text);
    EXPECT_TRUE(IsWindow(MenuBar));
    for (int kind = 0; kind < IndexFileKinds; kind++)
        EXPECT_TRUE(KindIcons[kind] != NULL) << kind;
    HWND sheet = first;
    EnumThreadWindows(GetCurrentThreadId(), FindOwned, (LPARAM)&sheet);
    EXPECT_NE(first, sheet) << "no Summary sheet owned by the main window";

    EXPECT_FALSE(InitInstance(GetModuleHandleW(NULL), SW_SHOW));
    EXPECT_EQ(first, MainWindow);
}

TEST_F(MainWindowTest, AboutCommandShowsTheAboutBox)
{
    bool shown;
    std::thread watch = WatchForDialog(GetCurrentThreadId(), IDC_PRODUCT_LINE, WaitMs,
                                       [](HWND box) { PostMessageW(box, WM_COMMAND, IDOK, 0); }, &shown);
    SendMessageW(MainWindow, WM_COMMAND, IDM_ABOUT, 0);
    watch.join();
    EXPECT_TRUE(shown);
}

TEST_F(MainWindowTest, TitleBarOkEndsTheLoopAndKeepsTheWindow)
{
    PostMessageW(MainWindow, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(0, PumpUntilQuit(WaitMs));
    EXPECT_TRUE(IsWindow(MainWindow));
}

// The Record list takes them by position: 106 Cookies, 107 Cache, 108 History.
TEST_F(MainWindowTest, KindIconsAreLoadedInResourceOrder)
{
    for (int i = 0; i < IndexFileKinds; i++) {
        ICONINFOEXW info = { sizeof info };
        ASSERT_TRUE(GetIconInfoExW(KindIcons[i], &info)) << i;
        DeleteObject(info.hbmColor);
        DeleteObject(info.hbmMask);
        EXPECT_EQ(IDI_KIND_COOKIES + i, info.wResID) << i;
    }
}

TEST_F(MainWindowTest, BoldFontIsEighteenHighAndBold)
{
    LOGFONTW font = {};
    ASSERT_EQ((int)sizeof font, GetObjectW(BoldFont, sizeof font, &font));
    EXPECT_EQ(18, font.lfHeight);
    EXPECT_EQ(FW_BOLD, font.lfWeight);
}

// With the device's kernel present the reset is asked for and the command
// never returns; a question would hold the child before it.
TEST(MainWindowMenu, SoftResetCommandResetsWithoutAsking)
{
    HANDLE kernel = CreateMutexW(NULL, FALSE, DEVICE_WIDE(DEVICE_KERNEL_MUTEX));
    HANDLE reset = CreateEventW(NULL, TRUE, FALSE, DEVICE_WIDE(DEVICE_RESET_EVENT));
    ResetEvent(reset);
    SetCurrentDirectoryW(L"C:\\");
    SetEnvironmentVariableW(ResetChildVariable, L"1");
    PROCESS_INFORMATION child = StartProgram(OwnProgramPath(), L"--gtest_filter=MainWindowChild.ChoosesSoftReset");
    SetEnvironmentVariableW(ResetChildVariable, NULL);
    ASSERT_TRUE(child.hProcess);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(reset, ResetWaitMs));
    EndProgram(child);
    FormAppNames();
    RemoveBootRegistration(AppTitle);
    CloseHandle(reset);
    CloseHandle(kernel);
}

TEST(MainWindowChild, ChoosesSoftReset)
{
    if (!_wgetenv(ResetChildVariable))
        GTEST_SKIP() << "runs only as a child of another test";
    FormAppNames();
    AppInstance = GetModuleHandleW(NULL);
    ASSERT_TRUE(RegisterMainWindowClass(AppInstance, AppClassName));
    HWND window = CeCreateWindowExW(0, AppClassName, AppTitle, 0, 0, 0, 0, 0, NULL, NULL, AppInstance, NULL);
    SendMessageW(window, WM_COMMAND, IDM_SOFT_RESET, 0);
}
