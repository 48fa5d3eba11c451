// Dialogs and windows under the device's shell: full-screen dialogs, the
// title bar ok in the navigation bar, WS_EX_CAPTIONOKBTN and the
// low-bit form of SetForegroundWindow.
#include "ce/pocketpc.h"
#include "ce/dialog_template.h"
#include "ce_test_support.h"
#include <gtest/gtest.h>
#include <string>

#define CHECK_TIMER 1
#define CHECK_DELAY_MS 200
#define GAVE_UP 99
#define IDC_TEST_BUTTON 5

struct DialogRun {
    UINT initFlags;      // SHInitDialog flags, 0 for no call
    RECT rect;
    DWORD exStyle;
    HWND ok;
    std::wstring barTitle;
    std::wstring buttonText;
};

static DialogRun Seen;

static HWND NavOk(void)
{
    HWND bar = FindOwnTopWindow(L"CeNavBar");
    return bar ? FindChildWindow(bar, L"Button", L"ok") : NULL;
}

static void CheckAndPressOk(HWND dialog)
{
    KillTimer(dialog, CHECK_TIMER);
    GetWindowRect(dialog, &Seen.rect);
    Seen.exStyle = GetWindowLongW(dialog, GWL_EXSTYLE);
    WCHAR text[128] = L"";
    GetWindowTextW(FindOwnTopWindow(L"CeNavBar"), text, 128);
    Seen.barTitle = text;
    text[0] = 0;
    GetDlgItemTextW(dialog, IDC_TEST_BUTTON, text, 128);
    Seen.buttonText = text;
    Seen.ok = NavOk();
    if (Seen.ok)
        SendMessageW(Seen.ok, BM_CLICK, 0, 0);
    else
        EndDialog(dialog, GAVE_UP);
}

static INT_PTR CALLBACK TestDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        if (Seen.initFlags) {
            SHINITDLGINFO info = {SHIDIM_FLAGS, dialog, Seen.initFlags};
            SHInitDialog(&info);
        }
        SetWindowTextW(dialog, L"Test Dialog");
        SetTimer(dialog, CHECK_TIMER, CHECK_DELAY_MS, NULL);
        return TRUE;
    case WM_TIMER:
        CheckAndPressOk(dialog);
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK)
            EndDialog(dialog, IDOK);
        return TRUE;
    }
    return FALSE;
}

static INT_PTR RunDialog(const void *dialogTemplate, UINT initFlags, HWND owner = NULL)
{
    Seen = DialogRun();
    Seen.initFlags = initFlags;
    return CeDialogBoxIndirectParamW(GetModuleHandleW(NULL), (LPCDLGTEMPLATEW)dialogTemplate, owner, TestDialogProc, 0);
}

TEST(ShellDialog, FullScreenDialogFillsWorkAreaAndItsOkEndsIt)
{
    std::vector<DWORD> dialog = MakeDialogTemplate(WS_POPUP | WS_VISIBLE, 0, 100, 80);
    EXPECT_EQ(IDOK, RunDialog(dialog.data(), SHIDIF_DONEBUTTON | SHIDIF_SIZEDLGFULLSCREEN | SHIDIF_SIPDOWN));
    RECT work = {0, 26, 240, 294};
    EXPECT_TRUE(EqualRect(&work, &Seen.rect)) << Seen.rect.left << "," << Seen.rect.top << " " << Seen.rect.right << ","
                                             << Seen.rect.bottom;
    EXPECT_EQ(L"Test Dialog", Seen.barTitle);

    HWND bar = FindOwnTopWindow(L"CeNavBar");
    RECT barRect, top = {0, 0, 240, 26};
    GetWindowRect(bar, &barRect);
    EXPECT_TRUE(EqualRect(&top, &barRect));
    EXPECT_TRUE(GetWindowLongW(bar, GWL_EXSTYLE) & WS_EX_TOPMOST);
}

TEST(ShellDialog, DialogWithoutDoneButtonShowsNoOk)
{
    std::vector<DWORD> dialog = MakeDialogTemplate(WS_POPUP | WS_VISIBLE, 0, 100, 80);
    EXPECT_EQ(GAVE_UP, RunDialog(dialog.data(), SHIDIF_SIZEDLGFULLSCREEN));
    EXPECT_EQ(NULL, Seen.ok);
}

