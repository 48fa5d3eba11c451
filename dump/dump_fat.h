// FAT folder entries that The Sleuth Kit leaves out of a folder's listing
// without a word: a start cluster past the last cluster, a size larger
// than the data area, or a size without a start cluster. With such an
// entry an index file, or a whole folder of them, would be lost unsaid.
// The clusters such files keep, in use but reached from no entry, are
// found for --carve.
#pragma once
#include <tsk/libtsk.h>

#include <string>
#include <vector>

#include "dump/dump_image.h"

struct DamagedEntry {
    std::string name;  // the short name, "INDEX.DAT"
    bool folder;
    std::string fault; // what is wrong, and what is read of it
    // A file's clusters as its cluster chain gives them; empty when its
    // content cannot be found.
    std::vector<ByteRun> runs;
};

// Whether fileSystem is FAT12, FAT16 or FAT32.
bool IsFatFileSystem(const TSK_FS_INFO *fileSystem);

// The damaged entries of the FAT folder at address that may hold an index
// file: folders, files named index.dat, and files whose first cluster
// begins with the index file signature. Appends to starts the start
// cluster of every entry there, files and folders, damaged or not. The
// caller holds the library.
std::vector<DamagedEntry> DamagedFatEntries(TSK_FS_INFO *fileSystem, TSK_INUM_T address,
                                           std::vector<uint64_t> *starts);

// The lost clusters of a FAT file system: in use in the FAT (neither free
// nor bad), but on no chain from starts or from the FAT32 root folder's
// first cluster. Appended to runs as image bytes, adjacent clusters
// merged; false when the FAT cannot be read. The caller holds the library.
bool LostClusters(TSK_FS_INFO *fileSystem, const std::vector<uint64_t> &starts, std::vector<ByteRun> *runs);
