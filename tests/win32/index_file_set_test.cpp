// The Index file set against the test prefix's real registry and files,
// with other processes holding the live files as the device's do.
#include "store/index_file_set.h"
#include "store/close_browser.h"
#include "app/app_values.h"
#include "ce/coredll.h"
#include "child_process.h"
#include <gtest/gtest.h>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

const wchar_t ShellFolders[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
const wchar_t SavedShellFolders[] = L"Software\\Gallimaw Saved Shell Folders";
// Device-form folders (no drive); the test's current drive is C:.
const wchar_t TestRoot[] = L"\\gallimaw-set-test";
const wchar_t TempFolder[] = L"C:\\gallimaw-set-test\\temp\\";
const wchar_t ChildMappingVariable[] = L"GALLIMAW_CHILD_MAPPING";
const wchar_t ChildExpectVariable[] = L"GALLIMAW_CHILD_EXPECT";
const wchar_t HolderStopEvent[] = L"GallimawFileHolderStop";
const DWORD StartTimeout = 10000;

std::vector<char> Pattern(size_t size, char seed)
{
    std::vector<char> bytes(size);
    for (size_t i = 0; i < size; i++)
        bytes[i] = (char)(seed + i * 7 + i / 251);
    return bytes;
}

void WriteBytes(const std::wstring &path, const std::vector<char> &bytes)
{
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(fs::path(path), std::ios::binary).write(bytes.data(), (std::streamsize)bytes.size());
}

std::vector<char> ReadBytes(const std::wstring &path)
{
    std::ifstream in(fs::path(path), std::ios::binary);
    return std::vector<char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<char> MappedBytes(HANDLE mapping)
{
    void *view = MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0);
    if (!view)
        return {};
    MEMORY_BASIC_INFORMATION info;
    VirtualQuery(view, &info, sizeof info);
    std::vector<char> bytes((char *)view, (char *)view + info.RegionSize);
    UnmapViewOfFile(view);
    return bytes;
}

bool Exists(const std::wstring &path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::wstring SnapshotPath(const wchar_t *shellFolder)
{
    return std::wstring(TempFolder) + shellFolder + L"~.tmp";
}

class IndexFileSetTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetCurrentDirectoryW(L"C:\\");
        SaveShellFolders();
        fs::create_directories(fs::path(TempFolder));
        SetEnvironmentVariableW(L"TMP", TempFolder);
        SetEnvironmentVariableW(L"TEMP", TempFolder);
        ZeroMemory(IndexFiles, sizeof IndexFiles);
        stopEvent = CreateEventW(NULL, TRUE, FALSE, HolderStopEvent);
        ResetEvent(stopEvent);
        for (int kind = 0; kind < IndexFileKinds; kind++)
            SetShellFolder(IndexKinds[kind].shellFolder, std::wstring(TestRoot) + L"\\" + IndexKinds[kind].fallbackFolder);
    }

    void TearDown() override
    {
        for (auto &process : processes)
            EndProgram(process);
        CloseHandle(stopEvent);
        for (auto &slot : IndexFiles)
            if (slot.mapping)
                CloseHandle(slot.mapping);
        RestoreShellFolders();
        std::error_code ignored;
        fs::remove_all(fs::path(L"C:") / TestRoot, ignored);
        for (auto &path : extraFiles)
            fs::remove(fs::path(path), ignored);
    }

    // The prefix's own shell folders are kept aside in a copy of the key.
    void SaveShellFolders()
    {
        RegDeleteTreeW(HKEY_CURRENT_USER, SavedShellFolders);
        HKEY source, copy;
        hadShellFolders = RegOpenKeyExW(HKEY_CURRENT_USER, ShellFolders, 0, KEY_READ, &source) == ERROR_SUCCESS;
        if (!hadShellFolders)
            return;
        RegCreateKeyExW(HKEY_CURRENT_USER, SavedShellFolders, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &copy, NULL);
        RegCopyTreeW(source, NULL, copy);
        RegCloseKey(copy);
        RegCloseKey(source);
    }

    void RestoreShellFolders()
    {
        RegDeleteTreeW(HKEY_CURRENT_USER, ShellFolders);
        if (!hadShellFolders)
            return;
        HKEY copy, target;
        RegOpenKeyExW(HKEY_CURRENT_USER, SavedShellFolders, 0, KEY_READ, &copy);
        RegCreateKeyExW(HKEY_CURRENT_USER, ShellFolders, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &target, NULL);
        RegCopyTreeW(copy, NULL, target);
        RegCloseKey(target);
        RegCloseKey(copy);
        RegDeleteTreeW(HKEY_CURRENT_USER, SavedShellFolders);
    }

    static void SetShellFolder(const wchar_t *name, const std::wstring &folder)
    {
        RegSetKeyValueW(HKEY_CURRENT_USER, ShellFolders, name, REG_SZ, folder.c_str(),
                        (DWORD)((folder.size() + 1) * sizeof(wchar_t)));
    }

    // The live file of a kind below the test root, in drive form.
    static std::wstring LivePath(int kind)
    {
        return std::wstring(L"C:") + TestRoot + L"\\" + IndexKinds[kind].fallbackFolder + IndexKinds[kind].subPath +
               L"\\index.dat";
    }

    void HoldFiles(const std::wstring &arguments, const std::wstring &lockedPath)
    {
        processes.push_back(StartProgram(DeviceProgramPath(L"file_holder.exe"), arguments));
        ASSERT_TRUE(processes.back().hProcess);
        ASSERT_TRUE(WaitUntilFileLocked(lockedPath, StartTimeout));
    }

    HANDLE stopEvent = NULL;
    bool hadShellFolders = false;
    std::vector<PROCESS_INFORMATION> processes;
    std::vector<std::wstring> extraFiles;
};

