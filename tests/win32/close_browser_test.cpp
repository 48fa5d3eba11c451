// Closing the browser's main windows, with the device's browser stand-in
// and look-alikes running as separate processes.
#include "store/close_browser.h"
#include "ce/coredll.h"
#include "child_process.h"
#include "ce_test_support.h"
#include <gtest/gtest.h>
#include <chrono>
#include <cstdlib>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

const wchar_t TestFolder[] = L"C:\\gallimaw-browser-test";
const wchar_t ChildClassVariable[] = L"GALLIMAW_CHILD_WINDOW_CLASS";
const DWORD StartTimeout = 10000;
const std::chrono::milliseconds BrowserCloseWait(2000);

class CloseBrowserTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetCurrentDirectoryW(L"C:\\");
        fs::create_directories(fs::path(TestFolder));
    }

    void TearDown() override
    {
        for (auto &process : processes)
            EndProgram(process);
        std::error_code ignored;
        fs::remove_all(fs::path(TestFolder), ignored);
    }

    // Starts a program and waits for its window of the class.
    HWND Start(const std::wstring &path, const std::wstring &arguments, const wchar_t *className,
               WORD showCommand = SW_SHOWNORMAL)
    {
        processes.push_back(StartProgram(path, arguments, showCommand));
        if (!processes.back().hProcess)
            return NULL;
        return WaitForProcessWindow(processes.back().dwProcessId, className, StartTimeout);
    }

    // A copy of a program under another folder and name.
    static std::wstring CopyAs(const std::wstring &program, const wchar_t *folder, const wchar_t *name)
    {
        fs::path copy = fs::path(TestFolder) / folder / name;
        fs::create_directories(copy.parent_path());
        fs::copy_file(fs::path(program), copy);
        return copy.wstring();
    }

    std::vector<PROCESS_INFORMATION> processes;
};

TEST_F(CloseBrowserTest, BrowserWindowIsClosedAndFollowedByTheWait)
{
    const wchar_t address[] = L"http://example.test/page";
    // Hidden, so that no window manager's wait adds to the one measured.
    HWND browser = Start(DeviceProgramPath(L"iexplore.exe"), address, L"IExplore", SW_HIDE);
    ASSERT_TRUE(browser);
    wchar_t shown[256] = {};
    GetWindowTextW(FindWindowExW(browser, NULL, L"Static", NULL), shown, 256);
    EXPECT_STREQ(address, shown);

    auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(CloseBrowserWindowProc(browser, 0));
    EXPECT_GE(std::chrono::steady_clock::now() - start, BrowserCloseWait);
    EXPECT_FALSE(IsWindow(browser));
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(processes.back().hProcess, StartTimeout));
}

TEST_F(CloseBrowserTest, OtherImageNamesAndClassesAreLeftAlone)
{
    HWND upperCase = Start(CopyAs(DeviceProgramPath(L"iexplore.exe"), L"upper", L"IEXPLORE.EXE"), L"", L"IExplore");
    ASSERT_TRUE(upperCase);

    // A window of another class in a process whose image is iexplore.exe.
    SetEnvironmentVariableW(ChildClassVariable, L"IExploreOther");
    HWND otherClass = Start(CopyAs(OwnProgramPath(), L"lower", L"iexplore.exe"), L"--gtest_filter=BrowserLookAlike.*",
                            L"IExploreOther");
    SetEnvironmentVariableW(ChildClassVariable, NULL);
    ASSERT_TRUE(otherClass);

    EnumWindows(CloseBrowserWindowProc, 0);
    EXPECT_TRUE(IsWindow(upperCase));
    EXPECT_TRUE(IsWindow(otherClass));
}

// Run as a child by the test above; skipped on its own.
TEST(BrowserLookAlike, ShowsAWindowUntilEnded)
{
    const wchar_t *className = _wgetenv(ChildClassVariable);
    if (!className)
        GTEST_SKIP() << "runs only as a child of another test";
    WNDCLASSW wc = {};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(NULL);
    wc.lpszClassName = className;
    ASSERT_TRUE(RegisterClassW(&wc));
    ASSERT_TRUE(CreateWindowExW(0, className, L"Look-alike", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 100, 100, NULL,
                                NULL, wc.hInstance, NULL));
    PumpUntilQuit(INFINITE);
}

TEST_F(CloseBrowserTest, ProcessImagesAndModulesComeInTheDevicesForm)
{
    ASSERT_TRUE(Start(CopyAs(DeviceProgramPath(L"iexplore.exe"), L"upper", L"IEXPLORE.EXE"), L"", L"IExplore"));
    HMODULE byProcess = (HMODULE)(ULONG_PTR)processes.back().dwProcessId;
    wchar_t path[MAX_PATH] = {};
    const wchar_t expected[] = L"\\gallimaw-browser-test\\upper\\IEXPLORE.EXE";
    EXPECT_EQ(wcslen(expected), CeGetModuleFileNameW(byProcess, path, MAX_PATH));
    EXPECT_STREQ(expected, path);

    // Cut to the buffer, terminated, as for a module.
    EXPECT_EQ(8u, CeGetModuleFileNameW(byProcess, path, 8));
    EXPECT_STREQ(L"\\gallim", path);
    EXPECT_EQ((DWORD)ERROR_INSUFFICIENT_BUFFER, GetLastError());

    // This program lies outside drive C:, so its drive stays.
    EXPECT_GT(CeGetModuleFileNameW(NULL, path, MAX_PATH), 0u);
    EXPECT_EQ(OwnProgramPath(), path);
    EXPECT_GT(CeGetModuleFileNameW(GetModuleHandleW(L"kernel32.dll"), path, MAX_PATH), 0u);
    EXPECT_EQ(0, _wcsicmp(L"\\windows\\system32\\kernel32.dll", path));
}

} // namespace
