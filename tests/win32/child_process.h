// Running other programs from Win32 tests: the emulated device's programs
// from the build tree, or copies of the test itself as a second process.
#pragma once
#include <windows.h>
#include <string>

// A program of the build tree's device folder, in Windows form.
std::wstring DeviceProgramPath(const wchar_t *program);
// This test program's own path.
std::wstring OwnProgramPath();

// Starts a program with the arguments (its own name is put first) and the
// show command for its first window; the result's hProcess is null when it
// could not be started.
PROCESS_INFORMATION StartProgram(const std::wstring &path, const std::wstring &arguments,
                                 WORD showCommand = SW_SHOWNORMAL);
// Runs this test program as a child limited to one test and returns its
// exit code (0 when that test passed), or -1 when it did not end in time.
int RunOwnTest(const std::wstring &program, const wchar_t *testName, DWORD timeoutMs);
// Ends a started program and closes its handles.
void EndProgram(PROCESS_INFORMATION &process);
// Waits until the process has a top-level window of that class.
HWND WaitForProcessWindow(DWORD processId, const wchar_t *className, DWORD timeoutMs);
// Waits until the file is held open elsewhere without read sharing.
bool WaitUntilFileLocked(const std::wstring &path, DWORD timeoutMs);
