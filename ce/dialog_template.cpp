#include "ce/dialog_template.h"

// Words before the menu field, and before each control's class field.
#define PLAIN_HEADER_WORDS 9
#define EXTENDED_HEADER_WORDS 13
#define PLAIN_ITEM_WORDS 9
#define EXTENDED_ITEM_WORDS 12
#define EXTENDED_SIGNATURE 0xFFFF

static BOOL IsExtended(const WORD *words)
{
    return words[1] == EXTENDED_SIGNATURE;
}

// A name field: empty (one zero word), an ordinal (0xFFFF and a number) or
// a string.
static const WORD *SkipName(const WORD *p)
{
    if (*p == 0xFFFF)
        return p + 2;
    while (*p++)
        ;
    return p;
}

static const WORD *AlignToDword(const WORD *p)
{
    return (const WORD *)(((ULONG_PTR)p + 3) & ~(ULONG_PTR)3);
}

SIZE_T DialogTemplateSize(LPCDLGTEMPLATEW dialogTemplate)
{
    const WORD *start = (const WORD *)dialogTemplate, *p = start;
    BOOL extended = IsExtended(start);
    DWORD style = extended ? *(const DWORD *)(start + 6) : dialogTemplate->style;
    WORD items = extended ? start[8] : dialogTemplate->cdit;
    p += extended ? EXTENDED_HEADER_WORDS : PLAIN_HEADER_WORDS;
    p = SkipName(p); // menu
    p = SkipName(p); // class
    p = SkipName(p); // title
    if (style & DS_SETFONT) {
        p += extended ? 3 : 1; // point size, then weight, italic and charset
        p = SkipName(p);
    }
    while (items--) {
        p = AlignToDword(p);
        p += extended ? EXTENDED_ITEM_WORDS : PLAIN_ITEM_WORDS;
        p = SkipName(p); // class
        p = SkipName(p); // title
        p += *p / sizeof(WORD) + 1; // creation data, counted in bytes
    }
    return (const BYTE *)p - (const BYTE *)start;
}

DWORD *DialogTemplateExStyle(DLGTEMPLATE *dialogTemplate)
{
    WORD *words = (WORD *)dialogTemplate;
    return IsExtended(words) ? (DWORD *)(words + 4) : &dialogTemplate->dwExtendedStyle;
}
