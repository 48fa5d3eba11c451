// The soft-reset request as the user meets it: the storage-card guard, the
// two message boxes answered by a second thread, and what each answer
// leaves in the init key and the StartUp folder.
#include <gtest/gtest.h>
#include <string>
#include "ce/pocketpc.h"
#include "ce/device_contract.h"
#include "ce/device_screen.h"
#include "app/app_values.h"
#include "boot/soft_reset.h"
#include "boot/storage_card.h"
#include "boot_test_support.h"
#include "child_process.h"
#include "modal_watch.h"

static const wchar_t CardsKey[] = DEVICE_WIDE(DEVICE_STORAGE_CARDS_KEY);
static const wchar_t Shortcut[] = DEVICE_WIDE(DEVICE_STARTUP_FOLDER "\\Gallimaw View.lnk");
static const wchar_t ChildVariable[] = L"GALLIMAW_SOFT_RESET_CHILD";
static const wchar_t CardText[] = L"To be accessible during soft reset program should be installed into main memory";
static const wchar_t QuestionText[] = L"To access the data soft reset is required. Are you going to proceed?";
static const int BoxWait = 20000;
static const int NoBoxWait = 1000;
static const int ChildClickDelay = 500;
// The static control that holds a message box's text.
static const int BoxTextId = 0xFFFF;
static const int BoxIconId = 0x440;

static void AddCard(const wchar_t *name)
{
    CreateDirectoryW((std::wstring(L"C:\\") + name).c_str(), NULL);
    HKEY key;
    RegCreateKeyExW(HKEY_LOCAL_MACHINE, CardsKey, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &key, NULL);
    RegSetValueExW(key, name, 0, REG_SZ, (const BYTE *)L"", sizeof(WCHAR));
    RegCloseKey(key);
}

static void RemoveCards()
{
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, CardsKey);
}

static std::wstring InitValues()
{
    std::wstring all;
    HKEY key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"init", 0, KEY_READ, &key) != ERROR_SUCCESS)
        return all;
    for (DWORD index = 0;; index++) {
        WCHAR name[300], data[1024] = L"";
        DWORD nameLength = 300, size = sizeof(data) - sizeof(WCHAR);
        if (RegEnumValueW(key, index, name, &nameLength, NULL, NULL, (BYTE *)data, &size) != ERROR_SUCCESS)
            break;
        all += std::wstring(name) + L"=" + data + L";";
    }
    RegCloseKey(key);
    return all;
}

// The data of one init value as bytes, or "(none)".
static std::string InitData(const wchar_t *name)
{
    BYTE data[1024];
    DWORD size = sizeof(data);
    if (RegGetValueW(HKEY_LOCAL_MACHINE, L"init", name, RRF_RT_ANY, NULL, data, &size) != ERROR_SUCCESS)
        return "(none)";
    return std::string((const char *)data, size);
}

static const BYTE ShellDepend[] = {0x14, 0x00, 0x1E, 0x00};

// The program's entry just below the shell's: its own path, waiting for
// what the shell waits for.
static void ExpectRegistered()
{
    std::wstring path = OwnProgramPath();
    EXPECT_EQ(std::string((const char *)path.c_str(), (path.size() + 1) * sizeof(wchar_t)), InitData(L"Launch49"));
    EXPECT_EQ(std::string((const char *)ShellDepend, sizeof(ShellDepend)), InitData(L"Depend49"));
}

static bool ShortcutExists()
{
    return GetFileAttributesW(Shortcut) != INVALID_FILE_ATTRIBUTES;
}

// Wine gives a box of MB_TOPMOST no mark that another window can see, so
// that part of the style is not checked.
struct Box {
    std::wstring text;
    std::wstring caption;
    HICON icon;
    bool yesNo;
    bool fitsTheScreen;
};

static bool ShowsButton(HWND box, int id)
{
    HWND button = GetDlgItem(box, id);
    return button && IsWindowVisible(button);
}

static bool Contains(const RECT &outer, const RECT &inner)
{
    RECT both;
    return IntersectRect(&both, &outer, &inner) && EqualRect(&both, &inner);
}

