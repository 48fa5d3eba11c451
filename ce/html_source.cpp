#include "ce/html_source.h"
#include <wchar.h>
#include <wctype.h>

typedef struct tagHTML_ATTRIBUTE {
    std::wstring name, value;
} HTML_ATTRIBUTE;

typedef struct tagHTML_TAG {
    std::wstring name; // lower case
    BOOL closing;
    std::vector<HTML_ATTRIBUTE> attributes;
} HTML_TAG;

// The reader's running style.
typedef struct tagHTML_STATE {
    HTML_DOCUMENT *document;
    int bold, heading;
    std::vector<COLORREF> colours;
    int link;
    HtmlAlign align;
    int title; // inside <title>, which names the page but is not shown
} HTML_STATE;

static const struct {
    const wchar_t *name;
    wchar_t character;
} NamedEntities[] = {{L"amp", L'&'}, {L"lt", L'<'}, {L"gt", L'>'}, {L"quot", L'"'}, {L"nbsp", 0xA0}, {L"apos", L'\''}};

static BOOL IsHtmlSpace(wchar_t c)
{
    return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n' || c == L'\f';
}

static BOOL DecodeEntity(const std::wstring &name, wchar_t *character)
{
    if (name.size() > 1 && name[0] == L'#') {
        BOOL hex = name[1] == L'x' || name[1] == L'X';
        const wchar_t *digits = name.c_str() + (hex ? 2 : 1);
        wchar_t *end;
        unsigned long value = wcstoul(digits, &end, hex ? 16 : 10);
        if (*end || end == digits || value == 0 || value > 0xFFFF)
            return FALSE;
        *character = (wchar_t)value;
        return TRUE;
    }
    for (const auto &entity : NamedEntities)
        if (name == entity.name) {
            *character = entity.character;
            return TRUE;
        }
    return FALSE;
}

// Decodes &amp; &lt; &gt; &quot; &nbsp; and numeric references.
static std::wstring DecodeEntities(const std::wstring &text)
{
    std::wstring decoded;
    size_t i = 0;
    while (i < text.size()) {
        size_t end = text[i] == L'&' ? text.find(L';', i) : std::wstring::npos;
        wchar_t character;
        if (end != std::wstring::npos && end - i <= 8 && DecodeEntity(text.substr(i + 1, end - i - 1), &character)) {
            decoded += character;
            i = end + 1;
        } else {
            decoded += text[i++];
        }
    }
    return decoded;
}

static int CurrentFont(const HTML_STATE *state)
{
    int font = 0;
    if (state->bold || state->heading)
        font |= HTML_FONT_BOLD;
    if (state->heading)
        font |= HTML_FONT_HEADING;
    if (state->link != HTML_NO_TARGET)
        font |= HTML_FONT_UNDERLINE;
    return font;
}

static COLORREF CurrentColour(const HTML_STATE *state)
{
    if (state->link != HTML_NO_TARGET)
        return HTML_LINK_COLOUR;
    return state->colours.empty() ? HTML_TEXT_COLOUR : state->colours.back();
}

static void AddItem(HTML_STATE *state, HtmlItemKind kind, const std::wstring &text, int target)
{
    std::vector<HTML_ITEM> &items = state->document->items;
    if (kind == HTML_SPACE && !items.empty() && items.back().kind == HTML_SPACE)
        return;
    HTML_ITEM item;
    item.kind = kind;
    item.text = text;
    item.font = CurrentFont(state);
    item.colour = CurrentColour(state);
    item.target = target;
    item.align = state->align;
    items.push_back(item);
}

// Text between tags: runs of white space become one space.
static void AddText(HTML_STATE *state, const std::wstring &text)
{
    if (state->title)
        return;
    size_t i = 0;
    while (i < text.size()) {
        if (IsHtmlSpace(text[i])) {
            AddItem(state, HTML_SPACE, L" ", state->link);
            while (i < text.size() && IsHtmlSpace(text[i]))
                i++;
            continue;
        }
        size_t start = i;
        while (i < text.size() && !IsHtmlSpace(text[i]))
            i++;
        AddItem(state, HTML_WORD, DecodeEntities(text.substr(start, i - start)), state->link);
    }
}

