// The contract with the emulated device: the device log, the start
// signal, the soft reset and the storage cards named in its registry.
#include "ce/pocketpc.h"
#include "ce/device_log.h"
#include "ce/device_contract.h"
#include <gtest/gtest.h>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <thread>

static std::string ReadLog(void)
{
    std::ifstream file(DEVICE_LOG_PATH, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

static std::string LastLine(const std::string &log)
{
    size_t end = log.size() && log.back() == '\n' ? log.size() - 1 : log.size();
    size_t start = log.rfind('\n', end ? end - 1 : 0);
    return log.substr(start == std::string::npos ? 0 : start + 1, end - (start == std::string::npos ? 0 : start + 1));
}

// "HH:MM:SS.mmm exe message"
static void ExpectLogLine(const std::string &line, const std::string &message)
{
    ASSERT_GE(line.size(), 13u) << line;
    for (int i : {0, 1, 3, 4, 6, 7, 9, 10, 11})
        EXPECT_TRUE(isdigit((unsigned char)line[i])) << line;
    EXPECT_EQ(':', line[2]);
    EXPECT_EQ('.', line[8]);
    EXPECT_EQ(" win32_ce_device_test.exe " + message, line.substr(12)) << line;
}

TEST(DeviceLog, AppendsOneLinePerEvent)
{
    std::string before = ReadLog();
    DeviceLog(L"event %d of %s", 7, L"test");
    std::string after = ReadLog();
    ASSERT_EQ(before, after.substr(0, before.size())) << "earlier lines stay";
    ExpectLogLine(LastLine(after), "event 7 of test");
}

static std::wstring StartedEventName(unsigned long number)
{
    wchar_t name[64] = {};
    _snwprintf(name, 63, DEVICE_WIDE(DEVICE_STARTED_EVENT_FORMAT), number);
    return name;
}

TEST(DeviceSignals, SignalStartedSetsItsEventAndLogs)
{
    HANDLE event = CreateEventW(NULL, TRUE, FALSE, StartedEventName(4711).c_str());
    SignalStarted(4711);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(event, 0));
    ExpectLogLine(LastLine(ReadLog()), "SignalStarted 4711");
    CloseHandle(event);

    // The event exists for the boot process even when it made none.
    SignalStarted(4712);
    HANDLE made = OpenEventW(SYNCHRONIZE, FALSE, StartedEventName(4712).c_str());
    ASSERT_TRUE(made);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(made, 0));
    CloseHandle(made);
}

TEST(DeviceSignals, SoftResetOnlyWhereTheDeviceKernelRuns)
{
    DWORD returned = 0;
    SetLastError(0);
    EXPECT_FALSE(KernelIoControl(IOCTL_HAL_REBOOT, NULL, 0, NULL, 0, &returned));
    EXPECT_EQ((DWORD)ERROR_NOT_SUPPORTED, GetLastError());

    HANDLE kernel = CreateMutexW(NULL, TRUE, DEVICE_WIDE(DEVICE_KERNEL_MUTEX));
    HANDLE reset = CreateEventW(NULL, TRUE, FALSE, DEVICE_WIDE(DEVICE_RESET_EVENT));
    SetLastError(0);
    EXPECT_FALSE(KernelIoControl(0x01010000, NULL, 0, NULL, 0, &returned)) << "other codes";
    EXPECT_EQ((DWORD)ERROR_NOT_SUPPORTED, GetLastError());

    // The call never returns: the device ends the process. Its thread is
    // left asleep until this test program ends.
    std::thread([] {
        DWORD count;
        KernelIoControl(IOCTL_HAL_REBOOT, NULL, 0, NULL, 0, &count);
    }).detach();
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(reset, 5000));
    ExpectLogLine(LastLine(ReadLog()), "soft reset requested");
    CloseHandle(reset);
    CloseHandle(kernel);
}

static const WCHAR CardsKey[] = DEVICE_WIDE(DEVICE_STORAGE_CARDS_KEY);

static std::set<std::wstring> FlashCards(void)
{
    std::set<std::wstring> cards;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFlashCard(&found);
    if (search == INVALID_HANDLE_VALUE)
        return cards;
    do
        cards.insert(found.cFileName);
    while (FindNextFlashCard(search, &found));
    EXPECT_TRUE(FindClose(search));
    return cards;
}

TEST(FlashCards, AreTheExistingFoldersNamedInTheDeviceRegistry)
{
    CreateDirectoryW(L"C:\\Gallimaw Test Card", NULL);
    CreateDirectoryW(L"C:\\Gallimaw Test Dword", NULL);
    CreateDirectoryW(L"C:\\Gallimaw Test Plain", NULL);
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS,
              RegCreateKeyExW(HKEY_LOCAL_MACHINE, CardsKey, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &key, NULL));
    const WCHAR data[] = L"card";
    DWORD one = 1;
    RegSetValueExW(key, L"Gallimaw Test Card", 0, REG_SZ, (const BYTE *)data, sizeof data);
    RegSetValueExW(key, L"Gallimaw Test Missing", 0, REG_SZ, (const BYTE *)data, sizeof data);
    RegSetValueExW(key, L"Gallimaw Test Dword", 0, REG_DWORD, (const BYTE *)&one, sizeof one);

    std::set<std::wstring> cards = FlashCards();
    EXPECT_EQ(1u, cards.count(L"Gallimaw Test Card"));
    EXPECT_EQ(0u, cards.count(L"Gallimaw Test Missing")) << "no such folder";
    EXPECT_EQ(0u, cards.count(L"Gallimaw Test Dword")) << "not a text value";
    EXPECT_EQ(0u, cards.count(L"Gallimaw Test Plain")) << "not named in the registry";

    RegDeleteValueW(key, L"Gallimaw Test Card");
    RegDeleteValueW(key, L"Gallimaw Test Missing");
    RegDeleteValueW(key, L"Gallimaw Test Dword");
    RegCloseKey(key);
    EXPECT_EQ(0u, FlashCards().count(L"Gallimaw Test Card"));
    RemoveDirectoryW(L"C:\\Gallimaw Test Card");
    RemoveDirectoryW(L"C:\\Gallimaw Test Dword");
    RemoveDirectoryW(L"C:\\Gallimaw Test Plain");
}
