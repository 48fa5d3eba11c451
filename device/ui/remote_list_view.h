// Reading another process's list view: its messages take pointers, so the
// structures go through memory allocated in that process.
#pragma once
#include <windows.h>
#include <string>

// Appends "columns" and "rows" members (with a leading comma) for LIST.
void AppendListView(std::string &out, HWND list);
