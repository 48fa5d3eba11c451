#include "dump/dump_device.h"

#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <sstream>

#include "dump/dump_input.h"
#include "format/kind_names.h"

namespace {

const char kCurrentUserPrefix[] = "HKEY_CURRENT_USER\\";
// The viewer reads the value into 260 bytes: longer values fall back.
constexpr size_t kLongestShellFolderValue = 129;
// A device's whole registry export is a few hundred kilobytes; anything far
// larger is no export, and reading it would only cost time and memory.
constexpr uint64_t kLargestRegistryExport = 16u << 20;

bool IsFolder(const std::string &path)
{
    struct stat status;
    return stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

bool IsFile(const std::string &path)
{
    struct stat status;
    return stat(path.c_str(), &status) == 0 && !S_ISDIR(status.st_mode);
}

// The entry of folder named name in any letter case, or name itself.
std::string EntryNamed(const std::string &folder, const std::string &name)
{
    std::string match = name;
    if (DIR *dir = opendir(folder.c_str())) {
        while (dirent *entry = readdir(dir))
            if (!strcasecmp(entry->d_name, name.c_str())) {
                match = entry->d_name;
                if (match == name)
                    break;
            }
        closedir(dir);
    }
    return match;
}

// The components of a device path; the device takes / as well as \.
std::vector<std::string> DevicePathParts(const std::string &devicePath)
{
    std::vector<std::string> parts;
    std::string part;
    for (char c : devicePath + "\\") {
        if (c != '\\' && c != '/') {
            part += c;
        } else if (!part.empty()) {
            parts.push_back(part);
            part.clear();
        }
    }
    return parts;
}

// Whether a device path climbs out of the folder it starts in.
bool ClimbsOut(const std::string &devicePath)
{
    for (const std::string &part : DevicePathParts(devicePath))
        if (part == "..")
            return true;
    return false;
}

// Whether path, its links followed, lies under folder.
bool LiesUnder(const std::string &folder, const std::string &path)
{
    std::unique_ptr<char, decltype(&free)> realFolder(realpath(folder.c_str(), nullptr), free);
    std::unique_ptr<char, decltype(&free)> realPath(realpath(path.c_str(), nullptr), free);
    return realFolder && realPath && !std::strncmp(realPath.get(), realFolder.get(), std::strlen(realFolder.get()))
           && realPath.get()[std::strlen(realFolder.get())] == '/';
}

// The text of a device's registry export, or "" when it has none or it
// cannot be read (noted in problems).
std::string RegistryText(const std::string &path, std::vector<std::string> *problems)
{
    struct stat status;
    if (lstat(path.c_str(), &status) != 0)
        return "";
    std::string text, reason;
    if (!ReadSmallFile(path, kLargestRegistryExport, &text, &reason)) {
        problems->push_back(path + ": " + reason + "; not read as the registry, the fallback folders are searched");
        return "";
    }
    return text;
}

// A quoted registry string from its opening quote: backslash escapes as
// both file forms write them.
bool UnquoteRegistryString(const std::string &text, size_t open, std::string *value)
{
    value->clear();
    for (size_t i = open + 1; i < text.size(); i++) {
        if (text[i] == '"')
            return true;
        if (text[i] == '\\' && i + 1 < text.size())
            i++;
        *value += text[i];
    }
    return false;
}

// A key line's name without the hive, with Wine's doubled backslashes
// made single.
std::string KeyName(const std::string &line)
{
    size_t close = line.find(']');
    std::string name = line.substr(1, close == std::string::npos ? std::string::npos : close - 1);
    std::string single;
    for (size_t i = 0; i < name.size(); i++) {
        single += name[i];
        if (name[i] == '\\' && i + 1 < name.size() && name[i + 1] == '\\')
            i++;
    }
    if (!strncasecmp(single.c_str(), kCurrentUserPrefix, std::strlen(kCurrentUserPrefix)))
        single.erase(0, std::strlen(kCurrentUserPrefix));
    return single;
}

// The string value name under the shell-folder key of a registry text
// (Wine's user.reg or a REGEDIT4 export); false when it is not there.
bool ShellFolderValue(const std::string &registryText, const std::string &name, std::string *value)
{
    std::istringstream in(registryText);
    bool inKey = false;
    std::string quotedName = "\"" + name + "\"=";
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!line.empty() && line[0] == '[') {
            inKey = !strcasecmp(KeyName(line).c_str(), INDEX_SHELL_FOLDERS_KEY);
        } else if (inKey && !strncasecmp(line.c_str(), quotedName.c_str(), quotedName.size())) {
            // "name"="text", or Wine's "name"=str(2):"text"; other types are no path.
            std::string data = line.substr(quotedName.size());
            size_t open = data.rfind("str(", 0) == 0 ? data.find(":\"") + 1 : 0;
            return open < data.size() && data[open] == '"' && UnquoteRegistryString(data, open, value);
        }
    }
    return false;
}

