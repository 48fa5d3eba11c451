// The file --output names: written under no name (or a hidden one) in its
// folder and given its own name only once the whole output is there.
#pragma once
#include <string>

struct OutputFile {
    std::string path;    // the file to replace: the one named, or where its symbolic link leads
    std::string hidden;  // the stand-in's name where the folder's file system makes no unnamed files
    int fd = -1;
};

// Makes the stand-in for path in path's folder; false with the reason when
// path is a folder or no regular file, or its folder cannot hold the file.
bool OpenOutputFile(const std::string &path, OutputFile *output, std::string *reason);
// Gives the complete output its name, replacing the file there at once;
// false with the reason when it could not reach the disk.
bool NameOutputFile(OutputFile *output, std::string *reason);
// Leaves the file named as it was.
void DiscardOutputFile(OutputFile *output);
