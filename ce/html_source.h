// The HTML that the view control renders, read into a flat list of words,
// spaces, breaks and buttons, each with its style.
#pragma once
#include <windows.h>
#include <string>
#include <vector>
#include <algorithm>

enum HtmlItemKind { HTML_WORD, HTML_SPACE, HTML_LINE_BREAK, HTML_PARAGRAPH, HTML_BUTTON };
enum HtmlAlign { HTML_ALIGN_LEFT, HTML_ALIGN_CENTER, HTML_ALIGN_RIGHT };

// Font bits of an item.
#define HTML_FONT_BOLD 1
#define HTML_FONT_HEADING 2
#define HTML_FONT_UNDERLINE 4
#define HTML_FONT_COUNT 8

#define HTML_TEXT_COLOUR RGB(0, 0, 0)
#define HTML_LINK_COLOUR RGB(0, 0, 255)
#define HTML_NO_TARGET (-1)

typedef struct tagHTML_ITEM {
    HtmlItemKind kind;
    std::wstring text;
    int font;
    COLORREF colour;
    int target;       // index into the targets, or HTML_NO_TARGET
    HtmlAlign align;  // of the lines that follow a paragraph edge
} HTML_ITEM;

// A named place, <a name=...>, before the item of that index.
typedef struct tagHTML_ANCHOR {
    std::wstring name;
    size_t item;
} HTML_ANCHOR;

typedef struct tagHTML_DOCUMENT {
    std::vector<HTML_ITEM> items;
    std::vector<std::wstring> targets; // link hrefs and button names
    std::vector<HTML_ANCHOR> anchors;  // in document order
} HTML_DOCUMENT;

void ReadHtml(const std::wstring &source, HTML_DOCUMENT *document);
