// The device's menu bar: its resource, the bar at the bottom of the
// screen, and a command chosen from its popup.
#include "ce/pocketpc.h"
#include "ce/menu_bar.h"
#include "ce_test_support.h"
#include "res/resource.h"
#include <gtest/gtest.h>
#include <atomic>
#include <thread>

#define IDM_SOFT_RESET_TEST 40005
#define IDM_ABOUT_TEST 40008
#define MISSING_STRING 60000

static const WORD ViewerMenuBar[] = {102, 1, 0xFFFE, 40001, 4, 0x18, 104, 0, 0};

TEST(MenuBar, ReadsTheResourceWords)
{
    MENU_BAR_RESOURCE bar = {};
    ASSERT_TRUE(ReadMenuBarResource(ViewerMenuBar, sizeof ViewerMenuBar, &bar));
    EXPECT_EQ(102, bar.menu);
    ASSERT_EQ(1, bar.count);
    EXPECT_EQ((WORD)I_IMAGENONE, bar.buttons[0].image);
    EXPECT_EQ(40001, bar.buttons[0].command);
    EXPECT_EQ(TBSTATE_ENABLED, bar.buttons[0].state);
    EXPECT_EQ(TBSTYLE_DROPDOWN | TBSTYLE_AUTOSIZE, bar.buttons[0].style);
    EXPECT_EQ(104, bar.buttons[0].caption);
    EXPECT_EQ(0, bar.buttons[0].popup);

    EXPECT_FALSE(ReadMenuBarResource(ViewerMenuBar, sizeof ViewerMenuBar - 2, &bar)) << "cut short";
    EXPECT_FALSE(ReadMenuBarResource(NULL, 0, &bar));
    WORD tooMany[2 + 9 * 7] = {102, 9};
    EXPECT_FALSE(ReadMenuBarResource(tooMany, sizeof tooMany, &bar));
}

TEST(MenuBar, RefusesWrongSizesAndMissingResources)
{
    SHMENUBARINFO info = {};
    info.hInstRes = GetModuleHandleW(NULL);
    info.nToolBarId = 31999;
    EXPECT_FALSE(SHCreateMenuBar(&info)) << "cbSize 0";
    info.cbSize = SHMENUBARINFO_DEVICE_SIZE;
    EXPECT_FALSE(SHCreateMenuBar(&info)) << "no such resource";
    EXPECT_EQ(NULL, info.hwndMB);
    EXPECT_FALSE(SHCreateMenuBar(NULL));
}

static UINT LastCommand;

static LRESULT CALLBACK ParentProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_COMMAND)
        LastCommand = LOWORD(wParam);
    return DefWindowProcW(window, message, wParam, lParam);
}

static HWND VisiblePopupMenu(void)
{
    HWND popup = FindWindowW(L"#32768", NULL);
    return popup && IsWindowVisible(popup) ? popup : NULL;
}

TEST(MenuBar, ButtonDropsThePopupAboveTheBarAndSendsTheChosenCommand)
{
    HINSTANCE instance = GetModuleHandleW(NULL);
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = ParentProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = L"CeTestMenuParent";
    RegisterClassW(&windowClass);
    HWND parent = CeCreateWindowExW(0, L"CeTestMenuParent", L"Main", WS_POPUP | WS_VISIBLE, 0, 26, 240, 268, NULL, NULL,
                                  instance, NULL);
    HMENU menu = CreateMenu(), popup = CreatePopupMenu();
    AppendMenuW(popup, MF_STRING, IDM_SOFT_RESET_TEST, L"&Soft Reset");
    AppendMenuW(popup, MF_STRING, IDM_ABOUT_TEST, L"&About");
    AppendMenuW(menu, MF_POPUP, (UINT_PTR)popup, L"View");
    WORD words[9];
    memcpy(words, ViewerMenuBar, sizeof words);
    words[6] = MISSING_STRING;
    MENU_BAR_RESOURCE layout;
    ASSERT_TRUE(ReadMenuBarResource(words, sizeof words, &layout));

    HWND bar = CreateMenuBarWindow(parent, instance, &layout, menu);
    ASSERT_TRUE(bar);
    RECT rect, bottom = {0, 294, 240, 320};
    GetWindowRect(bar, &rect);
    EXPECT_TRUE(EqualRect(&bottom, &rect));
    EXPECT_EQ(parent, GetWindow(bar, GW_OWNER)) << "the bar goes with its program's window";
    HWND button = FindChildWindow(bar, L"Button", L"View");
    ASSERT_TRUE(button) << "a missing caption string shows the popup's text";

    // The popup runs its own message loop; a second thread answers it as
    // a user would, with the item's mnemonic.
    std::atomic<bool> stop(false);
    RECT popupRect = {};
    std::thread user([&] {
        HWND shown = NULL;
        while (!stop && !(shown = VisiblePopupMenu()))
            Sleep(20);
        if (!shown)
            return;
        GetWindowRect(shown, &popupRect);
        PostMessageW(shown, WM_CHAR, L'a', 0);
    });
    LastCommand = 0;
    PostMessageW(button, BM_CLICK, 0, 0);
    bool chosen = PumpUntil([] { return LastCommand != 0; }, 5000);
    stop = true;
    user.join();
    EXPECT_TRUE(chosen);
    EXPECT_EQ((UINT)IDM_ABOUT_TEST, LastCommand);
    EXPECT_LE(popupRect.bottom, 294) << "the popup opens above the bar";
    EXPECT_GT(popupRect.bottom, popupRect.top);
    DestroyWindow(bar);
    DestroyWindow(parent);
}

TEST(MenuBar, BuildsTheViewersBarFromItsResources)
{
    HWND parent = CeCreateWindowExW(0, L"STATIC", L"Main", WS_POPUP | WS_VISIBLE, 0, 26, 240, 268, NULL, NULL,
                                  GetModuleHandleW(NULL), NULL);
    SHMENUBARINFO info = {};
    info.cbSize = SHMENUBARINFO_DEVICE_SIZE;
    info.hwndParent = parent;
    info.nToolBarId = IDR_MAIN_MENU;
    info.hInstRes = GetModuleHandleW(NULL);
    ASSERT_TRUE(SHCreateMenuBar(&info));
    ASSERT_TRUE(info.hwndMB);
    EXPECT_TRUE(FindChildWindow(info.hwndMB, L"Button", L"View"));
    DestroyWindow(info.hwndMB);
    DestroyWindow(parent);
}
