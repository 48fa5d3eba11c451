// Records carved from the bytes of a disk image for gallimaw-dump --carve:
// URL, LEAK and REDR records at any byte offset of an area's runs, each
// read on its own as far as its bytes are there and make sense.
#pragma once
#include <string>
#include <vector>

#include "dump/dump_options.h"
#include "dump/dump_source.h"

// Prints the records carved from area in image order, searched a chunk at
// a time by one reader per processor; appends each part that could not be
// read to problems as "where: what".
void PrintCarvedRecords(const DumpOptions &options, const DumpSource &area, unsigned processors,
                        std::vector<std::string> *problems);