TEST_F(IndexFileSetTest, LivePathsComeFromTheShellFoldersWithinTheReadLimit)
{
    SetShellFolder(L"Cache", L"\\Windows\\Temporary Internet Files");
    SetShellFolder(L"Cookies", L"\\gallimaw-set-test\\Cookies");
    std::wstring longest = std::wstring(TestRoot) + L"\\";
    longest += std::wstring(129 - longest.size(), L'h');
    SetShellFolder(L"History", longest);
    FillIndexFileSet(APP_MAKER);
    EXPECT_STREQ(L"\\Windows\\Temporary Internet Files\\Content.IE5\\index.dat", IndexFiles[KindCache].path);
    EXPECT_STREQ(L"\\gallimaw-set-test\\Cookies\\index.dat", IndexFiles[KindCookies].path);
    EXPECT_EQ(longest + L"\\History.IE5\\index.dat", IndexFiles[KindHistory].path);

    SetShellFolder(L"History", longest + L"h");
    FillIndexFileSet(APP_MAKER);
    EXPECT_STREQ(L"\\Windows\\History\\index.dat", IndexFiles[KindHistory].path);

    // None of the files exists: every slot stays empty and nothing is copied.
    for (auto &slot : IndexFiles) {
        EXPECT_EQ(NULL, slot.mapping);
        EXPECT_EQ(0u, slot.size);
    }
    EXPECT_TRUE(fs::is_empty(fs::path(TempFolder)));
}

TEST_F(IndexFileSetTest, WithoutTheShellFolderKeyTheWindowsFoldersAreUsed)
{
    RegDeleteTreeW(HKEY_CURRENT_USER, ShellFolders);
    const std::wstring history = L"C:\\windows\\History\\index.dat";
    ASSERT_FALSE(Exists(history));
    if (!Exists(L"C:\\windows\\History"))
        extraFiles.push_back(L"C:\\windows\\History");
    extraFiles.insert(extraFiles.begin(), history);
    WriteBytes(history, Pattern(3000, 'h'));

    FillIndexFileSet(APP_MAKER);
    EXPECT_STREQ(L"\\Windows\\Temporary Internet Files\\index.dat", IndexFiles[KindCache].path);
    EXPECT_STREQ(L"\\Windows\\Cookies\\index.dat", IndexFiles[KindCookies].path);
    EXPECT_STREQ(L"\\Windows\\History\\index.dat", IndexFiles[KindHistory].path);
    EXPECT_TRUE(IndexFiles[KindHistory].mapping);
    EXPECT_EQ(3000u, IndexFiles[KindHistory].size);
    EXPECT_EQ(Pattern(3000, 'h'), ReadBytes(SnapshotPath(L"History")));
    ReleaseIndexFileSet();
}

