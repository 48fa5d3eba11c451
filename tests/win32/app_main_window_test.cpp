// The main window as start-up makes it: one instance, the menu bar, the
// Summary sheet over it, and the ways the loop ends.
#include <gtest/gtest.h>
#include "ce/pocketpc.h"
#include "app/app_values.h"
#include "app/main_window.h"
#include "res/resource.h"
#include "store/index_file_set.h"
#include "modal_watch.h"

static const int WaitMs = 5000;

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
    for (int kind = 0; kind < 3; kind++)
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
