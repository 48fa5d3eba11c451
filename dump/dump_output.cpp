#include "dump/dump_output.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// Gives up the stand-in, with what went wrong.
bool Abandon(OutputFile *output, std::string *reason, const std::string &what)
{
    *reason = what + std::strerror(errno);
    DiscardOutputFile(output);
    return false;
}

std::string FolderOf(const std::string &path)
{
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

} // namespace

bool OpenOutputFile(const std::string &path, OutputFile *output, std::string *reason)
{
    // A shell redirection would make a new file 0666 less the umask, and
    // write an existing one in place, keeping its mode.
    mode_t mask = umask(0);
    umask(mask);
    mode_t mode = 0666 & ~mask;
    output->path = path;
    struct stat status;
    if (stat(path.c_str(), &status) == 0) {
        if (S_ISDIR(status.st_mode)) {
            *reason = "is a folder";
            return false;
        }
        // A device or FIFO would be replaced, not written to.
        if (!S_ISREG(status.st_mode)) {
            *reason = "is no regular file (give - for standard output)";
            return false;
        }
        char target[PATH_MAX];
        if (realpath(path.c_str(), target))
            output->path = target;
        mode = status.st_mode & 07777;
    }
    std::string folder = FolderOf(output->path);
    output->fd = open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    // A file system without unnamed files gets a hidden named file, which a
    // run killed outright (SIGKILL, a power cut) leaves behind.
    if (output->fd < 0 && (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL)) {
        output->hidden = folder + "/.gallimaw-dump.XXXXXX";
        output->fd = mkostemp(&output->hidden[0], O_CLOEXEC);
        if (output->fd < 0)
            output->hidden.clear();
    }
    if (output->fd < 0)
        return Abandon(output, reason, "cannot make a file in " + folder + ": ");
    return fchmod(output->fd, mode) == 0 || Abandon(output, reason, "cannot set the file's mode: ");
}

bool NameOutputFile(OutputFile *output, std::string *reason)
{
    if (fsync(output->fd) != 0)
        return Abandon(output, reason, "cannot write the file to disk: ");
    // linkat cannot replace a file: the unnamed file gets a hidden name
    // first, which rename then puts in place of the old file at once. A
    // run killed between the two leaves that name behind.
    std::string folder = FolderOf(output->path);
    for (int attempt = 0; output->hidden.empty() && attempt < 100; attempt++) {
        std::string name = folder + "/.gallimaw-dump." + std::to_string(getpid()) + "." + std::to_string(attempt);
        std::string unnamed = "/proc/self/fd/" + std::to_string(output->fd);
        if (linkat(AT_FDCWD, unnamed.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0)
            output->hidden = name;
        else if (errno != EEXIST)
            break;
    }
    if (output->hidden.empty() || rename(output->hidden.c_str(), output->path.c_str()) != 0)
        return Abandon(output, reason, "cannot name the file: ");
    output->hidden.clear();
    close(output->fd);
    output->fd = -1;
    return true;
}

void DiscardOutputFile(OutputFile *output)
{
    if (!output->hidden.empty())
        unlink(output->hidden.c_str());
    output->hidden.clear();
    close(output->fd);
    output->fd = -1;
}
