#include "child_process.h"
#include <cstdlib>
#include <vector>

static const DWORD PollInterval = 20;

std::wstring DeviceProgramPath(const wchar_t *program)
{
    const wchar_t *build = _wgetenv(L"GALLIMAW_BUILD");
    std::wstring path = build ? build : L".";
    // Wine shows the Linux root as drive Z:.
    if (!path.empty() && path[0] == L'/')
        path = L"Z:" + path;
    for (auto &c : path)
        if (c == L'/')
            c = L'\\';
    return path + L"\\device\\" + program;
}

std::wstring OwnProgramPath()
{
    std::vector<wchar_t> path(32768);
    DWORD length = GetModuleFileNameW(NULL, path.data(), (DWORD)path.size());
    return std::wstring(path.data(), length);
}

PROCESS_INFORMATION StartProgram(const std::wstring &path, const std::wstring &arguments, WORD showCommand)
{
    std::wstring commandLine = L"\"" + path + L"\"";
    if (!arguments.empty())
        commandLine += L" " + arguments;
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = showCommand;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(path.c_str(), &commandLine[0], NULL, NULL, FALSE, 0, NULL, NULL, &startup, &process))
        process = PROCESS_INFORMATION{};
    return process;
}

int RunOwnTest(const std::wstring &program, const wchar_t *testName, DWORD timeoutMs)
{
    PROCESS_INFORMATION process = StartProgram(program, std::wstring(L"--gtest_filter=") + testName);
    if (!process.hProcess)
        return -1;
    DWORD code = (DWORD)-1;
    if (WaitForSingleObject(process.hProcess, timeoutMs) == WAIT_OBJECT_0)
        GetExitCodeProcess(process.hProcess, &code);
    EndProgram(process);
    return (int)code;
}

void EndProgram(PROCESS_INFORMATION &process)
{
    if (process.hProcess) {
        if (WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT) {
            TerminateProcess(process.hProcess, 1);
            WaitForSingleObject(process.hProcess, INFINITE);
        }
        CloseHandle(process.hProcess);
    }
    if (process.hThread)
        CloseHandle(process.hThread);
    process = PROCESS_INFORMATION{};
}

struct WindowSearch {
    DWORD processId;
    const wchar_t *className;
    HWND found;
};

static BOOL CALLBACK MatchWindow(HWND hwnd, LPARAM context)
{
    auto *search = reinterpret_cast<WindowSearch *>(context);
    DWORD processId = 0;
    GetWindowThreadProcessId(hwnd, &processId);
    wchar_t className[256] = {};
    GetClassNameW(hwnd, className, 256);
    if (processId == search->processId && wcscmp(className, search->className) == 0) {
        search->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

HWND WaitForProcessWindow(DWORD processId, const wchar_t *className, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    do {
        WindowSearch search = { processId, className, NULL };
        EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
        if (search.found)
            return search.found;
        Sleep(PollInterval);
    } while (GetTickCount() - start < timeoutMs);
    return NULL;
}

bool WaitUntilFileLocked(const std::wstring &path, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    do {
        HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
        if (file == INVALID_HANDLE_VALUE && GetLastError() == ERROR_SHARING_VIOLATION)
            return true;
        if (file != INVALID_HANDLE_VALUE)
            CloseHandle(file);
        Sleep(PollInterval);
    } while (GetTickCount() - start < timeoutMs);
    return false;
}