static int AddTarget(HTML_STATE *state, const std::wstring &target)
{
    state->document->targets.push_back(target);
    return (int)state->document->targets.size() - 1;
}

static const std::wstring *FindAttribute(const HTML_TAG *tag, const wchar_t *name)
{
    for (const HTML_ATTRIBUTE &attribute : tag->attributes)
        if (attribute.name == name)
            return &attribute.value;
    return NULL;
}

static BOOL ReadColour(const std::wstring &text, COLORREF *colour)
{
    const wchar_t *digits = text.c_str() + (!text.empty() && text[0] == L'#');
    wchar_t *end;
    unsigned long value = wcstoul(digits, &end, 16);
    if (end - digits != 6 || *end)
        return FALSE;
    *colour = RGB((value >> 16) & 0xFF, (value >> 8) & 0xFF, value & 0xFF);
    return TRUE;
}

static HtmlAlign ReadAlign(const HTML_TAG *tag)
{
    const std::wstring *align = FindAttribute(tag, L"align");
    if (align && !_wcsicmp(align->c_str(), L"right"))
        return HTML_ALIGN_RIGHT;
    if (align && !_wcsicmp(align->c_str(), L"center"))
        return HTML_ALIGN_CENTER;
    return HTML_ALIGN_LEFT;
}

static void OpenFont(HTML_STATE *state, const HTML_TAG *tag)
{
    COLORREF colour = CurrentColour(state);
    const std::wstring *value = FindAttribute(tag, L"color");
    if (value)
        ReadColour(*value, &colour);
    state->colours.push_back(colour);
}

static void AddAnchor(HTML_STATE *state, const std::wstring *name)
{
    if (!name)
        return;
    HTML_ANCHOR anchor = {DecodeEntities(*name), state->document->items.size()};
    state->document->anchors.push_back(anchor);
}

static void AddButton(HTML_STATE *state, const HTML_TAG *tag)
{
    const std::wstring *type = FindAttribute(tag, L"type");
    if (!type || _wcsicmp(type->c_str(), L"button"))
        return;
    const std::wstring *value = FindAttribute(tag, L"value");
    const std::wstring *name = FindAttribute(tag, L"name");
    int target = AddTarget(state, name ? DecodeEntities(*name) : L"");
    AddItem(state, HTML_BUTTON, value ? DecodeEntities(*value) : L"", target);
}

static void Paragraph(HTML_STATE *state, HtmlAlign align)
{
    state->align = align;
    AddItem(state, HTML_PARAGRAPH, L"", HTML_NO_TARGET);
}

static void ApplyTag(HTML_STATE *state, const HTML_TAG *tag)
{
    const std::wstring &name = tag->name;
    int step = tag->closing ? -1 : 1;
    if (name == L"b" || name == L"strong")
        state->bold = std::max(0, state->bold + step);
    else if (name == L"title")
        state->title = std::max(0, state->title + step);
    else if (name == L"br" && !tag->closing)
        AddItem(state, HTML_LINE_BREAK, L"", HTML_NO_TARGET);
    else if (name == L"p")
        Paragraph(state, tag->closing ? HTML_ALIGN_LEFT : ReadAlign(tag));
    else if (name == L"h3") {
        Paragraph(state, HTML_ALIGN_LEFT);
        state->heading = std::max(0, state->heading + step);
    } else if (name == L"font" && !tag->closing)
        OpenFont(state, tag);
    else if (name == L"font" && !state->colours.empty())
        state->colours.pop_back();
    else if (name == L"a" && tag->closing)
        state->link = HTML_NO_TARGET;
    else if (name == L"a") {
        const std::wstring *href = FindAttribute(tag, L"href");
        state->link = href ? AddTarget(state, DecodeEntities(*href)) : HTML_NO_TARGET;
        AddAnchor(state, FindAttribute(tag, L"name"));
    } else if (name == L"input" && !tag->closing)
        AddButton(state, tag);
}

