// Reading another process's list view: the list reader DLL (see
// device/list_reader/list_reader.h) is hooked into the list's thread and
// hands the whole list over through a mapping.
#pragma once
#include <windows.h>
#include <string>

// Appends "columns" and "rows" members (with a leading comma) for LIST;
// nothing when the list cannot be read.
void AppendListView(std::string &out, HWND list);
