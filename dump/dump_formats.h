// gallimaw-dump's output formats: csv, jsonl, table, The Sleuth Kit's body
// format, Timesketch's JSON Lines and the viewer's row.
#pragma once
#include <cstddef>
#include <string>
#include <vector>

#include "dump/dump_options.h"
#include "dump/dump_source.h"
#include "dump/dump_text.h"
#include "format/index_format.h"
#include "format/record_fields.h"

// How lines name a record's type (by RecordType) and its state (by
// PrintedState).
extern const char *const kTypeNames[];
extern const char *const kStateNames[];
enum PrintedState { StateRecovered, StateAllocated, StateCarved, kPrintedStates };

inline PrintedState StateOf(const DumpSource &source, bool allocated)
{
    return source.carved ? StateCarved : allocated ? StateAllocated : StateRecovered;
}

// What comes before the first record: csv's title line, the table's list
// of index files and title line; nothing for the others.
void FormatPreamble(DumpFormat format, const std::vector<DumpSource> &sources, std::string *out);

// Appends the line of a record the scan found (its state carved for a
// carved source); row's records are URL records.
void FormatRecordLine(DumpFormat format, const DumpSource &source, const IndexImage *image,
                      const ScannedRecord &record, OutputBuffer *out);

// Whether a bodyfile or timesketch line left out a local modified time,
// for want of --timezone.
bool LocalTimesLeftOut();
