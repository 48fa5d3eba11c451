// The soft reset: asked for from inside the device, it ends every process
// of the device and runs the boot sequence again.
#include <gtest/gtest.h>
#include "device_driver.h"

using namespace std::chrono_literals;

static int CountEntries(const std::vector<std::string> &entries, const std::string &text)
{
    int count = 0;
    for (int at = FindEntry(entries, text); at >= 0; at = FindEntry(entries, text, at + 1))
        count++;
    return count;
}

TEST(DeviceReset, EndsEveryDeviceProcessAndBootsAgain)
{
    Device device;
    CommandResult create = CreateDevice(device, {"--viewer", Win32BuildPath("device/device_probe.exe")});
    ASSERT_EQ(create.code, 0) << create.err;
    ASSERT_EQ(BootDevice(device).code, 0);

    CommandResult ask = DeviceCommand(device, "ui", {"start", "C:\\windows\\device_probe.exe", "ask", "Before?"});
    ASSERT_EQ(ask.code, 0) << ask.out << ask.err;
    nlohmann::json before = FindTopWindow(DumpScreen(device), "#32770", "Probe");
    ASSERT_TRUE(before.is_object());

    // Returns once the reset has ended the asking program too.
    CommandResult reset = DeviceCommand(device, "run", {"C:\\windows\\device_probe.exe", "reset"});
    EXPECT_EQ(reset.code, 0) << reset.err;

    std::vector<std::string> entries;
    ASSERT_TRUE(WaitFor(
        [&] {
            entries = DeviceLogEntries(device);
            int reset = FindEntry(entries, "gallimaw-device soft reset");
            return reset >= 0 && FindEntry(entries, "device_kernel.exe boot done", reset) >= 0;
        },
        60s));
    int requested = FindEntry(entries, "device_probe.exe soft reset requested");
    int left = FindEntry(entries, "device_kernel.exe reset", requested);
    int again = FindEntry(entries, "device_kernel.exe boot start", left);
    EXPECT_GE(requested, 0);
    EXPECT_GT(left, requested);
    EXPECT_GT(FindEntry(entries, "gallimaw-device soft reset", left), left);
    EXPECT_GT(again, left);
    EXPECT_GT(FindEntry(entries, "device_shell.exe SignalStarted 50", again), again);
    EXPECT_EQ(CountEntries(entries, "device_kernel.exe boot start"), 2);

    nlohmann::json after = DumpScreen(device);
    ASSERT_TRUE(after.is_object());
    EXPECT_TRUE(FindWindows(after, "#32770", "Probe").empty());
}

TEST(DeviceReset, IsRefusedWhileNoBootProcessRuns)
{
    Device device;
    ASSERT_EQ(CreateDevice(device, {"--viewer", Win32BuildPath("device/device_probe.exe")}).code, 0);
    CommandResult reset = DeviceCommand(device, "run", {"C:\\windows\\device_probe.exe", "reset"});
    EXPECT_EQ(reset.out, "exit code 1\n");
    EXPECT_LT(FindEntry(DeviceLogEntries(device), "soft reset"), 0);
}
