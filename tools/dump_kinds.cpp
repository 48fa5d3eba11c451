#include "tools/dump_kinds.h"

#include <strings.h>

#include <sstream>
#include <vector>

namespace {

const char *const kKindNames[KindCount] = {"Cache", "Cookies", "History"};

// Folders that hold one kind's index.dat, innermost first.
struct KindFolder {
    const char *name;
    int kind;
};
const KindFolder kKindFolders[] = {
    {"Content.IE5", KindCache}, {"Temporary Internet Files", KindCache}, {"Cookies", KindCookies},
    {"History.IE5", KindHistory}, {"History", KindHistory},
};

} // namespace

const char *KindName(int kind)
{
    return kind >= 0 && kind < KindCount ? kKindNames[kind] : "";
}

int KindNamed(const std::string &name)
{
    for (int kind = 0; kind < KindCount; kind++)
        if (!strcasecmp(name.c_str(), kKindNames[kind]))
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
        for (const KindFolder &known : kKindFolders)
            if (!strcasecmp(folder->c_str(), known.name))
                return known.kind;
    return KindUnknown;
}
