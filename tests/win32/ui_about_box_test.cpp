// The About box and the first-run notice, in the viewer's own dialog from
// its resources, with the real registry.
#include <gtest/gtest.h>
#include "ce/pocketpc.h"
#include "app/app_values.h"
#include "ui/ui_values.h"
#include "res/resource.h"
#include "ui/about_box.h"
#include "modal_watch.h"

static const int WaitForBoxMs = 5000;
// How long a start is given to show a notice that should not come.
static const int NoBoxMs = 800;

static const DWORD Blue = 0x0000FF;
static const DWORD Red = 0xFF0000;
static const DWORD White = 0xFFFFFF;

class AboutBoxTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        FormAppNames();
        AppInstance = GetModuleHandleW(NULL);
        LOGFONTW font = {};
        font.lfHeight = 18;
        font.lfWeight = FW_BOLD;
        BoldFont = CreateFontIndirectW(&font);
    }
    void SetUp() override
    {
        MainWindow = CeCreateWindowExW(0, L"STATIC", L"owner", WS_POPUP | WS_VISIBLE, 0, 0, 240, 320, NULL, NULL,
                                     AppInstance, NULL);
        RegDeleteKeyW(HKEY_LOCAL_MACHINE, AppRegKey);
    }
    // The owner stays until the process ends: hiding a window costs Wine
    // seconds without a window manager.
    void TearDown() override
    {
        RegDeleteKeyW(HKEY_LOCAL_MACHINE, AppRegKey);
    }

    // Runs CheckFirstRun and closes the notice with its ok if one comes.
    bool FirstRunShowsNotice(int timeoutMs)
    {
        bool shown;
        std::thread watch = WatchForDialog(GetCurrentThreadId(), IDC_PRODUCT_LINE, timeoutMs,
                                           [](HWND box) { PostMessageW(box, WM_COMMAND, IDOK, 0); }, &shown);
        CheckFirstRun(MainWindow);
        watch.join();
        return shown;
    }

    void SetSettings(DWORD type, const void *data, DWORD size)
    {
        HKEY key;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_LOCAL_MACHINE, AppRegKey, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &key,
                                                 NULL));
        RegSetValueExW(key, L"Settings", 0, type, (const BYTE *)data, size);
        RegCloseKey(key);
    }

    void ExpectSettingsMark()
    {
        BYTE data[16];
        DWORD type = 0, size = sizeof data;
        ASSERT_EQ(ERROR_SUCCESS, RegGetValueW(HKEY_LOCAL_MACHINE, AppRegKey, L"Settings", RRF_RT_ANY, &type, data, &size));
        EXPECT_EQ((DWORD)REG_BINARY, type);
        ASSERT_EQ(4u, size);
        EXPECT_EQ(0, data[0] | data[1] | data[2] | data[3]);
    }
};

TEST_F(AboutBoxTest, FirstRunShowsTheNoticeOnceAndMarksItInANewKey)
{
    EXPECT_TRUE(FirstRunShowsNotice(WaitForBoxMs));
    ExpectSettingsMark();
    EXPECT_FALSE(FirstRunShowsNotice(NoBoxMs));
}

TEST_F(AboutBoxTest, AnySettingsValueOfUpToFourBytesCountsAsShown)
{
    DWORD word = 0x01020304;
    SetSettings(REG_DWORD, &word, sizeof word);
    EXPECT_FALSE(FirstRunShowsNotice(NoBoxMs));
    SetSettings(REG_SZ, L"a", 4);
    EXPECT_FALSE(FirstRunShowsNotice(NoBoxMs));
    BYTE one = 7;
    SetSettings(REG_BINARY, &one, 1);
    EXPECT_FALSE(FirstRunShowsNotice(NoBoxMs));
}

TEST_F(AboutBoxTest, LongerSettingsValueShowsTheNoticeAndIsReplaced)
{
    const BYTE eight[8] = { 1, 2, 3, 4, 5, 6, 7, 8 };
    SetSettings(REG_BINARY, eight, sizeof eight);
    EXPECT_TRUE(FirstRunShowsNotice(WaitForBoxMs));
    ExpectSettingsMark();
}

TEST_F(AboutBoxTest, TextsAreBlueAndRedOnWhite)
{
    struct Line {
        int id;
        DWORD colour;
        int inked;
        int white;
    } lines[] = { { IDC_PRODUCT_LINE, Blue }, { IDC_COPYRIGHT_LINE, Blue }, { IDC_WARNING_TEXT, Red },
                  { IDC_DISCLAIMER_TEXT, Red } };
    WCHAR product[64] = L"";
    HFONT productFont = NULL;
    bool shown;
    std::thread watch = WatchForDialog(GetCurrentThreadId(), IDC_PRODUCT_LINE, WaitForBoxMs, [&](HWND box) {
        GetDlgItemTextW(box, IDC_PRODUCT_LINE, product, 64);
        productFont = (HFONT)SendDlgItemMessageW(box, IDC_PRODUCT_LINE, WM_GETFONT, 0, 0);
        for (Line &line : lines) {
            Snapshot shot = PrintControl(GetDlgItem(box, line.id));
            line.inked = CountPixels(shot, line.colour);
            line.white = CountPixels(shot, White);
        }
        PostMessageW(box, WM_COMMAND, IDOK, 0);
    }, &shown);
    ShowAboutBox(MainWindow);
    watch.join();
    ASSERT_TRUE(shown);
    EXPECT_STREQ(L"Gallimaw Viewer v1.2", product);
    EXPECT_EQ(BoldFont, productFont);
    for (const Line &line : lines) {
        EXPECT_GT(line.inked, 0) << "control " << line.id;
        EXPECT_GT(line.white, line.inked) << "control " << line.id;
    }
}
