#include "ce/html_layout.h"

#define TEXT_HEIGHT 12
#define HEADING_HEIGHT 15
#define BUTTON_PADDING_X 8
#define BUTTON_PADDING_Y 3
#define HTML_FACE L"Tahoma"

static HFONT HtmlFonts[HTML_FONT_COUNT];

HFONT GetHtmlFont(int font)
{
    if (HtmlFonts[font])
        return HtmlFonts[font];
    LOGFONTW logFont = {};
    logFont.lfHeight = -((font & HTML_FONT_HEADING) ? HEADING_HEIGHT : TEXT_HEIGHT);
    logFont.lfWeight = (font & HTML_FONT_BOLD) ? FW_BOLD : FW_NORMAL;
    logFont.lfUnderline = (font & HTML_FONT_UNDERLINE) != 0;
    logFont.lfCharSet = DEFAULT_CHARSET;
    lstrcpyW(logFont.lfFaceName, HTML_FACE);
    HtmlFonts[font] = CreateFontIndirectW(&logFont);
    return HtmlFonts[font];
}

// Where the next box goes, and the boxes of the line being filled.
typedef struct tagLINE_STATE {
    HTML_LAYOUT *layout;
    HDC dc;
    int left, right;
    int x, y;
    size_t first;     // first box of the current line
    int ascent, descent;
    BOOL spaceBefore; // a space waits to go before the next box
    BOOL gapAbove;    // a paragraph gap is already there
} LINE_STATE;

static void MeasureFont(HDC dc, int font, TEXTMETRICW *metrics)
{
    SelectObject(dc, GetHtmlFont(font));
    GetTextMetricsW(dc, metrics);
}

// Small sizes of a font may be drawn from bitmaps whose advances differ
// from its outline metrics, which GetTextExtentPoint32 gives under Wine:
// each character is measured by the glyph it is drawn with.
void MeasureCharacters(HDC dc, const std::wstring &text, std::vector<int> *advances)
{
    static const MAT2 identity = {{0, 1}, {0, 0}, {0, 0}, {0, 1}};
    advances->resize(text.size());
    for (size_t i = 0; i < text.size(); i++) {
        GLYPHMETRICS glyph;
        if (GetGlyphOutlineW(dc, text[i], GGO_BITMAP, &glyph, 0, NULL, &identity) == GDI_ERROR) {
            SIZE size = {};
            GetTextExtentPoint32W(dc, &text[i], 1, &size);
            glyph.gmCellIncX = (short)size.cx;
        }
        (*advances)[i] = glyph.gmCellIncX;
    }
}

static int TextWidth(HDC dc, const std::wstring &text)
{
    std::vector<int> advances;
    MeasureCharacters(dc, text, &advances);
    int width = 0;
    for (int advance : advances)
        width += advance;
    return width;
}

static BOOL LineIsEmpty(const LINE_STATE *line)
{
    return line->first == line->layout->boxes.size();
}

// Places the line's boxes on a shared baseline and aligns the line.
static void EndLine(LINE_STATE *line, HtmlAlign align, int emptyHeight)
{
    std::vector<HTML_BOX> &boxes = line->layout->boxes;
    if (LineIsEmpty(line)) {
        line->y += emptyHeight;
        return;
    }
    int shift = line->right - line->x;
    if (align == HTML_ALIGN_LEFT || shift < 0)
        shift = 0;
    else if (align == HTML_ALIGN_CENTER)
        shift /= 2;
    int baseline = line->y + line->ascent;
    for (size_t i = line->first; i < boxes.size(); i++) {
        RECT *rc = &boxes[i].rc;
        OffsetRect(rc, shift, baseline);
    }
    line->y += line->ascent + line->descent;
    line->first = boxes.size();
    line->x = line->left;
    line->ascent = line->descent = 0;
    line->spaceBefore = FALSE;
    line->gapAbove = FALSE;
}

// Until EndLine sets the baseline a box's rectangle is relative to it.
static void PlaceBox(LINE_STATE *line, const HTML_ITEM *item, const std::wstring &text, int width,
                     const TEXTMETRICW *metrics, int padding)
{
    HTML_BOX box;
    box.text = text;
    box.font = item->font;
    box.colour = item->colour;
    box.target = item->target;
    box.button = item->kind == HTML_BUTTON;
    int ascent = metrics->tmAscent + padding, descent = metrics->tmDescent + padding;
    SetRect(&box.rc, line->x, -ascent, line->x + width, descent);
    line->layout->boxes.push_back(box);
    line->x += width;
    line->ascent = std::max(line->ascent, ascent);
    line->descent = std::max(line->descent, descent);
    line->spaceBefore = FALSE;
}

