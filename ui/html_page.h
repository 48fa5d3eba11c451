// The viewer's HTML pages: a full-screen dialog holding one HTML view,
// its source sent in fragments.
#pragma once
#include <windows.h>

// Fills the page's HTML view with fragments; context is BuildHtmlPage's.
typedef void (*HtmlPageFill)(HWND view, LPARAM context);

// Sets dlg up full screen and lays an HTML view into its client area,
// inset by margins, then sends it the whole source that fill adds.
void BuildHtmlPage(HWND dlg, const RECT *margins, HtmlPageFill fill, LPARAM context);
// Markup, sent as it is.
void AddPageText(HWND view, LPCWSTR text);
// A value from an index file or the registry, sent escaped so that it
// shows as text.
void AddEscapedText(HWND view, LPCWSTR text);