TEST(ShellDialog, OkStyleOfTemplateGivesOkAndNeverReachesDesktop)
{
    std::vector<DWORD> dialog = MakeDialogTemplate(WS_POPUP | WS_VISIBLE, WS_EX_CAPTIONOKBTN, 100, 80);
    EXPECT_EQ(IDOK, RunDialog(dialog.data(), 0));
    EXPECT_FALSE(Seen.exStyle & WS_EX_CAPTIONOKBTN);
    // The caller's template stays as it was.
    EXPECT_TRUE(((DLGTEMPLATE *)dialog.data())->dwExtendedStyle & WS_EX_CAPTIONOKBTN);
}

// Templates with a font and a control, plain and extended: the copy that
// drops the ok style must take the controls along.
static void Put(std::vector<WORD> *words, const wchar_t *text)
{
    do
        words->push_back(*text);
    while (*text++);
}

static void PutDword(std::vector<WORD> *words, DWORD value)
{
    words->push_back(LOWORD(value));
    words->push_back(HIWORD(value));
}

static std::vector<WORD> TemplateWithButton(bool extended)
{
    std::vector<WORD> words;
    DWORD style = WS_POPUP | WS_VISIBLE | DS_SETFONT;
    if (extended) {
        words = {1, 0xFFFF};
        PutDword(&words, 0);
        PutDword(&words, WS_EX_CAPTIONOKBTN);
        PutDword(&words, style);
    } else {
        PutDword(&words, style);
        PutDword(&words, WS_EX_CAPTIONOKBTN);
    }
    words.insert(words.end(), {1, 0, 0, 100, 80, 0, 0});
    Put(&words, L"Title");
    words.push_back(8);
    if (extended)
        words.insert(words.end(), {FW_NORMAL, 0});
    Put(&words, L"Tahoma");
    if (words.size() % 2)
        words.push_back(0);
    if (extended) {
        PutDword(&words, 0);
        PutDword(&words, 0);
        PutDword(&words, WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON);
        words.insert(words.end(), {5, 5, 50, 14});
        PutDword(&words, IDC_TEST_BUTTON);
    } else {
        PutDword(&words, WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON);
        PutDword(&words, 0);
        words.insert(words.end(), {5, 5, 50, 14, IDC_TEST_BUTTON});
    }
    words.insert(words.end(), {0xFFFF, 0x0080});
    Put(&words, L"Press");
    words.push_back(0);
    return words;
}

TEST(ShellDialog, TemplateCopyKeepsControlsOfPlainAndExtendedTemplates)
{
    for (bool extended : {false, true}) {
        std::vector<WORD> words = TemplateWithButton(extended);
        std::vector<DWORD> aligned((words.size() + 1) / 2 + 1, 0);
        memcpy(aligned.data(), words.data(), words.size() * sizeof(WORD));
        EXPECT_EQ(words.size() * sizeof(WORD), DialogTemplateSize((LPCDLGTEMPLATEW)aligned.data()));
        EXPECT_EQ(IDOK, RunDialog(aligned.data(), 0)) << "extended " << extended;
        EXPECT_EQ(L"Press", Seen.buttonText);
        EXPECT_FALSE(Seen.exStyle & WS_EX_CAPTIONOKBTN);
    }
}

static UINT LastCommand;

static LRESULT CALLBACK RecordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_COMMAND)
        LastCommand = LOWORD(wParam);
    return DefWindowProcW(window, message, wParam, lParam);
}

static HWND MakeWindow(DWORD exStyle, LPCWSTR title, HWND owner)
{
    static ATOM registered;
    if (!registered) {
        WNDCLASSW windowClass = {};
        windowClass.lpfnWndProc = RecordingProc;
        windowClass.hInstance = GetModuleHandleW(NULL);
        windowClass.lpszClassName = L"CeTestWindow";
        registered = RegisterClassW(&windowClass);
    }
    return CeCreateWindowExW(exStyle, L"CeTestWindow", title, WS_POPUP | WS_VISIBLE, 0, 26, 240, 268, owner, NULL,
                             GetModuleHandleW(NULL), NULL);
}

