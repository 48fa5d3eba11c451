// The links and buttons of another process's HTML view, with what a tap on
// each would report.
#pragma once
#include <windows.h>
#include <string>

// Appends a "links" member (with a leading comma): each hotspot's target and
// its screen rectangle.
void AppendHtmlLinks(std::string &out, HWND view);
