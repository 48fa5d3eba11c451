// Whether the segment files of an EWF (E01) image are all there and whole.
// The EWF library reads the data of a missing or cut segment as zeros
// without an error, so gallimaw-dump checks the segments itself.
#pragma once
#include <string>
#include <vector>

// Whether the file at path begins with the signature of an EWF segment.
bool IsEwfImage(const std::string &path);

// Appends to problems what is wrong with the segments of the EWF image
// whose first segment is path, naming the segment and the byte; nothing
// when its segments are whole.
void CheckEwfSegments(const std::string &path, std::vector<std::string> *problems);
