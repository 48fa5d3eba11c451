// Disk images for gallimaw-dump --image, read through The Sleuth Kit: raw,
// split raw and EWF images, every volume and file system the library
// knows, the index files on them, allocated and deleted, and the free space
// to carve.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "dump/dump_input.h"
#include "dump/dump_options.h"
#include "dump/dump_source.h"

// Image bytes [start, end).
struct ByteRun {
    uint64_t start;
    uint64_t end;
};

// How messages name image bytes [start, end): "bytes 512 to 1023".
std::string ByteRange(uint64_t start, uint64_t end);

// Appends image bytes [start, end) to runs: to its last run when they
// follow it.
void AppendRun(std::vector<ByteRun> *runs, uint64_t start, uint64_t end);

// Opens the disk image at path and appends to sources, volume by volume
// in the order the image holds them, each index file found there (named
// index.dat in any letter case, or beginning with the index file
// signature; by path within a file system) and then the areas that carve
// asks for. Every image, volume or file system that cannot be read is
// appended to problems as "where: what", and the walk goes on.
void AddImageSources(const std::string &path, CarveArea carve, std::vector<DumpSource> *sources,
                     std::vector<std::string> *problems);

// Maps an index file found in an image: where it lies in a raw image when
// it is there in one piece, otherwise a copy read through The Sleuth Kit
// into an unlinked temporary file; false with the reason.
bool MapImageFile(const DumpSource &file, MappedIndex *index, std::string *reason);

// The byte runs of a carved area, in image order.
const std::vector<ByteRun> &AreaRuns(const DumpSource &area);

// Reads image bytes [offset, offset + bytes) of the image that holds
// source; false with the reason.
bool ReadImageBytes(const DumpSource &source, uint64_t offset, size_t bytes, uint8_t *into, std::string *reason);

// Closes every image opened, appending to problems the image bytes that
// reading found could not be read.
void CloseDiskImages(std::vector<std::string> *problems);