TEST_F(IndexFileSetTest, ReadableLiveFileIsCopiedAfreshAndMappedByName)
{
    const auto live = Pattern(10000, 'c');
    WriteBytes(LivePath(KindCache), live);
    WriteBytes(SnapshotPath(L"Cache"), Pattern(65536, 'o'));
    FillIndexFileSet(APP_MAKER);

    ASSERT_TRUE(IndexFiles[KindCache].mapping);
    EXPECT_EQ(10000u, IndexFiles[KindCache].size);
    EXPECT_EQ(LivePath(KindCache).substr(2), IndexFiles[KindCache].path);
    EXPECT_EQ(live, ReadBytes(SnapshotPath(L"Cache")));

    // Another process finds the copy under the mapping name.
    SetEnvironmentVariableW(ChildMappingVariable, L"Orrenby-CacheID");
    SetEnvironmentVariableW(ChildExpectVariable, LivePath(KindCache).c_str());
    int childResult = RunOwnTest(OwnProgramPath(), L"IndexMappingChild.*", 60000);
    SetEnvironmentVariableW(ChildMappingVariable, NULL);
    SetEnvironmentVariableW(ChildExpectVariable, NULL);
    EXPECT_EQ(0, childResult);
    ReleaseIndexFileSet();
}

// Run as a child by the test above; skipped on its own.
TEST(IndexMappingChild, OpensTheSnapshotByName)
{
    const wchar_t *name = _wgetenv(ChildMappingVariable);
    const wchar_t *expected = _wgetenv(ChildExpectVariable);
    if (!name || !expected)
        GTEST_SKIP() << "runs only as a child of another test";
    HANDLE mapping = OpenFileMappingW(FILE_MAP_READ, FALSE, name);
    ASSERT_TRUE(mapping);
    const auto bytes = ReadBytes(expected);
    auto mapped = MappedBytes(mapping);
    mapped.resize(bytes.size());
    EXPECT_EQ(bytes, mapped);
    CloseHandle(mapping);
}

TEST_F(IndexFileSetTest, HeldOrEmptyLiveFilesLeaveTheOldCopyInUse)
{
    const auto earlier = Pattern(65536, 'e');
    const auto olderHistory = Pattern(4096, 'y');
    WriteBytes(LivePath(KindCache), Pattern(20000, 'c'));
    WriteBytes(SnapshotPath(L"Cache"), earlier);
    WriteBytes(LivePath(KindCookies), Pattern(5000, 'k'));
    WriteBytes(LivePath(KindHistory), {});
    WriteBytes(SnapshotPath(L"History"), olderHistory);
    HoldFiles(L"cache,cookies", LivePath(KindCookies));
    ASSERT_TRUE(WaitUntilFileLocked(LivePath(KindCache), StartTimeout));

    FillIndexFileSet(APP_MAKER);

    // Held, with a copy from an earlier run: the copy, unchanged.
    ASSERT_TRUE(IndexFiles[KindCache].mapping);
    EXPECT_EQ(65536u, IndexFiles[KindCache].size);
    EXPECT_EQ(LivePath(KindCache).substr(2), IndexFiles[KindCache].path);
    EXPECT_EQ(earlier, MappedBytes(IndexFiles[KindCache].mapping));
    // Held, no copy: an empty copy, no mapping, the listed size.
    EXPECT_EQ(NULL, IndexFiles[KindCookies].mapping);
    EXPECT_EQ(5000u, IndexFiles[KindCookies].size);
    ASSERT_TRUE(Exists(SnapshotPath(L"Cookies")));
    EXPECT_EQ(0u, fs::file_size(fs::path(SnapshotPath(L"Cookies"))));
    // Empty live file: the older copy, unchanged.
    ASSERT_TRUE(IndexFiles[KindHistory].mapping);
    EXPECT_EQ(4096u, IndexFiles[KindHistory].size);
    EXPECT_EQ(olderHistory, ReadBytes(SnapshotPath(L"History")));

    ReleaseIndexFileSet();
    EXPECT_TRUE(fs::is_empty(fs::path(TempFolder)));
    EXPECT_EQ(NULL, OpenFileMappingW(FILE_MAP_READ, FALSE, L"Orrenby-CacheID"));
}

