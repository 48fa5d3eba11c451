#include "format/html_text.h"

size_t EscapeHtml(const wchar_t *text, bool quotes, wchar_t *escaped)
{
    wchar_t *out = escaped;
    for (; *text; text++) {
        const wchar_t *entity = nullptr;
        switch (*text) {
        case L'&': entity = L"&amp;"; break;
        case L'<': entity = L"&lt;"; break;
        case L'>': entity = L"&gt;"; break;
        case L'"': entity = quotes ? L"&quot;" : nullptr; break;
        }
        if (!entity)
            *out++ = *text;
        while (entity && *entity)
            *out++ = *entity++;
    }
    *out = 0;
    return out - escaped;
}
