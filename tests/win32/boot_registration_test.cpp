// The program's init entry and StartUp shortcut, on the real registry and
// the real StartUp folder of the test prefix.
#include <gtest/gtest.h>
#include <map>
#include <string>
#include <vector>
#include "ce/pocketpc.h"
#include "boot/boot_registration.h"
#include "boot/startup_shortcut.h"
#include "boot_test_support.h"
#include "child_process.h"
#include "open_handles.h"

typedef std::vector<BYTE> Bytes;
struct Value {
    DWORD type;
    Bytes data;
    bool operator==(const Value &other) const { return type == other.type && data == other.data; }
};
typedef std::map<std::wstring, Value> Values;

static void PrintTo(const Value &value, std::ostream *out)
{
    *out << "type " << value.type << ":";
    for (BYTE byte : value.data)
        *out << " " << (int)byte;
}

static const Bytes ShellDepend = {0x14, 0x00, 0x1E, 0x00};
static const wchar_t DeepFolder[] = L"\\gallimaw-deep\\";
static const wchar_t CopyVariable[] = L"GALLIMAW_BOOT_COPY";
static const DWORD ChildTimeout = 60000;

static std::wstring OwnPath()
{
    WCHAR path[MAX_PATH];
    CeGetModuleFileNameW(NULL, path, MAX_PATH);
    return path;
}

static Value Text(const std::wstring &text)
{
    const BYTE *bytes = (const BYTE *)text.c_str();
    return {REG_SZ, Bytes(bytes, bytes + (text.size() + 1) * sizeof(wchar_t))};
}

static Value Binary(const Bytes &bytes)
{
    return {REG_BINARY, bytes};
}

// Every case writes the init key it needs and reads back all of it; on
// every way out, failures included, the operations close what they opened.
class InitKey : public testing::Test {
protected:
    void SetUp() override
    {
        UseDeviceDrive();
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"init");
        ASSERT_EQ(ERROR_SUCCESS,
                  RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"init", 0, NULL, 0, KEY_ALL_ACCESS, NULL, &key, NULL));
        freeHandles = NextHandles();
    }
    void TearDown() override
    {
        EXPECT_EQ(freeHandles, NextHandles()) << "a handle was left open";
        RegCloseKey(key);
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"init");
    }
    void Put(const std::wstring &name, const Value &value)
    {
        RegSetValueExW(key, name.c_str(), 0, value.type, value.data.data(), (DWORD)value.data.size());
    }
    void PutAll(const Values &values)
    {
        for (const auto &value : values)
            Put(value.first, value.second);
    }
    // A device-like key: kernel parts first, the shell at 50 after them.
    Values PutDevice()
    {
        Values device = {
            {L"Launch20", Text(L"device.exe")},
            {L"Launch30", Text(L"gwes.exe")},
            {L"Depend30", Binary({0x14, 0x00})},
            {L"Launch50", Text(L"shell32.exe")},
            {L"Depend50", Binary(ShellDepend)},
        };
        PutAll(device);
        return device;
    }
    Values Read()
    {
        Values values;
        for (DWORD index = 0;; index++) {
            WCHAR name[300];
            BYTE data[2048];
            DWORD nameLength = 300, size = sizeof(data), type;
            if (RegEnumValueW(key, index, name, &nameLength, NULL, &type, data, &size) != ERROR_SUCCESS)
                return values;
            values[name] = {type, Bytes(data, data + size)};
        }
    }
    HKEY key;
    std::vector<HANDLE> freeHandles;
};

static Values With(Values values, int number, const std::wstring &path, const Bytes &depend)
{
    WCHAR launch[16], dependName[16];
    wsprintfW(launch, L"Launch%02d", number);
    wsprintfW(dependName, L"Depend%02d", number);
    values[launch] = Text(path);
    values[dependName] = Binary(depend);
    return values;
}

TEST_F(InitKey, RegistersJustBelowTheShellWithItsPrerequisites)
{
    Values device = PutDevice();
    EXPECT_EQ(0, RegisterBootLaunch());
    EXPECT_EQ(With(device, 49, OwnPath(), ShellDepend), Read());
}

TEST_F(InitKey, TakesTheHighestFreeNumber)
{
    Values device = PutDevice();
    Put(L"Launch49", Text(L"other.exe"));
    device[L"Launch49"] = Text(L"other.exe");
    EXPECT_EQ(0, RegisterBootLaunch());
    EXPECT_EQ(With(device, 48, OwnPath(), ShellDepend), Read());
}

TEST_F(InitKey, NumbersBelowTenCarryALeadingZero)
{
    Values device = {{L"Launch08", Text(L"shell32.exe")}, {L"Depend08", Binary({0x03, 0x00})}};
    PutAll(device);
    EXPECT_EQ(0, RegisterBootLaunch());
    EXPECT_EQ(With(device, 7, OwnPath(), {0x03, 0x00}), Read());
}

