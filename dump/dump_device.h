// Finding the three index files of a device folder the way the viewer
// finds them on the device.
#pragma once
#include <string>
#include <vector>

struct DeviceIndexFile {
    int kind;
    std::string devicePath; // as the device names it, \Windows\...
    std::string hostPath;   // the file here, or "" when there is none
    std::string problem;    // why the path the registry gives was refused
};

// One entry per kind (Cache, Cookies, History). A registry export that
// cannot be read is appended to problems as "path: reason", and the
// fallback folders are searched instead. False, with the reason in
// problems, when folder is no folder.
bool FindDeviceIndexFiles(const std::string &folder, std::vector<DeviceIndexFile> *files,
                          std::vector<std::string> *problems);

// The host path of a device path under root, each existing component
// matched without regard to letter case; "" when the file does not exist.
// Both \ and / separate components; the path must not hold "..".
std::string HostPathOf(const std::string &root, const std::string &devicePath);

// The string value name under the shell-folder key of a registry text
// (Wine's user.reg or a REGEDIT4 export); false when it is not there.
bool ShellFolderValue(const std::string &registryText, const std::string &name, std::string *value);
