// Lines of the HTML view: the document's items placed at a width, word
// wrapped, in document coordinates (y grows down from the top of the
// document, not of the window).
#pragma once
#include "ce/html_source.h"

#define HTML_MARGIN 3

typedef struct tagHTML_BOX {
    RECT rc;
    std::wstring text;
    int font;
    COLORREF colour;
    int target;
    BOOL button;
} HTML_BOX;

// A tappable area: a button, or one line's part of a link.
typedef struct tagHTML_SPOT {
    RECT rc;
    int target;
} HTML_SPOT;

typedef struct tagHTML_LAYOUT {
    std::vector<HTML_BOX> boxes;
    std::vector<HTML_SPOT> spots;
    std::vector<int> anchorTops; // one per anchor of the document
    int height;
} HTML_LAYOUT;

HFONT GetHtmlFont(int font);
// The advance of each character of text in the DC's font, as it is drawn.
void MeasureCharacters(HDC dc, const std::wstring &text, std::vector<int> *advances);
void LayOutHtml(const HTML_DOCUMENT *document, HDC dc, int width, HTML_LAYOUT *layout);
