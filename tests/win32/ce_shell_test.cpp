// The shell's StartUp folder and text shortcuts, and the calls that a
// desktop simply accepts.
#include "ce/pocketpc.h"
#include <gtest/gtest.h>
#include <fstream>
#include <sstream>
#include <string>

// CSIDL_PERSONAL, which the device shell has but the viewer never asks for.
static const int MyDocumentsFolder = 0x0005;

static std::string ReadFile(const char *path)
{
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

TEST(ShellFolders, StartUpIsTheDevicesFolderOnDriveC)
{
    WCHAR path[MAX_PATH] = L"";
    EXPECT_TRUE(SHGetSpecialFolderPath(NULL, path, CSIDL_STARTUP, FALSE));
    EXPECT_STREQ(L"\\Windows\\StartUp", path);
    RemoveDirectoryW(L"C:\\Windows\\StartUp");
    EXPECT_TRUE(SHGetSpecialFolderPath(NULL, path, CSIDL_STARTUP, TRUE));
    DWORD attributes = GetFileAttributesW(L"C:\\Windows\\StartUp");
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, attributes);
    EXPECT_TRUE(attributes & FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_FALSE(SHGetSpecialFolderPath(NULL, path, MyDocumentsFolder, FALSE));
}

// "N#target", N the count of 8-bit characters after the '#'.
static void ExpectShortcut(const std::string &target)
{
    std::string text = ReadFile("C:\\Windows\\StartUp\\Gallimaw Test.lnk");
    EXPECT_EQ(std::to_string(target.size()) + "#" + target, text);
}

TEST(ShellFolders, ShortcutIsCountedTextOfItsTarget)
{
    WCHAR folder[MAX_PATH];
    ASSERT_TRUE(SHGetSpecialFolderPath(NULL, folder, CSIDL_STARTUP, TRUE));
    WCHAR shortcut[MAX_PATH];
    lstrcpyW(shortcut, folder);
    lstrcatW(shortcut, L"\\Gallimaw Test.lnk");
    WCHAR target[] = L"\"\\Storage Card\\Program Files\\gallimaw-view.exe\" S";
    EXPECT_TRUE(SHCreateShortcut(shortcut, target));
    ExpectShortcut("\"\\Storage Card\\Program Files\\gallimaw-view.exe\" S");

    // A second shortcut replaces the first; N counts the 8-bit text.
    WCHAR accented[] = L"\"\\caf\u00e9.exe\" S";
    EXPECT_TRUE(SHCreateShortcut(shortcut, accented));
    ExpectShortcut("\"\\caf\xe9.exe\" S");
    DeleteFileW(L"C:\\Windows\\StartUp\\Gallimaw Test.lnk");

    WCHAR nowhere[] = L"\\No Such Folder\\x.lnk";
    EXPECT_FALSE(SHCreateShortcut(nowhere, target));
}

TEST(ShellActivation, AcceptsTheDevicesStructureSizes)
{
    SHACTIVATEINFO info = {};
    info.cbSize = SHACTIVATEINFO_DEVICE_SIZE;
    EXPECT_TRUE(SHHandleWMActivate(NULL, WA_ACTIVE, 0, &info, 0));
    EXPECT_TRUE(SHHandleWMSettingChange(NULL, 0, 0, &info));
    info.cbSize = sizeof info;
    EXPECT_TRUE(SHHandleWMActivate(NULL, WA_INACTIVE, 0, &info, 0));
    info.cbSize = 0;
    EXPECT_FALSE(SHHandleWMActivate(NULL, WA_ACTIVE, 0, &info, 0));
    EXPECT_FALSE(SHHandleWMSettingChange(NULL, 0, 0, &info));
}
