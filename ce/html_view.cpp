// The HTML view control, "DISPLAYCLASS": keeps the source it is sent,
// lays it out when the source ends, paints it with a vertical scroll bar
// when it is taller than the window (the keys scroll it too, once a tap
// has given it the focus), jumps to named anchors, and reports taps on
// links and buttons to its parent as NM_HOTSPOT.
#include "ce/htmlview.h"
#include "ce/html_layout.h"
#include "format/html_text.h"

#define SCROLL_LINE 16
#define WHEEL_LINES 3
#define BACKGROUND_COLOUR RGB(255, 255, 255)

typedef struct tagHTML_VIEW {
    std::wstring source;
    HTML_DOCUMENT document;
    HTML_LAYOUT layout;
    BOOL ended;      // DTM_ENDOFSOURCE came: the layout is current
    BOOL layingOut;  // showing the scroll bar resizes the window
    int scroll;      // document y at the window's top
    int pressed;     // spot under the pen, or -1
} HTML_VIEW;

static HTML_VIEW *GetView(HWND view)
{
    return (HTML_VIEW *)GetWindowLongPtrW(view, GWLP_USERDATA);
}

static int ClientHeight(HWND view)
{
    RECT client;
    GetClientRect(view, &client);
    return client.bottom;
}

static int MaxScroll(HWND view, const HTML_VIEW *state)
{
    return std::max(0, state->layout.height - ClientHeight(view));
}

static void UpdateScrollBar(HWND view, HTML_VIEW *state)
{
    state->scroll = std::max(0, std::min(state->scroll, MaxScroll(view, state)));
    SCROLLINFO info = {};
    info.cbSize = sizeof info;
    info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    info.nMax = state->layout.height - 1;
    info.nPage = ClientHeight(view);
    info.nPos = state->scroll;
    SetScrollInfo(view, SB_VERT, &info, TRUE);
}

static void LayOutWidth(HWND view, HTML_VIEW *state, int width)
{
    HDC dc = GetDC(view);
    LayOutHtml(&state->document, dc, width, &state->layout);
    ReleaseDC(view, dc);
}

// Lays out at the full width first; text taller than the window is laid
// out again beside the scroll bar.
static void LayOut(HWND view, HTML_VIEW *state)
{
    if (!state->ended || state->layingOut)
        return;
    state->layingOut = TRUE;
    RECT client;
    GetClientRect(view, &client);
    BOOL hadBar = (GetWindowLongW(view, GWL_STYLE) & WS_VSCROLL) != 0;
    int barWidth = GetSystemMetrics(SM_CXVSCROLL);
    int fullWidth = client.right + (hadBar ? barWidth : 0);
    LayOutWidth(view, state, fullWidth);
    BOOL needBar = state->layout.height > client.bottom;
    if (needBar)
        LayOutWidth(view, state, fullWidth - barWidth);
    ShowScrollBar(view, SB_VERT, needBar);
    UpdateScrollBar(view, state);
    state->layingOut = FALSE;
    InvalidateRect(view, NULL, TRUE);
}

