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
