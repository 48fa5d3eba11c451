// Whether the parts of a split raw image are all there and whole. The
// Sleuth Kit reads the parts it finds one after another, stopping at the
// first missing name and taking each part at its own size, so a missing
// part drops the rest of the image and a part cut short moves every later
// byte, both without an error; gallimaw-dump checks the parts itself.
#pragma once
#include <string>
#include <vector>

// Appends to problems what is wrong with the parts of a split raw image
// that the library opened (parts: their names, in order): a part other
// than the last whose size differs from the first's, and a part missing
// after the last one found while a later part is there; nothing for an
// image of one file that is no part of a split image.
void CheckSplitRawParts(const std::vector<std::string> &parts, std::vector<std::string> *problems);

// Whether every file beside first that the library may open as a later
// part of the split raw image that first begins is one it can read
// without waiting (see CheckImageFileType); false, with the part named in
// problems, otherwise. True for a file that is no first part.
bool CheckSplitRawPartTypes(const std::string &first, std::vector<std::string> *problems);