static void PaintButton(HDC dc, RECT rc, const HTML_BOX *box, BOOL pressed)
{
    DrawFrameControl(dc, &rc, DFC_BUTTON, DFCS_BUTTONPUSH | (pressed ? DFCS_PUSHED : 0));
    SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
    DrawTextW(dc, box->text.c_str(), (int)box->text.size(), &rc, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
}

// Draws text with the advances the layout measured, so that each word
// stands where the layout put it, its own width.
static void DrawMeasured(HDC dc, int x, int y, const std::wstring &text)
{
    std::vector<int> advances;
    MeasureCharacters(dc, text, &advances);
    ExtTextOutW(dc, x, y, 0, NULL, text.c_str(), (UINT)text.size(), advances.data());
}

static BOOL IsPressed(const HTML_VIEW *state, const HTML_BOX *box)
{
    return state->pressed >= 0 && state->layout.spots[state->pressed].target == box->target;
}

static void PaintArea(HDC dc, const RECT *area, const HTML_VIEW *state)
{
    HBRUSH background = CreateSolidBrush(BACKGROUND_COLOUR);
    FillRect(dc, area, background);
    DeleteObject(background);
    SetBkMode(dc, TRANSPARENT);
    HGDIOBJ oldFont = SelectObject(dc, GetHtmlFont(0));
    for (const HTML_BOX &box : state->layout.boxes) {
        RECT rc = box.rc, visible;
        OffsetRect(&rc, 0, -state->scroll);
        if (!IntersectRect(&visible, &rc, area))
            continue;
        SelectObject(dc, GetHtmlFont(box.font));
        if (box.button) {
            PaintButton(dc, rc, &box, IsPressed(state, &box));
            continue;
        }
        SetTextColor(dc, box.colour);
        DrawMeasured(dc, rc.left, rc.top, box.text);
    }
    SelectObject(dc, oldFont);
}

static void Paint(HWND view, const HTML_VIEW *state)
{
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(view, &paint);
    PaintArea(dc, &paint.rcPaint, state);
    EndPaint(view, &paint);
}

static void PrintClient(HWND view, HDC dc, const HTML_VIEW *state)
{
    RECT client;
    GetClientRect(view, &client);
    PaintArea(dc, &client, state);
}

static void ScrollTo(HWND view, HTML_VIEW *state, int position)
{
    int old = state->scroll;
    state->scroll = position;
    UpdateScrollBar(view, state);
    if (state->scroll != old)
        InvalidateRect(view, NULL, TRUE);
}

static void OnVScroll(HWND view, HTML_VIEW *state, WORD request)
{
    int page = ClientHeight(view), position = state->scroll;
    SCROLLINFO info = {};
    info.cbSize = sizeof info;
    info.fMask = SIF_TRACKPOS;
    GetScrollInfo(view, SB_VERT, &info);
    switch (request) {
    case SB_LINEUP: position -= SCROLL_LINE; break;
    case SB_LINEDOWN: position += SCROLL_LINE; break;
    case SB_PAGEUP: position -= page; break;
    case SB_PAGEDOWN: position += page; break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: position = info.nTrackPos; break;
    case SB_TOP: position = 0; break;
    case SB_BOTTOM: position = MaxScroll(view, state); break;
    }
    ScrollTo(view, state, position);
}

// The device's rocker and keys scroll the page as its scroll bar does.
static const struct {
    WPARAM key;
    WORD request;
} ScrollKeys[] = {{VK_UP, SB_LINEUP},       {VK_DOWN, SB_LINEDOWN}, {VK_PRIOR, SB_PAGEUP},
                  {VK_NEXT, SB_PAGEDOWN}, {VK_HOME, SB_TOP},       {VK_END, SB_BOTTOM}};

static BOOL OnKeyDown(HWND view, HTML_VIEW *state, WPARAM key)
{
    for (const auto &scroll : ScrollKeys)
        if (scroll.key == key) {
            OnVScroll(view, state, scroll.request);
            return TRUE;
        }
    return FALSE;
}

static BOOL ScrollToAnchor(HWND view, HTML_VIEW *state, LPCWSTR name)
{
    const std::vector<HTML_ANCHOR> &anchors = state->document.anchors;
    for (size_t i = 0; name && i < state->layout.anchorTops.size(); i++)
        if (anchors[i].name == name) {
            ScrollTo(view, state, state->layout.anchorTops[i] - HTML_MARGIN);
            return TRUE;
        }
    return FALSE;
}

static int SpotAt(const HTML_VIEW *state, int x, int y)
{
    POINT point = {x, y + state->scroll};
    for (size_t i = 0; i < state->layout.spots.size(); i++)
        if (PtInRect(&state->layout.spots[i].rc, point))
            return (int)i;
    return -1;
}

// The parent may open a modal dialog or rebuild this control while it
// handles the notification: nothing of the state is used afterwards.
static void NotifyHotspot(HWND view, const std::wstring &target)
{
    NM_HTMLVIEW notify = {};
    notify.hdr.hwndFrom = view;
    notify.hdr.idFrom = GetDlgCtrlID(view);
    notify.hdr.code = NM_HOTSPOT;
    notify.szTarget = target.c_str();
    notify.szData = L"";
    notify.szExInfo = L"";
    SendMessageW(GetParent(view), WM_NOTIFY, notify.hdr.idFrom, (LPARAM)&notify);
}

static void OnButtonUp(HWND view, HTML_VIEW *state, int x, int y)
{
    int pressed = state->pressed;
    state->pressed = -1;
    ReleaseCapture();
    InvalidateRect(view, NULL, FALSE);
    UpdateWindow(view);
    if (pressed < 0 || SpotAt(state, x, y) != pressed)
        return;
    std::wstring target = state->document.targets[state->layout.spots[pressed].target];
    NotifyHotspot(view, target);
}

static BOOL GetHotspot(const HTML_VIEW *state, WPARAM index, HTMLVIEW_HOTSPOT *hotspot)
{
    if (!hotspot || index >= state->layout.spots.size())
        return FALSE;
    const HTML_SPOT &spot = state->layout.spots[index];
    hotspot->rcClient = spot.rc;
    OffsetRect(&hotspot->rcClient, 0, -state->scroll);
    lstrcpynW(hotspot->szTarget, state->document.targets[spot.target].c_str(), MAX_PATH);
    return TRUE;
}

// Plain text (wParam nonzero) is kept escaped, so that it shows as sent.
static void AddSource(HTML_VIEW *state, BOOL plainText, LPCWSTR text)
{
    if (!text)
        return;
    if (!plainText) {
        state->source += text;
        return;
    }
    std::wstring escaped(lstrlenW(text) * HTML_ESCAPE_GROWTH + 1, 0);
    escaped.resize(EscapeHtml(text, false, &escaped[0]));
    state->source += escaped;
}

static LRESULT GetSourceText(const HTML_VIEW *state, WPARAM size, LPWSTR buffer)
{
    if (!buffer || !size)
        return 0;
    size_t count = std::min((size_t)size - 1, state->source.size());
    memcpy(buffer, state->source.c_str(), count * sizeof(WCHAR));
    buffer[count] = 0;
    return count;
}

static void Clear(HWND view, HTML_VIEW *state)
{
    state->source.clear();
    state->document = HTML_DOCUMENT();
    state->layout = HTML_LAYOUT();
    state->ended = FALSE;
    state->scroll = 0;
    state->pressed = -1;
    ShowScrollBar(view, SB_VERT, FALSE);
    InvalidateRect(view, NULL, TRUE);
}

static void EndSource(HWND view, HTML_VIEW *state)
{
    ReadHtml(state->source, &state->document);
    state->ended = TRUE;
    LayOut(view, state);
    UpdateWindow(view);
}

static LRESULT CALLBACK HtmlViewProc(HWND view, UINT message, WPARAM wParam, LPARAM lParam)
{
    HTML_VIEW *state = GetView(view);
    if (!state && message != WM_NCCREATE)
        return DefWindowProcW(view, message, wParam, lParam);
    switch (message) {
    case WM_NCCREATE:
        state = new HTML_VIEW();
        state->pressed = -1;
        SetWindowLongPtrW(view, GWLP_USERDATA, (LONG_PTR)state);
        return DefWindowProcW(view, message, wParam, lParam);
    case WM_NCDESTROY:
        SetWindowLongPtrW(view, GWLP_USERDATA, 0);
        delete state;
        return 0;
    case DTM_CLEAR:
        Clear(view, state);
        return 0;
    case DTM_ADDTEXTW:
        AddSource(state, (BOOL)wParam, (LPCWSTR)lParam);
        return 0;
    case DTM_ENDOFSOURCE:
        EndSource(view, state);
        return 0;
    case DTM_ANCHORW:
        return ScrollToAnchor(view, state, (LPCWSTR)lParam);
    case DTM_GETHOTSPOT:
        return GetHotspot(state, wParam, (HTMLVIEW_HOTSPOT *)lParam);
    case WM_GETTEXT:
        return GetSourceText(state, wParam, (LPWSTR)lParam);
    case WM_GETTEXTLENGTH:
        return state->source.size();
    case WM_SIZE:
        LayOut(view, state);
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT:
        Paint(view, state);
        return 0;
    case WM_PRINTCLIENT:
        PrintClient(view, (HDC)wParam, state);
        return 0;
    case WM_VSCROLL:
        OnVScroll(view, state, LOWORD(wParam));
        return 0;
    case WM_GETDLGCODE:
        return DLGC_WANTARROWS;
    case WM_KEYDOWN:
        if (OnKeyDown(view, state, wParam))
            return 0;
        break;
    case WM_MOUSEWHEEL:
        ScrollTo(view, state, state->scroll - GET_WHEEL_DELTA_WPARAM(wParam) / WHEEL_DELTA * WHEEL_LINES * SCROLL_LINE);
        return 0;
    case WM_LBUTTONDOWN:
        SetFocus(view);
        state->pressed = SpotAt(state, (short)LOWORD(lParam), (short)HIWORD(lParam));
        if (state->pressed >= 0) {
            SetCapture(view);
            InvalidateRect(view, NULL, FALSE);
        }
        return 0;
    case WM_LBUTTONUP:
        OnButtonUp(view, state, (short)LOWORD(lParam), (short)HIWORD(lParam));
        return 0;
    }
    return DefWindowProcW(view, message, wParam, lParam);
}

BOOL InitHTMLControl(HINSTANCE hinst)
{
    WNDCLASSW windowClass = {};
    if (GetClassInfoW(hinst, WC_HTML, &windowClass))
        return TRUE;
    windowClass.style = CS_GLOBALCLASS;
    windowClass.lpfnWndProc = HtmlViewProc;
    windowClass.hInstance = hinst;
    windowClass.hCursor = LoadCursorW(NULL, (LPCWSTR)IDC_ARROW);
    windowClass.lpszClassName = WC_HTML;
    return RegisterClassW(&windowClass) || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}
