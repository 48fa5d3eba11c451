// The page set-up that the Summary pages and the Record details share.
#include "ui/html_page.h"
#include "ce/pocketpc.h"
#include "ui/ui_values.h"
#include "format/html_text.h"

#define HTML_VIEW_STYLE (WS_CHILD | WS_VISIBLE | WS_BORDER)

void BuildHtmlPage(HWND dlg, const RECT *margins, HtmlPageFill fill, LPARAM context)
{
    SHINITDLGINFO init = { SHIDIM_FLAGS, dlg, FULL_SCREEN_DIALOG_FLAGS };
    SHInitDialog(&init);
    RECT client;
    GetClientRect(dlg, &client);
    InitHTMLControl(AppInstance);
    HWND view = CeCreateWindowExW(0, WC_HTML, NULL, HTML_VIEW_STYLE, margins->left, margins->top,
                                  client.right - margins->left - margins->right,
                                  client.bottom - margins->top - margins->bottom, dlg, NULL, AppInstance, NULL);
    if (!view)
        return;
    SendMessageW(view, DTM_CLEAR, 0, 0);
    fill(view, context);
    SendMessageW(view, DTM_ENDOFSOURCE, 0, 0);
}

void AddPageText(HWND view, LPCWSTR text)
{
    SendMessageW(view, DTM_ADDTEXTW, 0, (LPARAM)text);
}

// Sized for the text itself, so no value is ever cut.
void AddEscapedText(HWND view, LPCWSTR text)
{
    LPWSTR escaped = (LPWSTR)LocalAlloc(LMEM_FIXED, (lstrlenW(text) * HTML_ESCAPE_GROWTH + 1) * sizeof(WCHAR));
    if (!escaped)
        return;
    EscapeHtml(text, true, escaped);
    AddPageText(view, escaped);
    LocalFree(escaped);
}