TEST(WindowCalls, OkStyleOfWindowGivesOkThatSendsIdok)
{
    HWND window = MakeWindow(WS_EX_CAPTIONOKBTN, L"Main", NULL);
    ASSERT_TRUE(window);
    EXPECT_FALSE(GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_CAPTIONOKBTN);
    CeSetForegroundWindow(window);
    ASSERT_TRUE(PumpUntil([] { return NavOk() != NULL; }, 2000));
    LastCommand = 0;
    SendMessageW(NavOk(), BM_CLICK, 0, 0);
    EXPECT_EQ((UINT)IDOK, LastCommand);

    HWND plain = MakeWindow(0, L"Plain", NULL);
    CeSetForegroundWindow(plain);
    EXPECT_TRUE(PumpUntil([] { return NavOk() == NULL; }, 2000));
    DestroyWindow(plain);
    DestroyWindow(window);
}

// The viewer's main window is made with WS_VISIBLE alone, as on the device,
// where such a window has no frame: its title belongs to the navigation bar.
TEST(WindowCalls, TopLevelWindowWithoutPopupStyleHasNoCaption)
{
    MakeWindow(0, L"Unused", NULL);
    HWND window = CeCreateWindowExW(WS_EX_CAPTIONOKBTN, L"CeTestWindow", L"Main", WS_VISIBLE, 0, 0, 0, 0, NULL, NULL,
                                    GetModuleHandleW(NULL), NULL);
    ASSERT_TRUE(window);
    EXPECT_FALSE(GetWindowLongW(window, GWL_STYLE) & WS_CAPTION);
    RECT frame;
    GetWindowRect(window, &frame);
    EXPECT_EQ(0, frame.right - frame.left);
    EXPECT_EQ(0, frame.bottom - frame.top);
    DestroyWindow(window);
}

TEST(WindowCalls, LowBitBringsOwnedWindowForward)
{
    HWND owner = MakeWindow(0, L"Owner", NULL);
    HWND owned = MakeWindow(0, L"Owned", owner);
    HWND other = MakeWindow(0, L"Other", NULL);
    CeSetForegroundWindow(other);
    PumpFor(100);
    ASSERT_EQ(other, GetForegroundWindow());

    CeSetForegroundWindow((HWND)((ULONG_PTR)owner | 1));
    PumpFor(100);
    EXPECT_EQ(owned, GetForegroundWindow());
    HWND above = owned;
    while (above && above != other)
        above = GetWindow(above, GW_HWNDNEXT);
    EXPECT_EQ(other, above) << "the owned window is above the other one";

    CeSetForegroundWindow(other);
    PumpFor(100);
    CeSetForegroundWindow(owner);
    PumpFor(100);
    EXPECT_EQ(owner, GetForegroundWindow());
    DestroyWindow(other);
    DestroyWindow(owned);
    DestroyWindow(owner);
}

static std::string DebugState(HWND owner)
{
    WCHAR title[64] = L"";
    GetWindowTextW(FindOwnTopWindow(L"CeNavBar"), title, 64);
    char text[300];
    snprintf(text, sizeof text, "title %ls ok %p active %p foreground %p owner %p", title, (void *)NavOk(),
             (void *)GetActiveWindow(), (void *)GetForegroundWindow(), (void *)owner);
    return text;
}

TEST(WindowCalls, OkServesTheOwnerAgainOnceItsDialogIsDone)
{
    HWND owner = MakeWindow(WS_EX_CAPTIONOKBTN, L"Owner With Ok", NULL);
    CeSetForegroundWindow(owner);
    PumpFor(100);
    std::vector<DWORD> dialog = MakeDialogTemplate(WS_POPUP | WS_VISIBLE, 0, 100, 80);
    EXPECT_EQ(IDOK, RunDialog(dialog.data(), SHIDIF_DONEBUTTON | SHIDIF_SIZEDLGFULLSCREEN, owner));
    EXPECT_EQ(L"Test Dialog", Seen.barTitle);

    ASSERT_TRUE(PumpUntil([] {
        WCHAR title[64] = L"";
        GetWindowTextW(FindOwnTopWindow(L"CeNavBar"), title, 64);
        return NavOk() && !lstrcmpW(title, L"Owner With Ok");
    }, 5000)) << DebugState(owner);
    LastCommand = 0;
    SendMessageW(NavOk(), BM_CLICK, 0, 0);
    EXPECT_EQ((UINT)IDOK, LastCommand);
    DestroyWindow(owner);
}