// Characters of text, from the start, that fit in width (at least one).
static int FittingCharacters(HDC dc, const std::wstring &text, int width)
{
    std::vector<int> advances;
    MeasureCharacters(dc, text, &advances);
    int fit = 0;
    for (int used = 0; fit < (int)advances.size() && used + advances[fit] <= width; fit++)
        used += advances[fit];
    return std::max(fit, 1);
}

static void AddWord(LINE_STATE *line, const HTML_ITEM *item, HtmlAlign align)
{
    TEXTMETRICW metrics;
    MeasureFont(line->dc, item->font, &metrics);
    BOOL button = item->kind == HTML_BUTTON;
    int padding = button ? BUTTON_PADDING_Y : 0;
    std::wstring text = item->text;
    for (;;) {
        int width = TextWidth(line->dc, text) + (button ? 2 * BUTTON_PADDING_X : 0);
        int space = line->spaceBefore && !LineIsEmpty(line) ? TextWidth(line->dc, L" ") : 0;
        if (line->x + space + width > line->right && !LineIsEmpty(line)) {
            EndLine(line, align, 0);
            space = 0;
        }
        line->x += space;
        // A word wider than the whole line is cut where it reaches the edge.
        if (button || line->x + width <= line->right) {
            PlaceBox(line, item, text, width, &metrics, padding);
            return;
        }
        int fit = FittingCharacters(line->dc, text, line->right - line->x);
        if (fit >= (int)text.size()) {
            PlaceBox(line, item, text, width, &metrics, padding);
            return;
        }
        PlaceBox(line, item, text.substr(0, fit), TextWidth(line->dc, text.substr(0, fit)), &metrics, padding);
        text.erase(0, fit);
        EndLine(line, align, 0);
    }
}

static void AddParagraphGap(LINE_STATE *line, HtmlAlign align, int lineHeight)
{
    EndLine(line, align, 0);
    if (!line->gapAbove && line->y > HTML_MARGIN)
        line->y += lineHeight / 2;
    line->gapAbove = TRUE;
}

// An anchor lies at the top of the line that its item starts or joins.
static void MarkAnchors(const HTML_DOCUMENT *document, size_t item, LINE_STATE *line)
{
    std::vector<int> &tops = line->layout->anchorTops;
    while (tops.size() < document->anchors.size() && document->anchors[tops.size()].item == item)
        tops.push_back(line->y);
}

// Joins the boxes of one target on one line into one tappable area.
static void CollectSpots(HTML_LAYOUT *layout)
{
    layout->spots.clear();
    for (const HTML_BOX &box : layout->boxes) {
        if (box.target == HTML_NO_TARGET)
            continue;
        HTML_SPOT *last = layout->spots.empty() ? NULL : &layout->spots.back();
        if (last && !box.button && last->target == box.target && last->rc.top < box.rc.bottom &&
            box.rc.top < last->rc.bottom) {
            UnionRect(&last->rc, &last->rc, &box.rc);
            continue;
        }
        HTML_SPOT spot = {box.rc, box.target};
        layout->spots.push_back(spot);
    }
}

void LayOutHtml(const HTML_DOCUMENT *document, HDC dc, int width, HTML_LAYOUT *layout)
{
    layout->boxes.clear();
    LINE_STATE line = {};
    line.layout = layout;
    line.dc = dc;
    line.left = line.x = HTML_MARGIN;
    line.right = std::max(width - HTML_MARGIN, line.left + 1);
    line.y = HTML_MARGIN;
    HGDIOBJ oldFont = SelectObject(dc, GetHtmlFont(0));
    TEXTMETRICW metrics;
    MeasureFont(dc, 0, &metrics);
    int lineHeight = metrics.tmHeight;
    HtmlAlign align = HTML_ALIGN_LEFT;
    layout->anchorTops.clear();
    for (size_t i = 0; i < document->items.size(); i++) {
        const HTML_ITEM &item = document->items[i];
        MarkAnchors(document, i, &line);
        switch (item.kind) {
        case HTML_WORD:
        case HTML_BUTTON:
            AddWord(&line, &item, align);
            break;
        case HTML_SPACE:
            line.spaceBefore = TRUE;
            break;
        case HTML_LINE_BREAK:
            EndLine(&line, align, lineHeight);
            break;
        case HTML_PARAGRAPH:
            AddParagraphGap(&line, align, lineHeight);
            align = item.align;
            break;
        }
    }
    MarkAnchors(document, document->items.size(), &line);
    EndLine(&line, align, 0);
    layout->height = line.y + HTML_MARGIN;
    CollectSpots(layout);
    SelectObject(dc, oldFont);
}
