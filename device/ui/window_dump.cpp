#include "device/ui/window_dump.h"
#include <windows.h>
#include <vector>
#include "device/ui/json_text.h"
#include "device/ui/remote_html_view.h"
#include "device/ui/remote_list_view.h"

#define MESSAGE_TIMEOUT_MS 2000
#define CLASS_CHARS 256

static void AppendMember(std::string &out, const char *name)
{
    out += ",\"";
    out += name;
    out += "\":";
}

// The text a window answers to WM_GETTEXT, asked across processes.
static std::wstring AskText(HWND window)
{
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, MESSAGE_TIMEOUT_MS, &length))
        return L"";
    std::vector<WCHAR> text(length + 1, 0);
    DWORD_PTR copied = 0;
    SendMessageTimeoutW(window, WM_GETTEXT, length + 1, (LPARAM)text.data(), SMTO_ABORTIFHUNG, MESSAGE_TIMEOUT_MS,
                        &copied);
    return std::wstring(text.data());
}

static std::wstring ClassName(HWND window)
{
    WCHAR name[CLASS_CHARS] = L"";
    GetClassNameW(window, name, CLASS_CHARS);
    return name;
}

// The window's own text as the system keeps it; no message is sent, so a
// hung window cannot stop the dump.
static std::wstring OwnText(HWND window)
{
    WCHAR text[1024] = L"";
    InternalGetWindowText(window, text, 1024);
    return text;
}

static void AppendProcess(std::string &out, HWND window)
{
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    AppendMember(out, "pid");
    AppendJsonNumber(out, pid);
    WCHAR path[MAX_PATH] = L"";
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    if (process) {
        DWORD size = MAX_PATH;
        QueryFullProcessImageNameW(process, 0, path, &size);
        CloseHandle(process);
    }
    AppendMember(out, "exe");
    AppendJsonString(out, path);
}

// A dialog that holds only static texts and buttons is a message box: its
// text and its buttons' captions.
static void AppendMessageBox(std::string &out, HWND dialog)
{
    std::wstring text;
    std::string buttons;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        std::wstring kind = ClassName(child);
        if (_wcsicmp(kind.c_str(), L"Static") == 0) {
            std::wstring line = OwnText(child);
            if (!line.empty())
                text += text.empty() ? line : L"\n" + line;
        } else if (_wcsicmp(kind.c_str(), L"Button") == 0) {
            if (!buttons.empty())
                buttons += ',';
            AppendJsonString(buttons, OwnText(child).c_str());
        } else {
            return;
        }
    }
    AppendMember(out, "messagebox");
    out += "{\"text\":";
    AppendJsonString(out, text.c_str());
    out += ",\"buttons\":[" + buttons + "]}";
}

static void AppendWindow(std::string &out, HWND window, BOOL topLevel)
{
    std::wstring kind = ClassName(window);
    out += "{\"handle\":";
    AppendJsonNumber(out, (long long)(ULONG_PTR)window);
    AppendMember(out, "class");
    AppendJsonString(out, kind.c_str());
    AppendMember(out, "text");
    // An edit control keeps its text to itself; only it can answer.
    AppendJsonString(out, (_wcsicmp(kind.c_str(), L"Edit") == 0 ? AskText(window) : OwnText(window)).c_str());
    AppendMember(out, "id");
    AppendJsonNumber(out, topLevel ? 0 : GetDlgCtrlID(window));
    RECT rect;
    GetWindowRect(window, &rect);
    AppendMember(out, "rect");
    AppendJsonRect(out, rect);
    AppendMember(out, "visible");
    out += IsWindowVisible(window) ? "true" : "false";
    if (topLevel) {
        AppendProcess(out, window);
        AppendMember(out, "owner");
        AppendJsonNumber(out, (long long)(ULONG_PTR)GetWindow(window, GW_OWNER));
    }
    if (kind == L"SysListView32") {
        AppendListView(out, window);
    } else if (kind == L"DISPLAYCLASS") {
        AppendMember(out, "html");
        out += "{\"source\":";
        AppendJsonString(out, AskText(window).c_str());
        AppendHtmlLinks(out, window);
        out += '}';
    } else if (kind == L"#32770") {
        AppendMessageBox(out, window);
    }
    AppendMember(out, "children");
    out += '[';
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (child != GetWindow(window, GW_CHILD))
            out += ',';
        AppendWindow(out, child, FALSE);
    }
    out += "]}";
}

static BOOL CALLBACK CollectWindowProc(HWND window, LPARAM windows)
{
    ((std::vector<HWND> *)windows)->push_back(window);
    return TRUE;
}

std::string DumpScreen()
{
    std::vector<HWND> windows;
    EnumWindows(CollectWindowProc, (LPARAM)&windows);
    std::string out = "{\"screen\":{\"width\":";
    AppendJsonNumber(out, GetSystemMetrics(SM_CXSCREEN));
    out += ",\"height\":";
    AppendJsonNumber(out, GetSystemMetrics(SM_CYSCREEN));
    out += "},\"foreground\":";
    AppendJsonNumber(out, (long long)(ULONG_PTR)GetForegroundWindow());
    out += ",\"windows\":[";
    for (size_t i = 0; i < windows.size(); i++) {
        if (i)
            out += ',';
        AppendWindow(out, windows[i], TRUE);
    }
    out += "]}\n";
    return out;
}
