// The whole device screen as a 24-bit BMP file.
#pragma once
#include <windows.h>

// Returns 0 when the file was written.
int SaveScreenshot(const WCHAR *path);
