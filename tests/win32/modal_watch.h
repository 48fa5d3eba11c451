// Acting on a modal window from a second thread while the test's own
// thread runs that window's message loop.
#pragma once
#include <windows.h>
#include <functional>
#include <thread>
#include <vector>

// Waits up to timeoutMs for a visible top-level window of `thread` that
// holds a control with id `controlId`, then calls act with it. Returns the
// watching thread; *found tells afterwards whether the window came.
std::thread WatchForDialog(DWORD thread, int controlId, int timeoutMs, std::function<void(HWND)> act, bool *found);

// A control drawn into a bitmap, as 0x00RRGGBB pixels.
struct Snapshot {
    int width;
    int height;
    std::vector<DWORD> pixels;
};
Snapshot PrintControl(HWND control);
int CountPixels(const Snapshot &snapshot, DWORD rgb);
