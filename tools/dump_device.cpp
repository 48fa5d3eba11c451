#include "tools/dump_device.h"

#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

#include "tools/dump_kinds.h"

namespace {

const char kCurrentUserPrefix[] = "HKEY_CURRENT_USER\\";
// The viewer reads the value into 260 bytes: longer values fall back.
constexpr size_t kLongestShellFolderValue = 129;

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

std::string ReadWholeFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
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

} // namespace

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

std::string HostPathOf(const std::string &root, const std::string &devicePath)
{
    std::string path = root;
    std::istringstream in(devicePath);
    bool first = true;
    for (std::string part; std::getline(in, part, '\\'); first = false) {
        // The device has one drive: C: is its root.
        if (part.empty() || (first && !strcasecmp(part.c_str(), "C:")))
            continue;
        path += "/" + EntryNamed(path, part);
    }
    return IsFile(path) ? path : "";
}

bool FindDeviceIndexFiles(const std::string &folder, std::vector<DeviceIndexFile> *files, std::string *reason)
{
    if (!IsFolder(folder)) {
        *reason = IsFile(folder) ? std::strerror(ENOTDIR) : std::strerror(ENOENT);
        return false;
    }
    // A gallimaw-device folder keeps the device in a Wine prefix; a copied
    // file system is its own root.
    bool emulated = IsFile(folder + "/device.json");
    std::string root = emulated ? folder + "/prefix/drive_c" : folder;
    std::string registry = emulated ? folder + "/prefix/user.reg" : folder + "/" + EntryNamed(folder, "user.reg");
    std::string registryText = IsFile(registry) ? ReadWholeFile(registry) : "";
    files->clear();
    for (int kind = 0; kind < IndexFileKinds; kind++) {
        DeviceIndexFile file{kind, "", ""};
        for (const std::string &devicePath : CandidatePaths(registryText, kind)) {
            file.devicePath = devicePath;
            file.hostPath = HostPathOf(root, devicePath);
            if (!file.hostPath.empty())
                break;
        }
        if (file.hostPath.empty())
            file.devicePath = CandidatePaths(registryText, kind).front();
        files->push_back(file);
    }
    return true;
}
