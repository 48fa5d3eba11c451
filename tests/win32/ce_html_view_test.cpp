// The HTML view control: the source as sent, what it draws, and taps on
// links and buttons as the parent receives them.
#include "ce/pocketpc.h"
#include "ce/html_source.h"
#include "ce_test_support.h"
#include "modal_watch.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <string>
#include <vector>

#define VIEW_ID 7

static std::vector<std::wstring> Targets;
static std::vector<UINT_PTR> NotifyIds;

static LRESULT CALLBACK PageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NOTIFY && ((NMHDR *)lParam)->code == NM_HOTSPOT) {
        NM_HTMLVIEW *notify = (NM_HTMLVIEW *)lParam;
        Targets.push_back(notify->szTarget);
        NotifyIds.push_back(notify->hdr.idFrom);
        return TRUE;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

struct HtmlPage {
    HWND page, view;
};

static HtmlPage MakePage(int width, int height)
{
    HINSTANCE instance = GetModuleHandleW(NULL);
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = PageProc;
    windowClass.hInstance = instance;
    windowClass.hbrBackground = (HBRUSH)(COLOR_WINDOW + 1);
    windowClass.lpszClassName = L"CeTestPage";
    RegisterClassW(&windowClass);
    EXPECT_TRUE(InitHTMLControl(instance));
    EXPECT_TRUE(InitHTMLControl(instance)) << "a second call is harmless";
    HtmlPage page;
    page.page = CeCreateWindowExW(WS_EX_TOPMOST, L"CeTestPage", L"Page", WS_POPUP | WS_VISIBLE, 0, 26, width + 4,
                                height + 6, NULL, NULL, instance, NULL);
    page.view = CeCreateWindowExW(0, WC_HTML, NULL, WS_CHILD | WS_VISIBLE | WS_BORDER, 2, 3, width, height, page.page,
                                (HMENU)VIEW_ID, instance, NULL);
    Targets.clear();
    NotifyIds.clear();
    return page;
}

static void Show(HWND view, const std::vector<std::wstring> &fragments)
{
    SendMessageW(view, DTM_CLEAR, 0, 0);
    for (const std::wstring &fragment : fragments)
        SendMessageW(view, DTM_ADDTEXTW, 0, (LPARAM)fragment.c_str());
    SendMessageW(view, DTM_ENDOFSOURCE, 0, 0);
    PumpFor(50);
}

static std::vector<HTMLVIEW_HOTSPOT> Hotspots(HWND view)
{
    std::vector<HTMLVIEW_HOTSPOT> spots;
    HTMLVIEW_HOTSPOT spot;
    while (SendMessageW(view, DTM_GETHOTSPOT, spots.size(), (LPARAM)&spot))
        spots.push_back(spot);
    return spots;
}

static void Tap(HWND view, const RECT &rc)
{
    LPARAM point = MAKELPARAM((rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);
    PostMessageW(view, WM_LBUTTONDOWN, MK_LBUTTON, point);
    PostMessageW(view, WM_LBUTTONUP, 0, point);
    PumpFor(50);
}

static int ClientWidth(HWND view)
{
    RECT client;
    GetClientRect(view, &client);
    return client.right;
}

TEST(HtmlView, GivesBackTheSourceExactlyAsSent)
{
    HtmlPage page = MakePage(236, 242);
    std::vector<std::wstring> fragments = {L"<font color=#FF0000><b>IE Cach:</b></font> Size ",
                                           L"<font color=#000077><b>-5</b></font> bytes", L"  a &amp; b <x>\r\n",
                                           L"C:\\Windows\\Profiles\\<odd> & \"quoted\""};
    Show(page.view, fragments);
    std::wstring expected;
    for (const std::wstring &fragment : fragments)
        expected += fragment;
    ASSERT_EQ((LRESULT)expected.size(), SendMessageW(page.view, WM_GETTEXTLENGTH, 0, 0));
    std::vector<WCHAR> text(expected.size() + 1);
    EXPECT_EQ((LRESULT)expected.size(), SendMessageW(page.view, WM_GETTEXT, text.size(), (LPARAM)text.data()));
    EXPECT_EQ(expected, std::wstring(text.data()));

    WCHAR shortBuffer[6];
    EXPECT_EQ(5, SendMessageW(page.view, WM_GETTEXT, 6, (LPARAM)shortBuffer));
    EXPECT_EQ(expected.substr(0, 5), shortBuffer);

    SendMessageW(page.view, DTM_CLEAR, 0, 0);
    EXPECT_EQ(0, SendMessageW(page.view, WM_GETTEXTLENGTH, 0, 0));
    EXPECT_TRUE(Hotspots(page.view).empty());
    DestroyWindow(page.page);
}

TEST(HtmlView, TapsOnButtonsAndLinksReachTheParentWithTheirTargets)
{
    HtmlPage page = MakePage(236, 242);
    Show(page.view, {L"<p>Size <b>12</b></p><p align=right><input type=button value='View All' name=M></p>",
                     L"<p><INPUT TYPE=\"button\" VALUE=\"View Cach\" NAME=\"T\"> text <input type=text name=no></p>",
                     L"Files could be cleaned up by our <font color=#0000ff><b><a href=h>Tamberlin v2.1</a></b>"
                     L"</font> and <a href='x&amp;y'>later</a>."});
    std::vector<HTMLVIEW_HOTSPOT> spots = Hotspots(page.view);
    ASSERT_EQ(4u, spots.size());
    EXPECT_STREQ(L"M", spots[0].szTarget);
    EXPECT_STREQ(L"T", spots[1].szTarget);
    EXPECT_STREQ(L"h", spots[2].szTarget);
    EXPECT_STREQ(L"x&y", spots[3].szTarget);
    // align=right puts the button at the right edge, the next one at the left.
    EXPECT_GE(spots[0].rcClient.right, ClientWidth(page.view) - 4);
    EXPECT_LE(spots[1].rcClient.left, 4);
    EXPECT_GT(spots[1].rcClient.top, spots[0].rcClient.bottom - 1);

    for (const HTMLVIEW_HOTSPOT &spot : spots)
        Tap(page.view, spot.rcClient);
    EXPECT_EQ((std::vector<std::wstring>{L"M", L"T", L"h", L"x&y"}), Targets);
    EXPECT_EQ((std::vector<UINT_PTR>(4, VIEW_ID)), NotifyIds);

    // A tap on plain text, or one that slides off the link, reports nothing.
    Targets.clear();
    PostMessageW(page.view, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    PostMessageW(page.view, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    RECT link = spots[2].rcClient;
    PostMessageW(page.view, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(link.left + 2, link.top + 2));
    PostMessageW(page.view, WM_LBUTTONUP, 0, MAKELPARAM(5, 200));
    PumpFor(50);
    EXPECT_TRUE(Targets.empty());
    DestroyWindow(page.page);
}

// A real tap at a point of the view, through the input queue.
static void TapWithTheMouse(const HtmlPage &page, POINT point)
{
    ClientToScreen(page.view, &point);
    CeSetForegroundWindow(page.page);
    SetCursorPos(point.x, point.y);
    INPUT inputs[2] = {};
    inputs[0].type = inputs[1].type = INPUT_MOUSE;
    inputs[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    inputs[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(2, inputs, sizeof(INPUT));
}

TEST(HtmlView, RealClickOnARenderedButton)
{
    HtmlPage page = MakePage(236, 242);
    Show(page.view, {L"<p><br> <input type=button value='View Cookies' name=C></p>"});
    std::vector<HTMLVIEW_HOTSPOT> spots = Hotspots(page.view);
    ASSERT_EQ(1u, spots.size());
    POINT centre = {(spots[0].rcClient.left + spots[0].rcClient.right) / 2,
                    (spots[0].rcClient.top + spots[0].rcClient.bottom) / 2};
    TapWithTheMouse(page, centre);
    EXPECT_TRUE(PumpUntil([] { return !Targets.empty(); }, 2000));
    EXPECT_EQ((std::vector<std::wstring>{L"C"}), Targets);
    DestroyWindow(page.page);
}

TEST(HtmlView, LongTextWrapsToTheWidthAndScrolls)
{
    HtmlPage page = MakePage(150, 100);
    std::wstring words = L"<a href=w>";
    for (int i = 0; i < 60; i++)
        words += L"word" + std::to_wstring(i) + L" ";
    words += L"</a><br><a href=u>http://www.example.com/a/very/long/address/without/any/space/in/it/at/all/"
             L"index.html</a>";
    Show(page.view, {words});
    std::vector<HTMLVIEW_HOTSPOT> spots = Hotspots(page.view);
    ASSERT_GT(spots.size(), 8u) << "one area per line of the wrapped link";
    int width = ClientWidth(page.view);
    EXPECT_LT(width, 150) << "the scroll bar takes room";
    int urlLines = 0;
    for (const HTMLVIEW_HOTSPOT &spot : spots) {
        EXPECT_LE(spot.rcClient.right, width);
        urlLines += !lstrcmpW(spot.szTarget, L"u");
    }
    EXPECT_GE(urlLines, 2) << "a word wider than the line is cut";

    EXPECT_TRUE(GetWindowLongW(page.view, GWL_STYLE) & WS_VSCROLL);
    SCROLLINFO info = {sizeof info, SIF_ALL};
    GetScrollInfo(page.view, SB_VERT, &info);
    EXPECT_GT(info.nMax + 1, (int)info.nPage);
    int top = spots[0].rcClient.top;
    SendMessageW(page.view, WM_VSCROLL, SB_PAGEDOWN, 0);
    EXPECT_LT(Hotspots(page.view)[0].rcClient.top, top);
    SendMessageW(page.view, WM_VSCROLL, SB_BOTTOM, 0);
    SendMessageW(page.view, WM_VSCROLL, SB_LINEDOWN, 0);
    GetScrollInfo(page.view, SB_VERT, &info);
    EXPECT_EQ(info.nMax + 1 - (int)info.nPage, info.nPos);

    Show(page.view, {L"short"});
    EXPECT_FALSE(GetWindowLongW(page.view, GWL_STYLE) & WS_VSCROLL);
    DestroyWindow(page.page);
}

static int ScrollPosition(HWND view)
{
    SCROLLINFO info = {sizeof info, SIF_POS};
    GetScrollInfo(view, SB_VERT, &info);
    return info.nPos;
}

static void PressKey(WORD key)
{
    INPUT press[2] = {};
    press[0].type = press[1].type = INPUT_KEYBOARD;
    press[0].ki.wVk = press[1].ki.wVk = key;
    press[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, press, sizeof(INPUT));
    PumpFor(50);
}

TEST(HtmlView, OpensAtAnAnchorAndScrollsWithTheKeysOnceTapped)
{
    HtmlPage page = MakePage(150, 100);
    std::wstring lines;
    for (int i = 0; i < 40; i++)
        lines += (i == 30 ? L"<p><a name=Topic></a><a href=t>topic</a>" : L"<p>line ") + std::to_wstring(i) + L"</p>";
    Show(page.view, {lines});
    EXPECT_FALSE(SendMessageW(page.view, DTM_ANCHORW, 0, (LPARAM)L"topic")) << "names are case-sensitive";
    EXPECT_EQ(0, ScrollPosition(page.view));
    EXPECT_TRUE(SendMessageW(page.view, DTM_ANCHORW, 0, (LPARAM)L"Topic"));
    RECT topic = Hotspots(page.view)[0].rcClient;
    EXPECT_GE(topic.top, 0);
    EXPECT_LT(topic.top, 8) << "the anchor's line is at the top";

    TapWithTheMouse(page, {topic.right + 4, topic.top + 2});
    PumpFor(50);
    RECT client;
    GetClientRect(page.view, &client);
    PressKey(VK_HOME);
    EXPECT_EQ(0, ScrollPosition(page.view));
    PressKey(VK_DOWN);
    int line = ScrollPosition(page.view);
    EXPECT_GT(line, 0);
    EXPECT_LT(line, client.bottom / 2);
    PressKey(VK_NEXT);
    EXPECT_EQ(line + client.bottom, ScrollPosition(page.view));
    PressKey(VK_END);
    int end = ScrollPosition(page.view);
    EXPECT_GT(end, line + client.bottom);
    PressKey(VK_PRIOR);
    EXPECT_EQ(end - client.bottom, ScrollPosition(page.view));
    PressKey(VK_UP);
    EXPECT_EQ(end - client.bottom - line, ScrollPosition(page.view));
    DestroyWindow(page.page);
}

// Columns of the view that hold any ink.
static std::vector<bool> InkColumns(HWND view)
{
    Snapshot shot = PrintControl(view);
    std::vector<bool> ink(shot.width, false);
    for (size_t i = 0; i < shot.pixels.size(); i++)
        if (shot.pixels[i] != 0xFFFFFF)
            ink[i % shot.width] = true;
    return ink;
}

// A space reads as one space: between the words' ink, a gap of three to
// six columns of background, whatever the words' style.
TEST(HtmlView, EverySpaceIsAGapOfThreeToSixPixelsBetweenTheWords)
{
    // Pairs of letters that lean towards each other across a space, too.
    const std::vector<std::wstring> words = {L"Gallimaw", L"View", L"shows", L"<b>what", L"addresses</b>",
                                             L"<font color=#FF0000>you", L"visited</font>", L"<a href=x>Tamberlin",
                                             L"v2.1</a>", L"\\Windows\\Temporary", L"Internet",
                                             L"Files\\Content.IE5\\index.dat"};
    std::wstring line;
    for (const std::wstring &word : words)
        line += (line.empty() ? L"" : L" ") + word;
    HtmlPage page = MakePage(900, 30);
    Show(page.view, {line});
    UpdateWindow(page.view);
    ASSERT_FALSE(GetWindowLongW(page.view, GWL_STYLE) & WS_VSCROLL) << "the words fit on one line";

    std::vector<bool> ink = InkColumns(page.view);
    int first = (int)(std::find(ink.begin(), ink.end(), true) - ink.begin());
    int last = (int)(ink.rend() - std::find(ink.rbegin(), ink.rend(), true)) - 1;
    std::vector<int> gaps;
    for (int x = first, blank = 0; x <= last; x++) {
        if (ink[x] && blank >= 3)
            gaps.push_back(blank);
        blank = ink[x] ? 0 : blank + 1;
    }
    EXPECT_EQ(words.size() - 1, gaps.size());
    EXPECT_LE(*std::max_element(gaps.begin(), gaps.end()), 6);
    DestroyWindow(page.page);
}

static int CountPixels(HWND view, bool (*match)(COLORREF))
{
    RECT client;
    GetClientRect(view, &client);
    HDC dc = GetDC(view);
    int count = 0;
    for (int y = 0; y < client.bottom; y++)
        for (int x = 0; x < client.right; x++)
            count += match(GetPixel(dc, x, y));
    ReleaseDC(view, dc);
    return count;
}

static bool IsRed(COLORREF c)
{
    return GetRValue(c) > 200 && GetGValue(c) < 60 && GetBValue(c) < 60;
}

static bool IsBlue(COLORREF c)
{
    return GetBValue(c) > 200 && GetRValue(c) < 60 && GetGValue(c) < 60;
}

TEST(HtmlView, DrawsTextInItsColours)
{
    HtmlPage page = MakePage(236, 100);
    Show(page.view, {L"<font color=#FF0000><b>RED TEXT HERE</b></font> black"});
    UpdateWindow(page.view);
    EXPECT_GT(CountPixels(page.view, IsRed), 20);
    EXPECT_EQ(0, CountPixels(page.view, IsBlue));

    Show(page.view, {L"<font color=#0000FF>blue <font color=#FF0000>red</font> blue</font>"});
    UpdateWindow(page.view);
    EXPECT_GT(CountPixels(page.view, IsBlue), 20);
    EXPECT_GT(CountPixels(page.view, IsRed), 5);

    Show(page.view, {L"plain <a href=x>link</a>"});
    UpdateWindow(page.view);
    EXPECT_GT(CountPixels(page.view, IsBlue), 5) << "links have the link colour";
    EXPECT_EQ(0, CountPixels(page.view, IsRed));
    DestroyWindow(page.page);
}

static std::wstring Words(const HTML_DOCUMENT &document)
{
    std::wstring text;
    for (const HTML_ITEM &item : document.items)
        switch (item.kind) {
        case HTML_WORD: text += item.text; break;
        case HTML_SPACE: text += L"_"; break;
        case HTML_LINE_BREAK: text += L"|"; break;
        case HTML_PARAGRAPH: text += L"P"; break;
        case HTML_BUTTON: text += L"[" + item.text + L"]"; break;
        }
    return text;
}

TEST(HtmlSource, CollapsesSpacesDecodesEntitiesAndShowsTextOfUnknownTagsButNotTheTitle)
{
    HTML_DOCUMENT document;
    ReadHtml(L"<title>Not shown</title>  a \r\n\t b<br/>c&amp;d &lt;b&gt; &quot;q&quot; &#65;&bogus; "
             L"<blink>on</blink> x < y <!-- gone --> z",
             &document);
    EXPECT_EQ(L"_a_b|c&d_<b>_\"q\"_A&bogus;_on_x_<_y_z", Words(document));
    for (const HTML_ITEM &item : document.items)
        EXPECT_EQ(0, item.font) << "&lt;b&gt; is text, not bold";
}

TEST(HtmlSource, ReadsStylesOfTheTagsItKnows)
{
    HTML_DOCUMENT document;
    ReadHtml(L"<B>bold</b><h3>Head</h3><font color='#00FF00'>green <FONT COLOR=#0000ff>blue</font> green</font>"
             L"<p align=\"right\"><a href=\"t\">link</a></p>after",
             &document);
    ASSERT_EQ(L"boldPHeadPgreen_blue_greenPlinkPafter", Words(document));
    const std::vector<HTML_ITEM> &items = document.items;
    EXPECT_EQ(HTML_FONT_BOLD, items[0].font);
    EXPECT_EQ(HTML_FONT_BOLD | HTML_FONT_HEADING, items[2].font);
    EXPECT_EQ(RGB(0, 255, 0), items[4].colour);
    EXPECT_EQ(RGB(0, 0, 255), items[6].colour);
    EXPECT_EQ(RGB(0, 255, 0), items[8].colour);
    EXPECT_EQ(HTML_ALIGN_RIGHT, items[9].align);
    EXPECT_EQ(HTML_FONT_UNDERLINE, items[10].font);
    EXPECT_EQ(HTML_LINK_COLOUR, items[10].colour);
    EXPECT_EQ(L"t", document.targets[items[10].target]);
    EXPECT_EQ(HTML_ALIGN_LEFT, items[11].align);
    EXPECT_EQ(HTML_NO_TARGET, items[12].target);
    EXPECT_EQ(HTML_TEXT_COLOUR, items[12].colour);
}