// The device paths where a kind's index file may lie, the viewer's first.
std::vector<std::string> CandidatePaths(const std::string &registryText, int kind)
{
    const IndexKindNames &folders = IndexKinds[kind];
    std::string value;
    if (ShellFolderValue(registryText, folders.shellFolderA, &value) && value.size() <= kLongestShellFolderValue)
        return {value + folders.subPathA + INDEX_FILE_NAME};
    std::string fallback = std::string(INDEX_FALLBACK_ROOT) + folders.fallbackFolderA;
    std::vector<std::string> paths = {fallback + INDEX_FILE_NAME};
    if (*folders.subPathA)
        paths.push_back(fallback + folders.subPathA + INDEX_FILE_NAME);
    return paths;
}

// The host path of a device path under root, each existing component
// matched without regard to letter case; "" when the file does not exist.
// Both \ and / separate components; the path must not hold "..".
std::string HostPathOf(const std::string &root, const std::string &devicePath)
{
    if (ClimbsOut(devicePath))
        return "";
    std::string path = root;
    bool first = true;
    for (const std::string &part : DevicePathParts(devicePath)) {
        // The device has one drive: C: is its root.
        if (!(first && !strcasecmp(part.c_str(), "C:")))
            path += "/" + EntryNamed(path, part);
        first = false;
    }
    return IsFile(path) ? path : "";
}

} // namespace

bool FindDeviceIndexFiles(const std::string &folder, std::vector<DeviceIndexFile> *files,
                          std::vector<std::string> *problems)
{
    if (!IsFolder(folder)) {
        problems->push_back(folder + ": " + std::strerror(IsFile(folder) ? ENOTDIR : ENOENT));
        return false;
    }
    // A gallimaw-device folder keeps the device in a Wine prefix; a copied
    // file system is its own root.
    bool emulated = IsFile(folder + "/device.json");
    std::string root = emulated ? folder + "/prefix/drive_c" : folder;
    std::string registry = emulated ? folder + "/prefix/user.reg" : folder + "/" + EntryNamed(folder, "user.reg");
    std::string registryText = RegistryText(registry, problems);
    files->clear();
    for (int kind = 0; kind < IndexFileKinds; kind++) {
        DeviceIndexFile file{kind, "", "", ""};
        for (const std::string &devicePath : CandidatePaths(registryText, kind)) {
            file.devicePath = devicePath;
            // Only the registry gives a path of its own; it must stay in the device.
            if (ClimbsOut(devicePath)) {
                file.problem = registry + ": the " + KindName(kind) + " folder leads out of the device folder ("
                               + devicePath + "); refused";
                break;
            }
            file.hostPath = HostPathOf(root, devicePath);
            // A copied file system may hold symbolic links; none may lead out.
            if (!file.hostPath.empty() && !LiesUnder(root, file.hostPath)) {
                file.problem = file.hostPath + ": a symbolic link leads out of the device folder; refused";
                file.hostPath.clear();
            }
            if (!file.hostPath.empty() || !file.problem.empty())
                break;
        }
        if (file.hostPath.empty() && file.problem.empty())
            file.devicePath = CandidatePaths(registryText, kind).front();
        files->push_back(file);
    }
    return true;
}