TEST_F(IndexFileSetTest, HolderLetsGoWhenItsStopEventIsSet)
{
    WriteBytes(LivePath(KindHistory), Pattern(100, 'h'));
    HoldFiles(L"\"" + LivePath(KindHistory) + L"\"", LivePath(KindHistory));
    SetEvent(stopEvent);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(processes.back().hProcess, StartTimeout));
    FillIndexFileSet(APP_MAKER);
    EXPECT_TRUE(IndexFiles[KindHistory].mapping);
    ReleaseIndexFileSet();
}

TEST_F(IndexFileSetTest, MissingLiveFileLeavesItsCopyAlone)
{
    WriteBytes(LivePath(KindCache), Pattern(700, 'c'));
    const auto olderCookies = Pattern(900, 'o');
    WriteBytes(SnapshotPath(L"Cookies"), olderCookies);
    FillIndexFileSet(APP_MAKER);
    EXPECT_EQ(NULL, IndexFiles[KindCookies].mapping);
    EXPECT_EQ(0u, IndexFiles[KindCookies].size);
    EXPECT_EQ(LivePath(KindCookies).substr(2), IndexFiles[KindCookies].path);
    EXPECT_EQ(olderCookies, ReadBytes(SnapshotPath(L"Cookies")));
    EXPECT_FALSE(Exists(SnapshotPath(L"History")));

    ReleaseIndexFileSet();
    EXPECT_TRUE(fs::is_empty(fs::path(TempFolder)));
}

// The copy of a read-only live file is read-only too unless made writable.
TEST_F(IndexFileSetTest, ReadOnlyLiveFileLeavesNoCopyBehindAndAFreshOneNextTime)
{
    const std::wstring live = LivePath(KindCache);
    WriteBytes(live, Pattern(5000, 'a'));
    SetFileAttributesW(live.c_str(), FILE_ATTRIBUTE_READONLY);
    FillIndexFileSet(APP_MAKER);
    ReleaseIndexFileSet();
    EXPECT_TRUE(fs::is_empty(fs::path(TempFolder)));

    SetFileAttributesW(live.c_str(), FILE_ATTRIBUTE_NORMAL);
    WriteBytes(live, Pattern(6000, 'b'));
    FillIndexFileSet(APP_MAKER);
    ASSERT_TRUE(IndexFiles[KindCache].mapping);
    auto mapped = MappedBytes(IndexFiles[KindCache].mapping);
    mapped.resize(6000);
    EXPECT_EQ(Pattern(6000, 'b'), mapped);
    ReleaseIndexFileSet();
}

// A live file that goes between the search and the probe stays gone.
TEST_F(IndexFileSetTest, ProbingAGoneLiveFileCreatesNothing)
{
    fs::create_directories(fs::path(LivePath(KindCookies)).parent_path());
    EXPECT_EQ(NULL, ProbeLiveFile(LivePath(KindCookies).c_str(), L"Cookies", APP_MAKER));
    EXPECT_FALSE(Exists(LivePath(KindCookies)));
}

