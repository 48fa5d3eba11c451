// Shared by the boot tests: the device's current drive and running a copy
// of the test program from another folder of the device.
#pragma once
#include <windows.h>
#include <string>

// Device paths have no drive letter; they resolve against C: as on the
// emulated device.
void UseDeviceDrive();
// Creates every folder of a device path that ends in a backslash.
void CreateDeviceFolders(const std::wstring &folder);
// Copies this test program into folder and runs the given test there (a
// disabled one, so it runs only when asked for); returns its exit code, or
// ERROR_NOT_FOUND when the test did not reach ChildTestDone.
DWORD RunCopiedTest(const std::wstring &folder, const wchar_t *test);
// Called by such a test at its end, so that a misspelt filter that runs
// nothing does not pass.
void ChildTestDone();
