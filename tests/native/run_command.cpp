#include "run_command.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace {

std::string ReadAll(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace

std::string Env(const char *name)
{
    const char *value = std::getenv(name);
    return value ? value : "";
}

std::string TempPath(const std::string &name)
{
    static std::string folder;
    if (folder.empty()) {
        char pattern[] = "/tmp/gallimaw-test-XXXXXX";
        folder = mkdtemp(pattern);
    }
    return folder + "/" + name;
}

std::string Quoted(const std::string &text)
{
    std::string quoted = "'";
    for (char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

CommandResult RunCommand(const std::string &commandLine)
{
    std::string outPath = TempPath("command.out"), errPath = TempPath("command.err");
    int status = std::system((commandLine + " >" + Quoted(outPath) + " 2>" + Quoted(errPath)).c_str());
    CommandResult result;
    result.out = ReadAll(outPath);
    result.err = ReadAll(errPath);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}
