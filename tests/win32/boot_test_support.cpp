#include "boot_test_support.h"
#include <string>

static const DWORD ChildTimeout = 60000;
static const WCHAR ChildDoneMark[] = L"C:\\gallimaw-child-done";

void UseDeviceDrive()
{
    SetCurrentDirectoryW(L"C:\\");
}

void CreateDeviceFolders(const std::wstring &folder)
{
    for (size_t end = folder.find(L'\\', 1); end != std::wstring::npos; end = folder.find(L'\\', end + 1))
        CreateDirectoryW(folder.substr(0, end).c_str(), NULL);
}

DWORD RunCopiedTest(const std::wstring &folder, const wchar_t *test)
{
    WCHAR self[MAX_PATH];
    GetModuleFileNameW(NULL, self, MAX_PATH);
    std::wstring name = self;
    std::wstring copy = folder + name.substr(name.rfind(L'\\') + 1);
    CreateDeviceFolders(folder);
    if (!CopyFileW(self, copy.c_str(), FALSE))
        return GetLastError();
    std::wstring command = L"\"" + copy + L"\" --gtest_also_run_disabled_tests --gtest_filter=" + test;
    STARTUPINFOW startup = {sizeof(startup)};
    PROCESS_INFORMATION process;
    DeleteFileW(ChildDoneMark);
    if (!CreateProcessW(copy.c_str(), &command[0], NULL, NULL, FALSE, 0, NULL, L"C:\\", &startup, &process))
        return GetLastError();
    DWORD code = STILL_ACTIVE;
    if (WaitForSingleObject(process.hProcess, ChildTimeout) == WAIT_OBJECT_0)
        GetExitCodeProcess(process.hProcess, &code);
    else
        TerminateProcess(process.hProcess, 1);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    DeleteFileW(copy.c_str());
    if (!DeleteFileW(ChildDoneMark) && code == 0)
        return ERROR_NOT_FOUND;
    return code;
}

void ChildTestDone()
{
    CloseHandle(CreateFileW(ChildDoneMark, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL));
}
