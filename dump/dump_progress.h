// gallimaw-dump's progress line: on a terminal, once a run has lasted a
// second, the bytes (or files) done of the total, the rate and the time
// left, redrawn in place a few times a second by a thread of its own.
// Every message to standard error goes through here, so that none shares
// a line with it.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "dump/dump_source.h"

// The seconds since the program started.
double SecondsRunning();

// The work done, counted from any thread whether a line is shown or not.
void AddWorkDone(uint64_t bytes, uint64_t files);
// Counts a source's mapping: a file that could not be mapped is done, and
// one whose size could not be known before adds it to the work to do.
void CountMappedSource(const DumpSource &source, bool mapped, uint64_t bytes);

// Whether standard error is a terminal, and not standard output's, where
// the records themselves show how far the run has come.
bool StandardErrorShowsProgress();
// Shows the line over the sources' bytes, or over their files when they
// are many small ones.
void StartProgressLine(const std::vector<DumpSource> &sources);
// Ends the line's thread and clears the line.
void StopProgressLine();

// Writes text, whole lines, with the progress line cleared first.
void WriteOnStandardError(const std::string &text);
