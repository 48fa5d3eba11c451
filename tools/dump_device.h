// Finding the three index files of a device folder the way the viewer
// finds them on the device.
#pragma once
#include <string>
#include <vector>

struct DeviceIndexFile {
    int kind;
    std::string devicePath; // as the device names it, \Windows\...
    std::string hostPath;   // the file here, or "" when there is none
};

// One entry per kind (Cache, Cookies, History); false with the reason in
// reason when folder is no folder.
bool FindDeviceIndexFiles(const std::string &folder, std::vector<DeviceIndexFile> *files, std::string *reason);

// The host path of a device path under root, each existing component
// matched without regard to letter case; "" when the file does not exist.
std::string HostPathOf(const std::string &root, const std::string &devicePath);

// The string value name under the shell-folder key of a registry text
// (Wine's user.reg or a REGEDIT4 export); false when it is not there.
bool ShellFolderValue(const std::string &registryText, const std::string &name, std::string *value);
