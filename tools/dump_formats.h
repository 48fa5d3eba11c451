// gallimaw-dump's output formats: csv, jsonl, table, The Sleuth Kit's body
// format and the viewer's row.
#pragma once
#include <cstddef>
#include <string>
#include <vector>

#include "store/index_format.h"
#include "tools/dump_options.h"
#include "tools/dump_text.h"

// One index file being printed: the path as the user sees it, its kind
// (KindUnknown when not known) and its number among the inputs, from 1.
struct DumpSource {
    std::string path;
    int kind = -1;
    size_t number = 0;
};

// What comes before the first record: csv's title line, the table's list
// of index files and title line; nothing for jsonl and row.
void FormatPreamble(DumpFormat format, const std::vector<DumpSource> &sources, std::string *out);

// Appends the line of the record at offset, of the given RecordType and
// state; row ignores both, its records are URL records.
void FormatRecordLine(DumpFormat format, const DumpSource &source, const IndexImage *image, uint64_t offset,
                      int type, bool allocated, OutputBuffer *out);
