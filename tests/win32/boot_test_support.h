// Shared by the boot tests: the device's current drive and copies of the
// test program placed elsewhere on the device.
#pragma once
#include <windows.h>
#include <string>

// Device paths have no drive letter; the device starts its programs in C:\.
void UseDeviceDrive();
// Creates every folder of a device path that ends in a backslash.
void CreateDeviceFolders(const std::wstring &folder);
// Copies this test program into the folder; returns the copy's path, or
// an empty text when it could not be copied.
std::wstring CopyOwnProgram(const std::wstring &folder);