TEST_F(IndexFileSetTest, FillAndReleaseLeaveTheLiveFilesUntouched)
{
    std::vector<std::vector<char>> contents;
    std::vector<fs::file_time_type> times;
    for (int kind = 0; kind < IndexFileKinds; kind++) {
        contents.push_back(Pattern(30000 + kind * 1000, (char)('a' + kind)));
        WriteBytes(LivePath(kind), contents.back());
        times.push_back(fs::last_write_time(fs::path(LivePath(kind))));
    }
    FillIndexFileSet(APP_MAKER);
    for (int kind = 0; kind < IndexFileKinds; kind++) {
        ASSERT_TRUE(IndexFiles[kind].mapping);
        EXPECT_EQ(contents[kind].size(), IndexFiles[kind].size);
        auto mapped = MappedBytes(IndexFiles[kind].mapping);
        mapped.resize(contents[kind].size());
        EXPECT_EQ(contents[kind], mapped);
    }
    ReleaseIndexFileSet();

    for (int kind = 0; kind < IndexFileKinds; kind++) {
        EXPECT_EQ(contents[kind], ReadBytes(LivePath(kind)));
        EXPECT_EQ(times[kind], fs::last_write_time(fs::path(LivePath(kind))));
    }
    EXPECT_TRUE(fs::is_empty(fs::path(TempFolder)));
    for (const wchar_t *name : { L"Orrenby-CacheID", L"Orrenby-CookiesID", L"Orrenby-HistoryID" })
        EXPECT_EQ(NULL, OpenFileMappingW(FILE_MAP_READ, FALSE, name));
}

TEST_F(IndexFileSetTest, TemporaryFolderTooLongLeavesTheSlotsUnmapped)
{
    WriteBytes(LivePath(KindCache), Pattern(1200, 'c'));
    const std::wstring tooLong = L"C:\\" + std::wstring(250, L'T') + L"\\";
    SetEnvironmentVariableW(L"TMP", tooLong.c_str());
    SetEnvironmentVariableW(L"TEMP", tooLong.c_str());
    FillIndexFileSet(APP_MAKER);
    EXPECT_EQ(NULL, IndexFiles[KindCache].mapping);
    EXPECT_EQ(1200u, IndexFiles[KindCache].size);
    EXPECT_EQ(LivePath(KindCache).substr(2), IndexFiles[KindCache].path);
    EXPECT_EQ(NULL, OpenFileMappingW(FILE_MAP_READ, FALSE, L"Orrenby-CacheID"));
    EXPECT_TRUE(fs::is_empty(fs::path(TempFolder)));
}

TEST_F(IndexFileSetTest, ClosingTheBrowserMakesItsFilesReadable)
{
    for (int kind = 0; kind < IndexFileKinds; kind++)
        WriteBytes(LivePath(kind), Pattern(8000, (char)('p' + kind)));
    processes.push_back(StartProgram(DeviceProgramPath(L"iexplore.exe"), L"http://example.test/"));
    ASSERT_TRUE(WaitForProcessWindow(processes.back().dwProcessId, L"IExplore", StartTimeout));
    for (int kind = 0; kind < IndexFileKinds; kind++)
        ASSERT_TRUE(WaitUntilFileLocked(LivePath(kind), StartTimeout));

    EnumWindows(CloseBrowserWindowProc, 0);
    FillIndexFileSet(APP_MAKER);
    for (int kind = 0; kind < IndexFileKinds; kind++) {
        ASSERT_TRUE(IndexFiles[kind].mapping);
        EXPECT_EQ(Pattern(8000, (char)('p' + kind)), ReadBytes(SnapshotPath(IndexKinds[kind].shellFolder)));
    }
    ReleaseIndexFileSet();
}

TEST_F(IndexFileSetTest, OpeningForMappingLetsOtherReadersIn)
{
    WriteBytes(LivePath(KindCache), Pattern(10, 'c'));
    HANDLE file = CreateFileForMappingW(LivePath(KindCache).c_str(), GENERIC_READ, 0, NULL, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    HANDLE reader = CreateFileW(LivePath(KindCache).c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, NULL);
    EXPECT_NE(INVALID_HANDLE_VALUE, reader);
    CloseHandle(reader);
    CloseHandle(file);
}

} // namespace
