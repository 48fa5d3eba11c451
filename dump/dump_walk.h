// Finding the index files under a folder for gallimaw-dump --recursive.
#pragma once
#include <string>
#include <vector>

// Appends to paths every index file under folder: files named index.dat in
// any letter case and files that begin with the index file signature, in
// path order. Symbolic links to folders are not followed. Each entry that
// cannot be read is appended to problems as "path: reason"; the search
// goes on past it.
void FindIndexFiles(const std::string &folder, std::vector<std::string> *paths, std::vector<std::string> *problems);
