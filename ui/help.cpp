// Outside programs the viewer hands over to: the help viewer at a topic of
// the help file, and the browser at the maker's web site.
#include "ce/pocketpc.h"
#include "ui/ui_values.h"
#include "ui/help.h"

// The device looks for a program named without a folder in \Windows.
#define PROGRAM_FOLDER L"\\Windows\\"

// Starts a program of the device without waiting for it; a failure goes
// unreported.
static void StartProgram(LPCWSTR module, LPCWSTR arguments)
{
    WCHAR path[MAX_PATH];
    wsprintfW(path, L"%s%s", PROGRAM_FOLDER, module);
    // Desktop Win32 hands the program its command line with its own name as
    // the first word, may write into that line, and needs start-up
    // information and somewhere to put the new process's handles, which are
    // closed at once.
    WCHAR commandLine[MAX_PATH * 2];
    wsprintfW(commandLine, L"%s %s", module, arguments);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (CreateProcessW(path, commandLine, NULL, NULL, FALSE, 0, NULL, NULL, &startup, &process)) {
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
}

void OpenHelp(LPCWSTR topic, LPCWSTR fileBase)
{
    WCHAR commandLine[MAX_PATH];
    wsprintfW(commandLine, L"file:%s.htm#%s", fileBase, topic);
    StartProgram(L"peghelp.exe", commandLine);
}

void OpenWebSite(void)
{
    StartProgram(L"iexplore.exe", ProgramWebAddress);
}
