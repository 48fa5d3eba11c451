#include "boot_test_support.h"
#include "child_process.h"

void UseDeviceDrive()
{
    SetCurrentDirectoryW(L"C:\\");
}

void CreateDeviceFolders(const std::wstring &folder)
{
    for (size_t end = folder.find(L'\\', 1); end != std::wstring::npos; end = folder.find(L'\\', end + 1))
        CreateDirectoryW(folder.substr(0, end).c_str(), NULL);
}

std::wstring CopyOwnProgram(const std::wstring &folder)
{
    std::wstring self = OwnProgramPath();
    std::wstring copy = folder + self.substr(self.rfind(L'\\') + 1);
    CreateDeviceFolders(folder);
    if (!CopyFileW(self.c_str(), copy.c_str(), FALSE))
        return L"";
    return copy;
}
