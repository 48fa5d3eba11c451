// Driving an emulated device from an end-to-end test: create it in a
// temporary folder, run gallimaw-device commands, read the screen as JSON,
// wait for what should happen, read the log, and stop it at the end.
#pragma once
#include <chrono>
#include <functional>
#include <string>
#include <vector>
#include <nlohmann/json.hpp>

struct CommandResult {
    int code = -1;
    std::string out;
    std::string err;
};

// Runs PROGRAM with ARGS and captures its output.
CommandResult RunCommand(const std::vector<std::string> &command);

// One device in its own folder under the native build tree. The folder is
// stopped and removed when the value goes.
struct Device {
    std::string dir;
    Device() = default;
    Device(const Device &) = delete;
    Device &operator=(const Device &) = delete;
    ~Device();
};

// The path of a source, build or fixture file given relative to its root.
std::string SourcePath(const std::string &relative);
std::string Win32BuildPath(const std::string &relative);

// gallimaw-device COMMAND DIR ARGS...
CommandResult DeviceCommand(const Device &device, const std::string &command, const std::vector<std::string> &args = {});
// Creates DEVICE with the given create options; returns the create's result.
CommandResult CreateDevice(Device &device, const std::vector<std::string> &options = {});
CommandResult BootDevice(const Device &device);

// The screen as "gallimaw-device ui DIR dump" gives it (null when it fails).
nlohmann::json DumpScreen(const Device &device);
// Every window of DUMP, at any depth, of class CLASS_NAME (any when empty)
// whose text is TEXT (any when empty).
std::vector<nlohmann::json> FindWindows(const nlohmann::json &dump, const std::string &className,
                                        const std::string &text = "");
// The first visible top-level window of that class and text, or null.
nlohmann::json FindTopWindow(const nlohmann::json &dump, const std::string &className, const std::string &text = "");

// Taps the middle of a window of a dump, as a user would.
CommandResult TapWindow(const Device &device, const nlohmann::json &window);

// Polls CONDITION until it holds or TIMEOUT has passed; returns its last answer.
bool WaitFor(const std::function<bool()> &condition, std::chrono::milliseconds timeout);

std::string ReadDeviceLog(const Device &device);
// The log's lines, without their time stamps ("exe message").
std::vector<std::string> DeviceLogEntries(const Device &device);
// Index of the first entry containing TEXT at or after FROM, or -1.
int FindEntry(const std::vector<std::string> &entries, const std::string &text, int from = 0);
// The host path of a device path.
std::string DevicePathOnHost(const Device &device, const std::string &devicePath);
