#include "format/kind_names.h"

#include <strings.h>

#include <sstream>
#include <vector>

namespace {

// The kind whose index file lies right in a folder of that name: its
// sub folder (without the leading backslash) or its fallback folder.
int KindOfFolder(const std::string &folder)
{
    for (int kind = 0; kind < IndexFileKinds; kind++) {
        const IndexKindNames &names = IndexKinds[kind];
        if ((*names.subPathA && !strcasecmp(folder.c_str(), names.subPathA + 1)) ||
            !strcasecmp(folder.c_str(), names.fallbackFolderA))
            return kind;
    }
    return KindUnknown;
}

} // namespace

const char *KindName(int kind)
{
    return kind >= 0 && kind < IndexFileKinds ? IndexKinds[kind].shellFolderA : "";
}

int KindNamed(const std::string &name)
{
    for (int kind = 0; kind < IndexFileKinds; kind++)
        if (!strcasecmp(name.c_str(), IndexKinds[kind].shellFolderA))
            return kind;
    return KindUnknown;
}

int KindOfPath(const std::string &path)
{
    std::vector<std::string> folders;
    std::istringstream in(path);
    for (std::string part; std::getline(in, part, '/');)
        folders.push_back(part);
    if (!folders.empty())
        folders.pop_back(); // the file's own name says nothing
    for (auto folder = folders.rbegin(); folder != folders.rend(); ++folder)
        if (int kind = KindOfFolder(*folder); kind != KindUnknown)
            return kind;
    return KindUnknown;
}
