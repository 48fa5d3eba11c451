// gallimaw-dump's command line: what to read, what to keep and how to
// print it.
#pragma once
#include <string>
#include <vector>

struct nettle_hash;

enum class DumpFormat { Row, Csv, JsonLines, Table, Bodyfile, Timesketch };
// Free space of disk images scanned for records: none, the unallocated
// space, or every byte.
enum class CarveArea { None, Unallocated, All };

// An index file ("-" is standard input), a folder to search (--recursive)
// or a device folder, in the order given.
struct DumpInput {
    std::string path;
    bool device = false;
};

struct DumpOptions {
    DumpFormat format = DumpFormat::Row;
    std::vector<DumpInput> inputs;
    unsigned kindMask = 0;            // bit per Index file kind; 0 keeps every file
    unsigned typeMask = 0;            // bit per RecordType; 0 keeps the format's own
    bool recursive = false;
    bool image = false;               // each FILE is a disk image
    CarveArea carve = CarveArea::None;
    bool mixed = false;
    std::string timeZone;             // --timezone: the zone of local times
    bool list = false;                // name the files instead of printing their records
    std::string output;               // --output: the file to write; empty for standard output
    std::vector<const nettle_hash *> hashes; // --hash: the digests of each file read, in the order given
    bool quiet = false;               // only errors on standard error
    bool verbose = false;             // the closing summary also off a terminal
    bool help = false;
    bool version = false;
};

// Fills options from argv; false with the reason in error for a command
// line that cannot be run.
bool ParseDumpOptions(int argc, char **argv, DumpOptions *options, std::string *error);

extern const char kDumpUsage[];
extern const char kDumpVersion[];
