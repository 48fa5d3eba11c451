// Registry reads and writes against the test prefix's real registry.
#include "store/registry.h"
#include "open_handles.h"
#include <gtest/gtest.h>
#include <cstring>
#include <vector>

namespace {

const wchar_t TestKey[] = L"Software\\Gallimaw Registry Test";
const wchar_t NestedKey[] = L"Software\\Gallimaw Registry Test\\Apps\\Orrenby Gallimaw View";

class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override { RegDeleteTreeW(HKEY_CURRENT_USER, TestKey); }
    void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, TestKey); }
};

TEST_F(RegistryTest, BinaryWriteCreatesTheMissingKeyAndReadsBack)
{
    const BYTE settings[4] = { 1, 0, 0, 0 };
    const auto freeHandles = NextHandles();
    ASSERT_EQ(ERROR_SUCCESS, WriteRegBinary(HKEY_CURRENT_USER, NestedKey, L"Settings", settings, sizeof settings));

    BYTE read[8] = {};
    DWORD size = sizeof read;
    ASSERT_EQ(ERROR_SUCCESS, ReadRegValue(HKEY_CURRENT_USER, NestedKey, L"Settings", read, &size));
    EXPECT_EQ(4u, size);
    EXPECT_EQ(0, memcmp(settings, read, 4));
    EXPECT_EQ(freeHandles, NextHandles()) << "a key was left open";

    DWORD type = 0;
    RegGetValueW(HKEY_CURRENT_USER, NestedKey, L"Settings", RRF_RT_ANY, &type, NULL, NULL);
    EXPECT_EQ((DWORD)REG_BINARY, type);
}

TEST_F(RegistryTest, ValuesKeepTheirTypeAndOverwrite)
{
    const wchar_t first[] = L"first", second[] = L"second value";
    ASSERT_EQ(ERROR_SUCCESS, WriteRegValue(HKEY_CURRENT_USER, TestKey, L"Text", first, sizeof first, REG_SZ));
    ASSERT_EQ(ERROR_SUCCESS, WriteRegValue(HKEY_CURRENT_USER, TestKey, L"Text", second, sizeof second, REG_SZ));
    wchar_t read[32] = {};
    DWORD size = sizeof read;
    ASSERT_EQ(ERROR_SUCCESS, ReadRegValue(HKEY_CURRENT_USER, TestKey, L"Text", read, &size));
    EXPECT_STREQ(second, read);
    EXPECT_EQ(sizeof second, size);
}

TEST_F(RegistryTest, FailuresReportThePlatformCodes)
{
    BYTE read[4];
    DWORD size = sizeof read;
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, ReadRegValue(HKEY_CURRENT_USER, NestedKey, L"Settings", read, &size));

    const BYTE data[8] = { 1, 2, 3, 4, 5, 6, 7, 8 };
    ASSERT_EQ(ERROR_SUCCESS, WriteRegBinary(HKEY_CURRENT_USER, TestKey, L"Eight", data, sizeof data));
    size = sizeof read;
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, ReadRegValue(HKEY_CURRENT_USER, TestKey, L"Missing", read, &size));
    size = sizeof read;
    EXPECT_EQ(ERROR_MORE_DATA, ReadRegValue(HKEY_CURRENT_USER, TestKey, L"Eight", read, &size));
    EXPECT_EQ(8u, size);

    // A root that is no longer open: the second open's code comes back.
    HKEY closed;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_CURRENT_USER, TestKey, 0, KEY_READ, &closed));
    RegCloseKey(closed);
    EXPECT_EQ(ERROR_INVALID_HANDLE, WriteRegBinary(closed, L"Sub", L"Eight", data, sizeof data));
}

} // namespace
