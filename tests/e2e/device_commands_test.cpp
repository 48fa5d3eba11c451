// gallimaw-device refuses what cannot be done with a message that says why,
// and leaves a device it refused untouched.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include "device_driver.h"

static const std::string ProbeViewer()
{
    return Win32BuildPath("device/device_probe.exe");
}

TEST(DeviceCommands, FolderWithoutDeviceIsRefusedByEveryCommand)
{
    Device nothing;
    nothing.dir = std::filesystem::temp_directory_path() / "gallimaw-no-device";
    for (const char *command : {"boot", "log", "stop", "start"}) {
        CommandResult result = DeviceCommand(nothing, command);
        EXPECT_EQ(result.code, 1) << command;
        EXPECT_NE(result.err.find("is not a device"), std::string::npos) << command << ": " << result.err;
    }
}

TEST(DeviceCommands, CreateNeedsAViewerAndAFreshFolder)
{
    Device device;
    CommandResult missing = CreateDevice(device, {"--viewer", "/nonexistent/gallimaw-view.exe"});
    EXPECT_EQ(missing.code, 1);
    EXPECT_NE(missing.err.find("/nonexistent/gallimaw-view.exe does not exist"), std::string::npos) << missing.err;

    // A file that is no index file is noted and installed all the same.
    CommandResult made = DeviceCommand(device, "create", {"--viewer", ProbeViewer(), "--hold", "cookies", "--cookies",
                                                          SourcePath("tests/data/README.md")});
    ASSERT_EQ(made.code, 0) << made.err;
    EXPECT_NE(made.err.find("README.md is no index file"), std::string::npos) << made.err;
    CommandResult again = DeviceCommand(device, "create", {"--viewer", ProbeViewer()});
    EXPECT_EQ(again.code, 1);
    EXPECT_NE(again.err.find("already holds a device"), std::string::npos) << again.err;

    CommandResult kind = RunCommand({SourcePath("device/gallimaw-device"), "create", device.dir + "/other", "--viewer",
                                     ProbeViewer(), "--hold", "bookmarks"});
    EXPECT_EQ(kind.code, 1);
    EXPECT_NE(kind.err.find("bookmarks is not one of cache, cookies, history"), std::string::npos) << kind.err;

    // Index files that cannot be read are refused before anything is made;
    // a pipe without a writer is refused rather than waited for.
    std::string pipe = device.dir + "/pipe.dat";
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    const std::vector<std::pair<std::vector<std::string>, std::string>> unreadable = {
        {{"--cookies", pipe}, "pipe.dat is not a regular file"},
        {{"--cache", "/nonexistent/index.dat"}, "--cache /nonexistent/index.dat: no such file"},
        {{"--history", SourcePath("tests/data")}, "tests/data is a folder, not an index file"},
        {{"--from", "/nonexistent"}, "--from /nonexistent: No such file or directory"},
        {{"--from", SourcePath("tests")}, "no index file found"},
    };
    for (const auto &[options, message] : unreadable) {
        std::vector<std::string> line = {SourcePath("device/gallimaw-device"), "create", device.dir + "/other",
                                         "--viewer", ProbeViewer()};
        line.insert(line.end(), options.begin(), options.end());
        CommandResult refused = RunCommand(line);
        EXPECT_EQ(refused.code, 1) << options[0];
        EXPECT_NE(refused.err.find(message), std::string::npos) << refused.err;
        EXPECT_FALSE(std::filesystem::exists(device.dir + "/other")) << options[0];
    }
}

TEST(DeviceCommands, ScreenCommandsNeedABootedDevice)
{
    Device device;
    ASSERT_EQ(CreateDevice(device, {"--viewer", ProbeViewer()}).code, 0);
    for (const std::vector<std::string> &command :
         {std::vector<std::string>{"ui", "dump"}, {"start"}, {"screenshot", device.dir + "/screen.png"}}) {
        CommandResult result = DeviceCommand(device, command[0], {command.begin() + 1, command.end()});
        EXPECT_EQ(result.code, 1) << command[0];
        EXPECT_NE(result.err.find("the device is not running"), std::string::npos) << result.err;
    }
    // The viewer was installed where the device looks for it.
    EXPECT_TRUE(std::filesystem::exists(
        DevicePathOnHost(device, "\\Program Files\\Gallimaw View\\gallimaw-view.exe")));
}

TEST(DeviceCommands, StartRunsTheViewerFromItsInstallFolder)
{
    if (!std::filesystem::exists(Win32BuildPath("app/gallimaw-view.exe")))
        GTEST_SKIP() << "gallimaw-view.exe is not built";
    Device device;
    CommandResult create = CreateDevice(device, {"--install-dir", "\\Storage Card\\Viewer\\", "--no-browser"});
    ASSERT_EQ(create.code, 0) << create.err;
    ASSERT_EQ(BootDevice(device).code, 0);

    CommandResult start = DeviceCommand(device, "start");
    ASSERT_EQ(start.code, 0) << start.out << start.err;
    EXPECT_EQ(start.out.rfind("window ", 0), 0u) << start.out;
    nlohmann::json dump = DumpScreen(device);
    bool shown = false;
    for (const nlohmann::json &window : dump["windows"])
        shown |= window["visible"] && window["exe"] == "C:\\Storage Card\\Viewer\\gallimaw-view.exe";
    EXPECT_TRUE(shown);
}
