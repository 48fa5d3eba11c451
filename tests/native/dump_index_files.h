// Test helpers for gallimaw-dump: small index files written with the
// generator, and the tool's command line.
#pragma once
#include <string>
#include <vector>

#include "gen/index_generator.h"

// gallimaw-dump of the build tree, quoted for the shell.
std::string DumpCommand();
// Writes layout to a fresh temporary file and returns its path.
std::string WriteIndex(const std::string &name, const gallimaw_gen::IndexLayout &layout);
// A cache record accessed 2005-08-17 21:26:30 (Sort key 183677190),
// modified 2012-01-02 03:04:05, last checked a second later, expiring a
// month later, with 3 hits, file a\b[1].htm in CACHEDIR.
gallimaw_gen::UrlRecord SampleRecord(const std::string &url);
// A version 5 layout of one directory and the given records, no hash table.
gallimaw_gen::IndexLayout LayoutOf(const std::vector<gallimaw_gen::UrlRecord> &records);