// The box lies on the device's screen, and its text control, inside the
// box, is tall enough for every line of the text wrapped at its width.
static bool FitsTheScreen(HWND box, const WCHAR *text)
{
    RECT screen = {0, 0, DEVICE_SCREEN_WIDTH, DEVICE_SCREEN_HEIGHT}, window, shown;
    HWND control = GetDlgItem(box, BoxTextId);
    GetWindowRect(box, &window);
    GetWindowRect(control, &shown);
    RECT needed = {0, 0, shown.right - shown.left, 0};
    HDC dc = GetDC(control);
    HGDIOBJ font = SelectObject(dc, (HFONT)SendMessageW(control, WM_GETFONT, 0, 0));
    DrawTextW(dc, text, -1, &needed, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
    SelectObject(dc, font);
    ReleaseDC(control, dc);
    return Contains(screen, window) && Contains(window, shown) && needed.bottom <= shown.bottom - shown.top;
}

static Box ReadBox(HWND box)
{
    WCHAR text[256] = L"", caption[256] = L"";
    GetDlgItemTextW(box, BoxTextId, text, 256);
    GetWindowTextW(box, caption, 256);
    return {text, caption, (HICON)SendDlgItemMessageW(box, BoxIconId, STM_GETICON, 0, 0),
            ShowsButton(box, IDYES) && ShowsButton(box, IDNO) && !ShowsButton(box, IDOK), FitsTheScreen(box, text)};
}

// Reads the box of that thread and answers it with the button after a
// while, so that another process watching can see the box too.
static std::thread AnswerBox(DWORD thread, int waitMs, int button, Box *seen, bool *found, int delayMs = 0)
{
    int control = button == IDOK ? IDOK : IDYES;
    return WatchForDialog(thread, control, waitMs, [=](HWND box) {
        *seen = ReadBox(box);
        Sleep(delayMs);
        PostMessageW(GetDlgItem(box, button), BM_CLICK, 0, 0);
    }, found);
}

class SoftResetRequest : public testing::Test {
protected:
    void SetUp() override
    {
        UseDeviceDrive();
        FormAppNames();
        RemoveCards();
        DeleteFileW(Shortcut);
        CreateDeviceFolders(DEVICE_WIDE(DEVICE_STARTUP_FOLDER "\\"));
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"init");
        HKEY key;
        RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"init", 0, NULL, 0, KEY_ALL_ACCESS, NULL, &key, NULL);
        RegSetValueExW(key, L"Launch50", 0, REG_SZ, (const BYTE *)L"shell32.exe", sizeof(L"shell32.exe"));
        RegSetValueExW(key, L"Depend50", 0, REG_BINARY, ShellDepend, sizeof(ShellDepend));
        RegCloseKey(key);
        device = InitValues();
    }
    void TearDown() override
    {
        RemoveCards();
        DeleteFileW(Shortcut);
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"init");
    }
    std::wstring device;
};

TEST_F(SoftResetRequest, StorageCardsAreFoundByTheirFolderName)
{
    EXPECT_FALSE(IsOnStorageCard(L"Windows\\gallimaw-view.exe"));
    EXPECT_FALSE(IsOnStorageCard(L"Card\\gallimaw-view.exe"));

    AddCard(L"Card");
    EXPECT_TRUE(IsOnStorageCard(L"CARD\\gallimaw-view.exe"));
    EXPECT_TRUE(IsOnStorageCard(L"Card2\\gallimaw-view.exe"));
    EXPECT_FALSE(IsOnStorageCard(L"Windows\\gallimaw-view.exe"));

    AddCard(L"Storage Card");
    EXPECT_TRUE(IsOnStorageCard(L"storage card\\Program Files\\gallimaw-view.exe"));
    EXPECT_TRUE(IsOnStorageCard(L"Card\\gallimaw-view.exe"));
    EXPECT_FALSE(IsOnStorageCard(L"Program Files\\gallimaw-view.exe"));
}

// The program copied onto a card and asked there, as a user would run it;
// the copy answers its own box, this process watches it come and go.
TEST_F(SoftResetRequest, OnACardOnlyTheCardMessageShows)
{
    AddCard(L"Card");
    std::wstring copy = CopyOwnProgram(L"\\Card\\Gallimaw View\\");
    ASSERT_FALSE(copy.empty());
    SetEnvironmentVariableW(ChildVariable, L"1");
    PROCESS_INFORMATION child = StartProgram(copy, L"--gtest_filter=SoftResetChild.ShowsTheCardMessage");
    SetEnvironmentVariableW(ChildVariable, NULL);
    ASSERT_TRUE(child.hProcess);

    std::wstring text;
    bool found;
    WatchForDialog(child.dwThreadId, IDOK, BoxWait, [&](HWND box) { text = ReadBox(box).text; }, &found).join();
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(child.hProcess, BoxWait));
    DWORD code = 1;
    GetExitCodeProcess(child.hProcess, &code);
    EndProgram(child);
    DeleteFileW(copy.c_str());

    EXPECT_EQ(0u, code);
    EXPECT_TRUE(found);
    EXPECT_EQ(CardText, text);
    EXPECT_EQ(device, InitValues());
    EXPECT_FALSE(ShortcutExists());
}

