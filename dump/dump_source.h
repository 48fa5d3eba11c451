// An input of gallimaw-dump: an index file named, found in a folder or on a
// device, one found in a disk image, or an area of an image to carve.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

struct ImageItem;

// The state of an index file found in a disk image.
enum ImageFileState { NotInImage, FileAllocated, FileDeleted };

// One index file being printed: the path as the user sees it (for one
// found in a disk image, the image's), its kind (KindUnknown when not
// known) and its number among the inputs, from 1.
struct DumpSource {
    std::string path;
    int kind = -1;
    size_t number = 0;
    // Read from a disk image: where in it ("p2:/.../index.dat", or the area
    // carved, "p2:unallocated") and the file's state; item is the image
    // reader's own record of it.
    std::string inImage;
    ImageFileState fileState = NotInImage;
    const ImageItem *item = nullptr;
    // Records carved from the image's bytes rather than read from a file:
    // state carved; each record is handed to the printer in its own image,
    // which begins at offsetBase in the disk image.
    bool carved = false;
    uint64_t offsetBase = 0;
    // Named on the command line as a FILE or "-", not found by a search:
    // a file that is no index file then makes the run fail.
    bool named = false;
};

// How texts name a source: the path, and for a file in a disk image the
// place in it, with " (deleted)" for a deleted one.
std::string SourceName(const DumpSource &source);
