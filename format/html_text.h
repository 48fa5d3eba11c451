// Text put into an HTML page as text, not markup. Portable: the viewer's
// pages and the HTML view's plain-text mode escape alike.
#pragma once
#include <stddef.h>

// The longest escape, "&quot;", takes six characters for one.
#define HTML_ESCAPE_GROWTH 6

// Writes text to escaped with "&", "<" and ">" (and '"' when quotes is
// set, for text that may end up in an attribute) as entities, and a
// terminator; escaped holds HTML_ESCAPE_GROWTH characters per character
// of text and one more. Returns the escaped length.
size_t EscapeHtml(const wchar_t *text, bool quotes, wchar_t *escaped);
