// What gallimaw-dump says on standard error besides its progress line:
// errors, the faults that make the exit status 1 or 2; notes, the rest,
// which --quiet leaves out; and the closing summary of what was read and
// printed.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "dump/dump_formats.h"
#include "dump/dump_source.h"
#include "format/record_fields.h"

// Records printed, by RecordType and PrintedState: counted by the thread
// that formats them, added to the run's by the one that prints them, so
// that no record waits on another thread.
struct RecordCounts {
    uint64_t byTypeAndState[RecordRedirect + 1][kPrintedStates] = {};
};

inline void CountRecord(RecordCounts *counts, const DumpSource &source, const ScannedRecord &record)
{
    counts->byTypeAndState[record.type][StateOf(source, record.allocated)]++;
}

// Adds counts to the run's and empties them.
void AddPrintedRecords(RecordCounts *counts);

// --quiet: errors only; --verbose: the summary also off a terminal.
void ChooseReports(bool quiet, bool verbose);

// "gallimaw-dump: SUBJECT: REASON"
void Complain(const std::string &subject, const std::string &reason);
void Note(const std::string &subject, const std::string &reason);
// Errors already phrased as "where: what"; false when there was one.
bool ComplainOfEach(const std::vector<std::string> &problems);
// What an option asks to be told on standard error (--hash's digests):
// neither an error nor a note, so --quiet keeps it.
void Tell(const std::string &subject, const std::string &text);

// The summary, as the last line, on a terminal or with --verbose: the
// index files (unread of them could not be read) and carved areas, the
// records printed unless only listed, the errors and the seconds taken.
void ReportSummary(size_t indexFiles, size_t unread, size_t carvedAreas, bool listed);