TEST_F(InitKey, NoFreeNumberBelowTheShellWritesNothing)
{
    Values lowest = {{L"Launch01", Text(L"shell32.exe")}, {L"Depend01", Binary(ShellDepend)}};
    PutAll(lowest);
    EXPECT_EQ(16, RegisterBootLaunch());
    EXPECT_EQ(lowest, Read());

    Values full = {{L"Launch01", Text(L"a.exe")}, {L"Launch02", Text(L"b.exe")},
                   {L"Launch03", Text(L"shell32.exe")}, {L"Depend03", Binary(ShellDepend)}};
    PutAll(full);
    full.insert(lowest.begin(), lowest.end());
    EXPECT_EQ(16, RegisterBootLaunch());
    EXPECT_EQ(full, Read());
}

// Values enumerate in name order here, so "Aaaa" names come before the shell.
TEST_F(InitKey, OnlyTheFirstHundredValuesAreLookedAt)
{
    Values values = PutDevice();
    for (int i = 0; i < 95; i++) {
        WCHAR name[16];
        wsprintfW(name, L"Aaaa%03d", i);
        Put(name, Text(L"x.exe"));
        values[name] = Text(L"x.exe");
    }
    // The shell is the 100th value; the program's new entry is the 102nd.
    EXPECT_EQ(0, RegisterBootLaunch());
    values = With(values, 49, OwnPath(), ShellDepend);
    EXPECT_EQ(values, Read());
    EXPECT_EQ(16, UnregisterBootLaunch());
    EXPECT_EQ(values, Read());

    // One more before it makes the shell the 101st.
    Put(L"Aaaa095", Text(L"x.exe"));
    values[L"Aaaa095"] = Text(L"x.exe");
    EXPECT_EQ(16, RegisterBootLaunch());
    EXPECT_EQ(16, UnregisterBootLaunch());
    EXPECT_EQ(values, Read());
}

TEST_F(InitKey, OnlyTheExactShellTextCounts)
{
    Values values = {{L"Launch60", Text(L"Shell32.exe")}, {L"Depend60", Binary(ShellDepend)},
                     {L"Launch70", Text(L"shell32.exe.bak")}, {L"Depend70", Binary(ShellDepend)}};
    PutAll(values);
    EXPECT_EQ(ERROR_NO_MORE_ITEMS, RegisterBootLaunch());
    EXPECT_EQ(values, Read());

    Put(L"Launch50", Text(L"shell32.exe"));
    Put(L"Depend50", Binary({0x07, 0x00}));
    values = Read();
    EXPECT_EQ(0, RegisterBootLaunch());
    EXPECT_EQ(With(values, 49, OwnPath(), {0x07, 0x00}), Read());
}

TEST_F(InitKey, AShellWithoutPrerequisitesLeavesTheLaunchValueAlone)
{
    Values values = {{L"Launch50", Text(L"shell32.exe")}};
    PutAll(values);
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegisterBootLaunch());
    values[L"Launch49"] = Text(OwnPath());
    EXPECT_EQ(values, Read());

    // The next normal start still removes it.
    EXPECT_EQ(0, UnregisterBootLaunch());
    values.erase(L"Launch49");
    EXPECT_EQ(values, Read());
}

TEST_F(InitKey, MissingKeyIsReported)
{
    RegCloseKey(key);
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"init");
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegisterBootLaunch());
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, UnregisterBootLaunch());
    RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"init", 0, NULL, 0, KEY_ALL_ACCESS, NULL, &key, NULL);
}

TEST_F(InitKey, RemovingWithoutARegistrationRemovesNothing)
{
    Values device = PutDevice();
    EXPECT_EQ(ERROR_NO_MORE_ITEMS, UnregisterBootLaunch());
    EXPECT_EQ(device, Read());

    // Without the shell's entry even the program's own stays.
    Values orphan = {{L"Launch49", Text(OwnPath())}, {L"Depend49", Binary(ShellDepend)}};
    RegDeleteValueW(key, L"Launch50");
    PutAll(orphan);
    Values before = Read();
    EXPECT_EQ(ERROR_NO_MORE_ITEMS, UnregisterBootLaunch());
    EXPECT_EQ(before, Read());
}

TEST_F(InitKey, EachRegistrationAddsOneEntryAndEachRemovalTakesOne)
{
    Values device = PutDevice();
    EXPECT_EQ(0, RegisterBootLaunch());
    EXPECT_EQ(0, RegisterBootLaunch());
    Values twice = With(With(device, 49, OwnPath(), ShellDepend), 48, OwnPath(), ShellDepend);
    EXPECT_EQ(twice, Read());

    EXPECT_EQ(0, UnregisterBootLaunch());
    EXPECT_EQ(twice.size() - 2, Read().size());
    EXPECT_EQ(0, UnregisterBootLaunch());
    EXPECT_EQ(device, Read());
    EXPECT_EQ(ERROR_NO_MORE_ITEMS, UnregisterBootLaunch());
}

