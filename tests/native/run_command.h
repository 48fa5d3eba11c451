// Test helper: runs a shell command line, capturing stdout and stderr.
#pragma once
#include <string>

struct CommandResult {
    std::string out;
    std::string err;
    int exitCode = -1;
};

CommandResult RunCommand(const std::string &commandLine);
// A path quoted for the shell.
std::string Quoted(const std::string &text);
// A file in a fresh temporary folder of this test program.
std::string TempPath(const std::string &name);
// The value of an environment variable, or "" when unset.
std::string Env(const char *name);
