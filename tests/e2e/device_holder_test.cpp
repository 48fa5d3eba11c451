// The file holder started at boot keeps the chosen index files from every
// reader that asks for read sharing; the others stay readable. A hold that
// cannot be taken fails the boot.
#include <gtest/gtest.h>
#include <filesystem>
#include "device_driver.h"

using namespace std::chrono_literals;

static std::string OpenInDevice(const Device &device, const std::string &devicePath)
{
    return DeviceCommand(device, "run", {"C:\\windows\\device_probe.exe", "open", devicePath}).out;
}

TEST(DeviceHolder, KeepsTheChosenIndexFilesFromReaders)
{
    if (!std::filesystem::exists(Win32BuildPath("device/file_holder.exe")))
        GTEST_SKIP() << "file_holder.exe is not built";
    Device device;
    CommandResult create = CreateDevice(
        device, {"--viewer", Win32BuildPath("device/device_probe.exe"), "--hold", "cookies,history", "--no-browser"});
    ASSERT_EQ(create.code, 0) << create.err;
    ASSERT_EQ(BootDevice(device).code, 0);
    EXPECT_GE(FindEntry(DeviceLogEntries(device), "start file_holder.exe cookies,history"), 0);

    const std::string sharingViolation = "exit code 32\n";
    EXPECT_TRUE(WaitFor([&] { return OpenInDevice(device, "\\Windows\\Cookies\\index.dat") == sharingViolation; },
                        10s));
    EXPECT_EQ(OpenInDevice(device, "\\Windows\\History\\History.IE5\\index.dat"), sharingViolation);
    EXPECT_EQ(OpenInDevice(device, "\\Windows\\Temporary Internet Files\\Content.IE5\\index.dat"), "exit code 0\n");
}

TEST(DeviceHolder, ABootThatCannotHoldAFileFailsAndStops)
{
    Device device;
    CommandResult create =
        CreateDevice(device, {"--viewer", Win32BuildPath("device/device_probe.exe"), "--hold", "history"});
    ASSERT_EQ(create.code, 0) << create.err;
    std::filesystem::remove(DevicePathOnHost(device, "\\Windows\\History\\History.IE5\\index.dat"));
    CommandResult boot = BootDevice(device);
    EXPECT_EQ(boot.code, 1);
    EXPECT_NE(boot.err.find("cannot hold \\Windows\\History\\History.IE5\\index.dat: error 2"), std::string::npos)
        << boot.err;
    CommandResult dump = DeviceCommand(device, "ui", {"dump"});
    EXPECT_NE(dump.err.find("the device is not running"), std::string::npos) << dump.err;
}