// Another program's entry with a long path lies before the shell's.
TEST_F(InitKey, LongPathsDoNotStopTheWalk)
{
    Values device = PutDevice();
    std::wstring longPath = L"\\Program Files\\" + std::wstring(170, L'p') + L"\\long.exe";
    ASSERT_EQ(194u, longPath.size());
    Put(L"Launch10", Text(longPath));
    device[L"Launch10"] = Text(longPath);
    EXPECT_EQ(0, RegisterBootLaunch());
    EXPECT_EQ(0, UnregisterBootLaunch());
    EXPECT_EQ(device, Read());
}

// The program itself in a folder deep enough for a 200-character path.
TEST_F(InitKey, AnEntryWithALongExecutablePathIsFoundAndRemoved)
{
    Values device = PutDevice();
    std::wstring name = OwnPath().substr(OwnPath().rfind(L'\\') + 1);
    std::wstring folder = DeepFolder;
    while (folder.size() + name.size() < 200)
        folder += std::wstring(std::min<size_t>(40, 200 - folder.size() - name.size()), L'd') + L"\\";
    std::wstring copy = CopyOwnProgram(folder);
    ASSERT_GE(copy.size(), 200u);

    SetEnvironmentVariableW(CopyVariable, L"1");
    EXPECT_EQ(0, RunOwnTest(copy, L"CopiedProgram.Registers", ChildTimeout));
    EXPECT_EQ(With(device, 49, copy, ShellDepend), Read());
    EXPECT_EQ(0, RunOwnTest(copy, L"CopiedProgram.Unregisters", ChildTimeout));
    SetEnvironmentVariableW(CopyVariable, NULL);
    EXPECT_EQ(device, Read());
    DeleteFileW(copy.c_str());
}

// Run in the copy by the case above, on the key that case wrote.
TEST(CopiedProgram, Registers)
{
    if (!_wgetenv(CopyVariable))
        GTEST_SKIP() << "runs only in a copy started by another test";
    EXPECT_EQ(0, RegisterBootLaunch());
}

TEST(CopiedProgram, Unregisters)
{
    if (!_wgetenv(CopyVariable))
        GTEST_SKIP() << "runs only in a copy started by another test";
    EXPECT_EQ(0, UnregisterBootLaunch());
}

static std::wstring StartupFolder()
{
    WCHAR folder[MAX_PATH];
    SHGetSpecialFolderPath(NULL, folder, CSIDL_STARTUP, FALSE);
    return folder;
}

static std::vector<std::wstring> FolderFiles(const std::wstring &folder)
{
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE)
        return names;
    do
        names.push_back(found.cFileName);
    while (FindNextFileW(find, &found));
    FindClose(find);
    return names;
}

static std::string FileText(const std::wstring &path)
{
    std::string text;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return text;
    char buffer[4096];
    DWORD got;
    while (ReadFile(file, buffer, sizeof(buffer), &got, NULL) && got)
        text.append(buffer, got);
    CloseHandle(file);
    return text;
}

static std::string Narrow(const std::wstring &text)
{
    return std::string(text.begin(), text.end());
}

class StartupShortcut : public testing::Test {
protected:
    void SetUp() override
    {
        UseDeviceDrive();
        CreateDeviceFolders(StartupFolder() + L"\\");
        shortcut = StartupFolder() + L"\\Gallimaw View.lnk";
        DeleteFileW(shortcut.c_str());
    }
    void TearDown() override { DeleteFileW(shortcut.c_str()); }
    std::wstring shortcut;
};

TEST_F(StartupShortcut, StartsTheProgramWithTheArgumentS)
{
    EXPECT_EQ(1, SetStartupShortcut(TRUE, L"Gallimaw View", L"S"));
    std::string target = "\"" + Narrow(OwnPath()) + "\" S";
    EXPECT_EQ(std::to_string(target.size()) + "#" + target, FileText(shortcut));

    EXPECT_EQ(0, SetStartupShortcut(FALSE, L"Gallimaw View", NULL));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(shortcut.c_str()));
}

TEST_F(StartupShortcut, RemovingAMissingShortcutChangesNothing)
{
    std::wstring other = StartupFolder() + L"\\Other.lnk";
    CloseHandle(CreateFileW(other.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL));
    std::vector<std::wstring> before = FolderFiles(StartupFolder());
    EXPECT_EQ(0, SetStartupShortcut(FALSE, L"Gallimaw View", NULL));
    EXPECT_EQ(before, FolderFiles(StartupFolder()));
    DeleteFileW(other.c_str());
}
