#include "dump/dump_walk.h"

#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "dump/dump_input.h"
#include "format/index_format.h"

namespace {

const char kIndexFileName[] = "index.dat";

void AddProblem(const std::string &path, int error, std::vector<std::string> *problems)
{
    problems->push_back(path + ": " + std::strerror(error));
}

// Whether the file begins with the index file signature; a file that
// cannot be opened or read is added to problems.
bool HasIndexSignature(const std::string &path, std::vector<std::string> *problems)
{
    struct stat status;
    std::string reason;
    int fd = OpenInputFile(path, &status, &reason);
    if (fd < 0) {
        problems->push_back(path + ": " + reason);
        return false;
    }
    char start[INDEX_SIGNATURE_BYTES];
    ssize_t got;
    do
        got = pread(fd, start, sizeof start, 0);
    while (got < 0 && errno == EINTR);
    if (got < 0)
        AddProblem(path, errno, problems);
    close(fd);
    return got == sizeof start && !std::memcmp(start, INDEX_SIGNATURE, sizeof start);
}

void Walk(const std::string &folder, std::vector<std::string> *paths, std::vector<std::string> *problems)
{
    DIR *dir = opendir(folder.c_str());
    if (!dir) {
        AddProblem(folder, errno, problems);
        return;
    }
    std::vector<std::string> names;
    while (dirent *entry = readdir(dir))
        if (std::strcmp(entry->d_name, ".") && std::strcmp(entry->d_name, ".."))
            names.push_back(entry->d_name);
    closedir(dir);
    std::sort(names.begin(), names.end());
    for (const std::string &name : names) {
        std::string path = folder + (folder.back() == '/' ? "" : "/") + name;
        struct stat status;
        if (lstat(path.c_str(), &status) != 0) {
            AddProblem(path, errno, problems);
            continue;
        }
        if (S_ISDIR(status.st_mode)) {
            Walk(path, paths, problems);
            continue;
        }
        // A link to a file counts as the file; one to a folder is not followed.
        if (S_ISLNK(status.st_mode) && stat(path.c_str(), &status) != 0) {
            AddProblem(path, errno, problems);
            continue;
        }
        if (!S_ISREG(status.st_mode))
            continue;
        if (!strcasecmp(name.c_str(), kIndexFileName) || HasIndexSignature(path, problems))
            paths->push_back(path);
    }
}

} // namespace

void FindIndexFiles(const std::string &folder, std::vector<std::string> *paths, std::vector<std::string> *problems)
{
    size_t first = paths->size();
    Walk(folder, paths, problems);
    std::sort(paths->begin() + static_cast<long>(first), paths->end());
}
