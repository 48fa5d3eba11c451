// Finding a handle left open: the handles a process gets next are the
// lowest free ones, so one left open in between changes them.
#pragma once
#include <windows.h>
#include <vector>

std::vector<HANDLE> NextHandles();
