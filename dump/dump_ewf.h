// EWF (E01) images, read through the EWF library and handed to The Sleuth
// Kit as an image of its own. The library reads the data of a missing,
// empty or cut segment, and of a chunk that fails its checksum, as zeros
// without an error, and rejects a whole image for one empty segment; here
// the segments are checked first, what they hold is opened, and every byte
// range read as zeros is named.
#pragma once
#include <tsk/libtsk.h>

#include <string>
#include <vector>

// Whether the file at path begins with the signature of an EWF segment.
bool IsEwfImage(const std::string &path);

// Opens the EWF image whose first segment is path; nullptr when it cannot
// be. Appends to problems each damaged or missing segment, naming the
// segment and the byte, and the image bytes that are lost with it.
TSK_IMG_INFO *OpenEwfImage(const std::string &path, std::vector<std::string> *problems);

// Appends to problems, as "IMAGE: bytes A to B cannot be read: why", the
// bytes of an image OpenEwfImage opened that reading found failing and
// were read as zeros.
void NameEwfReadFaults(TSK_IMG_INFO *image, std::vector<std::string> *problems);
