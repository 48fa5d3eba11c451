#include "device_driver.h"
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <thread>

extern char **environ;

static std::string Env(const char *name, const std::string &fallback)
{
    const char *value = std::getenv(name);
    return value && *value ? value : fallback;
}

std::string SourcePath(const std::string &relative)
{
    return Env("GALLIMAW_SOURCE", ".") + "/" + relative;
}

std::string Win32BuildPath(const std::string &relative)
{
    return Env("GALLIMAW_WIN32_BUILD", SourcePath("build/win32")) + "/" + relative;
}

// Reads both pipes to their end, so that neither can fill up and block the child.
static void ReadPipes(int outFd, int errFd, CommandResult &result)
{
    pollfd fds[2] = {{outFd, POLLIN, 0}, {errFd, POLLIN, 0}};
    std::string *targets[2] = {&result.out, &result.err};
    int open = 2;
    while (open > 0) {
        if (poll(fds, 2, -1) < 0)
            break;
        for (int i = 0; i < 2; i++) {
            if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR)))
                continue;
            char buffer[65536];
            ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
            if (n > 0) {
                targets[i]->append(buffer, n);
            } else {
                close(fds[i].fd);
                fds[i].fd = -1;
                open--;
            }
        }
    }
}

CommandResult RunCommand(const std::vector<std::string> &command)
{
    CommandResult result;
    int out[2], err[2];
    if (pipe(out) != 0 || pipe(err) != 0)
        return result;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_adddup2(&actions, err[1], 2);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    posix_spawn_file_actions_addclose(&actions, err[0]);
    std::vector<char *> argv;
    for (const std::string &arg : command)
        argv.push_back(const_cast<char *>(arg.c_str()));
    argv.push_back(nullptr);
    pid_t pid;
    int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    close(err[1]);
    if (spawned != 0) {
        close(out[0]);
        close(err[0]);
        result.err = "cannot run " + command[0];
        return result;
    }
    ReadPipes(out[0], err[0], result);
    int status = 0;
    waitpid(pid, &status, 0);
    result.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

CommandResult DeviceCommand(const Device &device, const std::string &command, const std::vector<std::string> &args)
{
    std::vector<std::string> line = {SourcePath("device/gallimaw-device"), command, device.dir};
    line.insert(line.end(), args.begin(), args.end());
    return RunCommand(line);
}

CommandResult CreateDevice(Device &device, const std::vector<std::string> &options)
{
    // The script finds the native tree (the index file generator) here.
    setenv("GALLIMAW_NATIVE_BUILD", Env("GALLIMAW_BUILD", SourcePath("build/native")).c_str(), 0);
    std::filesystem::path root = Env("GALLIMAW_BUILD", SourcePath("build/native")) + "/e2e-devices";
    std::filesystem::create_directories(root);
    std::string pattern = (root / "device-XXXXXX").string();
    device.dir = mkdtemp(pattern.data()) ? pattern : "";
    return DeviceCommand(device, "create", options);
}

CommandResult BootDevice(const Device &device)
{
    return DeviceCommand(device, "boot");
}

Device::~Device()
{
    if (dir.empty())
        return;
    DeviceCommand(*this, "stop");
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
}

nlohmann::json DumpScreen(const Device &device)
{
    CommandResult dump = DeviceCommand(device, "ui", {"dump"});
    if (dump.code != 0)
        return nullptr;
    return nlohmann::json::parse(dump.out, nullptr, false);
}

static void CollectWindows(const nlohmann::json &windows, const std::string &className, const std::string &text,
                           std::vector<nlohmann::json> &found)
{
    for (const nlohmann::json &window : windows) {
        if ((className.empty() || window.value("class", "") == className) &&
            (text.empty() || window.value("text", "") == text))
            found.push_back(window);
        if (window.contains("children"))
            CollectWindows(window["children"], className, text, found);
    }
}

std::vector<nlohmann::json> FindWindows(const nlohmann::json &dump, const std::string &className,
                                        const std::string &text)
{
    std::vector<nlohmann::json> found;
    if (dump.is_object() && dump.contains("windows"))
        CollectWindows(dump["windows"], className, text, found);
    return found;
}

nlohmann::json FindTopWindow(const nlohmann::json &dump, const std::string &className, const std::string &text)
{
    if (!dump.is_object() || !dump.contains("windows"))
        return nullptr;
    for (const nlohmann::json &window : dump["windows"])
        if (window.value("visible", false) && (className.empty() || window.value("class", "") == className) &&
            (text.empty() || window.value("text", "") == text))
            return window;
    return nullptr;
}

CommandResult TapWindow(const Device &device, const nlohmann::json &window)
{
    const nlohmann::json &rect = window["rect"];
    int x = (rect["left"].get<int>() + rect["right"].get<int>()) / 2;
    int y = (rect["top"].get<int>() + rect["bottom"].get<int>()) / 2;
    return DeviceCommand(device, "ui", {"tap", std::to_string(x), std::to_string(y)});
}

bool WaitFor(const std::function<bool()> &condition, std::chrono::milliseconds timeout)
{
    auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (condition())
            return true;
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
}

std::string DevicePathOnHost(const Device &device, const std::string &devicePath)
{
    CommandResult path = DeviceCommand(device, "path", {devicePath});
    std::string host = path.out;
    while (!host.empty() && host.back() == '\n')
        host.pop_back();
    return host;
}

std::string ReadDeviceLog(const Device &device)
{
    return DeviceCommand(device, "log").out;
}

std::vector<std::string> DeviceLogEntries(const Device &device)
{
    std::vector<std::string> entries;
    std::istringstream lines(ReadDeviceLog(device));
    std::string line;
    while (std::getline(lines, line)) {
        size_t space = line.find(' ');
        entries.push_back(space == std::string::npos ? line : line.substr(space + 1));
    }
    return entries;
}

int FindEntry(const std::vector<std::string> &entries, const std::string &text, int from)
{
    for (int i = from < 0 ? 0 : from; i < (int)entries.size(); i++)
        if (entries[i].find(text) != std::string::npos)
            return i;
    return -1;
}