static void SkipSpaces(const std::wstring &text, size_t *i, size_t end)
{
    while (*i < end && IsHtmlSpace(text[*i]))
        (*i)++;
}

static std::wstring ReadAttributeValue(const std::wstring &text, size_t *i, size_t end)
{
    wchar_t quote = text[*i];
    size_t start = *i;
    if (quote == L'"' || quote == L'\'') {
        size_t close = text.find(quote, start + 1);
        if (close == std::wstring::npos || close > end)
            close = end;
        *i = close < end ? close + 1 : end;
        return text.substr(start + 1, close - start - 1);
    }
    while (*i < end && !IsHtmlSpace(text[*i]))
        (*i)++;
    return text.substr(start, *i - start);
}

static std::wstring LowerCase(std::wstring text)
{
    for (wchar_t &c : text)
        c = towlower(c);
    return text;
}

// The inside of "<...>", from begin to end (exclusive).
static void ReadTag(const std::wstring &text, size_t begin, size_t end, HTML_TAG *tag)
{
    size_t i = begin;
    tag->closing = text[i] == L'/';
    if (tag->closing)
        i++;
    size_t start = i;
    while (i < end && iswalnum(text[i]))
        i++;
    tag->name = LowerCase(text.substr(start, i - start));
    while (i < end) {
        SkipSpaces(text, &i, end);
        start = i;
        while (i < end && !IsHtmlSpace(text[i]) && text[i] != L'=' && text[i] != L'/')
            i++;
        HTML_ATTRIBUTE attribute;
        attribute.name = LowerCase(text.substr(start, i - start));
        SkipSpaces(text, &i, end);
        if (i < end && text[i] == L'=') {
            i++;
            SkipSpaces(text, &i, end);
            if (i < end)
                attribute.value = ReadAttributeValue(text, &i, end);
        } else if (i == start) {
            i++; // a stray '/' or '='
        }
        if (!attribute.name.empty())
            tag->attributes.push_back(attribute);
    }
}

// The '>' that ends the tag opened at start; quoted values may hold '>'.
static size_t FindTagEnd(const std::wstring &text, size_t start)
{
    wchar_t quote = 0;
    for (size_t i = start + 1; i < text.size(); i++) {
        wchar_t c = text[i];
        if (quote) {
            if (c == quote)
                quote = 0;
        } else if ((c == L'"' || c == L'\'') && text[i - 1] == L'=') {
            quote = c;
        } else if (c == L'>') {
            return i;
        }
    }
    return std::wstring::npos;
}

static BOOL StartsTag(const std::wstring &text, size_t i)
{
    if (text[i] != L'<' || i + 1 >= text.size())
        return FALSE;
    wchar_t next = text[i + 1];
    return iswalpha(next) || next == L'/' || next == L'!';
}

void ReadHtml(const std::wstring &source, HTML_DOCUMENT *document)
{
    HTML_STATE state = {};
    state.document = document;
    state.link = HTML_NO_TARGET;
    document->items.clear();
    document->targets.clear();
    document->anchors.clear();
    size_t i = 0;
    std::wstring text;
    while (i < source.size()) {
        size_t end = StartsTag(source, i) ? FindTagEnd(source, i) : std::wstring::npos;
        if (end == std::wstring::npos) {
            text += source[i++];
            continue;
        }
        AddText(&state, text);
        text.clear();
        if (source.compare(i, 4, L"<!--") == 0) {
            size_t close = source.find(L"-->", i + 4);
            i = close == std::wstring::npos ? source.size() : close + 3;
            continue;
        }
        HTML_TAG tag;
        ReadTag(source, i + 1, end, &tag);
        ApplyTag(&state, &tag);
        i = end + 1;
    }
    AddText(&state, text);
}
