// The maximized Pocket PC property sheet on desktop comctl32.
#include "ce/pocketpc.h"
#include "ce_test_support.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <vector>

#define PAGE_COUNT 4

static std::vector<UINT> HookMessages;
static int Applied[PAGE_COUNT];
static int Helped[PAGE_COUNT];
static RECT InitialClient[PAGE_COUNT];

static int CALLBACK SheetHook(HWND, UINT message, LPARAM)
{
    HookMessages.push_back(message);
    return message == PSCB_GETVERSION ? 0x020C : 0;
}

static UINT CALLBACK PageHook(HWND, UINT message, LPPROPSHEETPAGEW)
{
    return message == PSPCB_CREATE ? 1 : (UINT)-1;
}

static INT_PTR CALLBACK PageProc(HWND page, UINT message, WPARAM, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG: {
        int index = (int)((PROPSHEETPAGEW *)lParam)->lParam;
        SetWindowLongPtrW(page, GWLP_USERDATA, index);
        SHINITDLGINFO info = {SHIDIM_FLAGS, page, SHIDIF_DONEBUTTON | SHIDIF_SIZEDLGFULLSCREEN | SHIDIF_SIPDOWN};
        SHInitDialog(&info);
        GetClientRect(page, &InitialClient[index]);
        return TRUE;
    }
    case WM_NOTIFY: {
        int index = (int)GetWindowLongPtrW(page, GWLP_USERDATA);
        UINT code = ((NMHDR *)lParam)->code;
        if (code == PSN_APPLY)
            Applied[index]++;
        if (code == PSN_HELP)
            Helped[index]++;
        return FALSE;
    }
    }
    return FALSE;
}

static HWND NavOk(void)
{
    HWND bar = FindOwnTopWindow(L"CeNavBar");
    return bar ? FindChildWindow(bar, L"Button", L"ok") : NULL;
}

static bool IsShown(HWND window)
{
    return window && IsWindowVisible(window);
}

TEST(MaximizedSheet, MaximizedModelessSheetFillsWorkAreaAndItsOkAppliesEveryPage)
{
    HINSTANCE instance = GetModuleHandleW(NULL);
    HWND owner = CeCreateWindowExW(WS_EX_CAPTIONOKBTN, L"STATIC", L"Sheet Owner", WS_POPUP | WS_VISIBLE, 0, 26, 240,
                                   268, NULL, NULL, instance, NULL);
    std::vector<DWORD> pageTemplate = MakeDialogTemplate(0x90000240, 0, 122, 95);
    static const wchar_t *titles[PAGE_COUNT] = {L"Mixed", L"Cache", L"Cookies", L"History"};
    PROPSHEETPAGEW pages[PAGE_COUNT] = {};
    for (int i = 0; i < PAGE_COUNT; i++) {
        pages[i].dwSize = sizeof pages[i];
        pages[i].dwFlags = PSP_USETITLE | PSP_USECALLBACK | PSP_DLGINDIRECT;
        pages[i].hInstance = instance;
        pages[i].pResource = (LPCDLGTEMPLATEW)pageTemplate.data();
        pages[i].pszTitle = titles[i];
        pages[i].pfnDlgProc = PageProc;
        pages[i].lParam = i;
        pages[i].pfnCallback = PageHook;
    }
    PROPSHEETHEADERW header = {};
    header.dwSize = sizeof header;
    header.dwFlags = PSH_PROPSHEETPAGE | PSH_USECALLBACK | PSH_MODELESS | PSH_MAXIMIZE;
    header.hwndParent = owner;
    header.hInstance = instance;
    header.nPages = PAGE_COUNT;
    header.ppsp = pages;
    header.pfnCallback = SheetHook;

    HWND sheet = (HWND)CePropertySheetW(&header);
    ASSERT_TRUE(IsWindow(sheet)) << "a modeless sheet returns at once";
    PumpUntil([] { return NavOk() != NULL; }, 2000);

    EXPECT_EQ(1, std::count(HookMessages.begin(), HookMessages.end(), (UINT)PSCB_GETVERSION));
    EXPECT_NE(HookMessages.end(), std::find(HookMessages.begin(), HookMessages.end(), (UINT)PSCB_INITIALIZED));

    WCHAR title[64] = L"";
    GetWindowTextW(FindOwnTopWindow(L"CeNavBar"), title, 64);
    EXPECT_STREQ(L"Sheet Owner", title) << "an untitled sheet shows its owner's title";
    RECT rect, work = {0, 26, 240, 294};
    GetWindowRect(sheet, &rect);
    EXPECT_TRUE(EqualRect(&work, &rect)) << rect.left << "," << rect.top << " " << rect.right << "," << rect.bottom;
    EXPECT_FALSE(IsShown(GetDlgItem(sheet, IDOK)));
    EXPECT_FALSE(IsShown(GetDlgItem(sheet, IDCANCEL)));
    HWND tabs = PropSheet_GetTabControl(sheet);
    EXPECT_TRUE(IsShown(tabs));
    RECT firstTab;
    TabCtrl_GetItemRect(tabs, 0, &firstTab);
    MapWindowPoints(tabs, NULL, (POINT *)&firstTab, 2);

    for (int i = 0; i < PAGE_COUNT; i++) {
        HWND page = PropSheet_IndexToHwnd(sheet, i);
        ASSERT_TRUE(page) << "page " << i << " exists";
        RECT client, pageRect;
        GetClientRect(page, &client);
        EXPECT_TRUE(EqualRect(&client, &InitialClient[i])) << "page " << i << " keeps the size it was made with";
        GetWindowRect(page, &pageRect);
        EXPECT_GT(pageRect.right - pageRect.left, 220);
        EXPECT_LE(pageRect.bottom, firstTab.top) << "the tabs are below the page";
    }
    EXPECT_EQ(PropSheet_IndexToHwnd(sheet, 0), PropSheet_GetCurrentPageHwnd(sheet));

    HELPINFO help = {sizeof help};
    SendMessageW(sheet, WM_HELP, 0, (LPARAM)&help);
    SendMessageW(PropSheet_GetCurrentPageHwnd(sheet), WM_HELP, 0, (LPARAM)&help);
    EXPECT_EQ(2, Helped[0]);

    HWND ok = NavOk();
    ASSERT_TRUE(ok);
    SendMessageW(ok, BM_CLICK, 0, 0);
    PumpFor(100);
    EXPECT_EQ(sheet, GetActiveWindow()) << "a tap on the ok takes no activation";
    for (int i = 0; i < PAGE_COUNT; i++)
        EXPECT_EQ(1, Applied[i]) << "page " << i;
    EXPECT_EQ(1, std::count(HookMessages.begin(), HookMessages.end(), (UINT)PSCB_BUTTONPRESSED))
        << "desktop's button message never reaches the hook";
    DestroyWindow(sheet);
    DestroyWindow(owner);
}