TEST(SoftResetChild, ShowsTheCardMessage)
{
    if (!_wgetenv(ChildVariable))
        GTEST_SKIP() << "runs only in a copy started by another test";
    UseDeviceDrive();
    FormAppNames();
    Box seen = {};
    bool found;
    std::thread answer = AnswerBox(GetCurrentThreadId(), BoxWait, IDOK, &seen, &found, ChildClickDelay);
    BeginSoftReset(NULL, TRUE, AppTitle, AppClassName);
    answer.join();

    EXPECT_TRUE(found);
    EXPECT_EQ(CardText, seen.text);
    EXPECT_EQ(L"Orrenby Gallimaw View", seen.caption);
    EXPECT_EQ(LoadIconW(NULL, IDI_HAND), seen.icon);
    EXPECT_FALSE(seen.yesNo);
    EXPECT_TRUE(seen.fitsTheScreen);
}

TEST_F(SoftResetRequest, AnsweringNoChangesNothing)
{
    Box seen = {};
    bool found;
    std::thread answer = AnswerBox(GetCurrentThreadId(), BoxWait, IDNO, &seen, &found);
    BeginSoftReset(NULL, TRUE, AppTitle, AppClassName);
    answer.join();

    EXPECT_TRUE(found);
    EXPECT_EQ(QuestionText, seen.text);
    EXPECT_EQ(L"Gallimaw View", seen.caption);
    EXPECT_EQ(LoadIconW(NULL, IDI_EXCLAMATION), seen.icon);
    EXPECT_TRUE(seen.yesNo);
    EXPECT_TRUE(seen.fitsTheScreen);
    EXPECT_EQ(device, InitValues());
    EXPECT_FALSE(ShortcutExists());
}

// Outside the device the reset itself is refused, so the call returns.
TEST_F(SoftResetRequest, AnsweringYesRegistersWithTheWaitCursor)
{
    SetCursor(LoadCursorW(NULL, IDC_ARROW));
    Box seen = {};
    bool found;
    std::thread answer = AnswerBox(GetCurrentThreadId(), BoxWait, IDYES, &seen, &found);
    BeginSoftReset(NULL, TRUE, AppTitle, AppClassName);
    answer.join();

    EXPECT_TRUE(found);
    EXPECT_EQ(LoadCursorW(NULL, IDC_WAIT), GetCursor());
    ExpectRegistered();
    EXPECT_TRUE(ShortcutExists());

    RemoveBootRegistration(AppTitle);
    EXPECT_EQ(device, InitValues());
    EXPECT_FALSE(ShortcutExists());
}

TEST_F(SoftResetRequest, FromTheMenuNothingIsAsked)
{
    SetCursor(LoadCursorW(NULL, IDC_ARROW));
    Box seen = {};
    bool found;
    std::thread answer = AnswerBox(GetCurrentThreadId(), NoBoxWait, IDNO, &seen, &found);
    BeginSoftReset(NULL, FALSE, AppTitle, AppClassName);
    answer.join();

    EXPECT_FALSE(found);
    EXPECT_EQ(LoadCursorW(NULL, IDC_ARROW), GetCursor());
    ExpectRegistered();
    EXPECT_TRUE(ShortcutExists());
}

TEST_F(SoftResetRequest, RemovingWithoutARegistrationChangesNothing)
{
    RemoveBootRegistration(AppTitle);
    EXPECT_EQ(device, InitValues());
    EXPECT_FALSE(ShortcutExists());
}

// With the device's kernel present the reset is asked for and the call
// never returns; the child is ended once the device has seen the request.
TEST(SoftReset, AsksTheDeviceToRestart)
{
    HANDLE kernel = CreateMutexW(NULL, FALSE, DEVICE_WIDE(DEVICE_KERNEL_MUTEX));
    HANDLE reset = CreateEventW(NULL, TRUE, FALSE, DEVICE_WIDE(DEVICE_RESET_EVENT));
    ResetEvent(reset);
    SetEnvironmentVariableW(ChildVariable, L"1");
    PROCESS_INFORMATION child = StartProgram(OwnProgramPath(), L"--gtest_filter=SoftResetChild.Resets");
    SetEnvironmentVariableW(ChildVariable, NULL);
    ASSERT_TRUE(child.hProcess);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(reset, BoxWait));
    EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(child.hProcess, 0));
    EndProgram(child);
    CloseHandle(reset);
    CloseHandle(kernel);
}

TEST(SoftResetChild, Resets)
{
    if (!_wgetenv(ChildVariable))
        GTEST_SKIP() << "runs only in a copy started by another test";
    SoftReset();
}
