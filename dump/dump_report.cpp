#include "dump/dump_report.h"

#include <unistd.h>

#include <atomic>
#include <cstdio>

#include "dump/dump_progress.h"

namespace {

bool gQuiet = false;
bool gVerbose = false;
RecordCounts gPrinted;
// Errors come from the readers' threads too.
std::atomic<size_t> gErrors{0};

void Say(const std::string &message)
{
    WriteOnStandardError("gallimaw-dump: " + message + "\n");
}

void SayError(const std::string &message)
{
    gErrors++;
    Say(message);
}

// "1 error", "3 errors".
std::string Counted(uint64_t count, const char *thing)
{
    return std::to_string(count) + " " + thing + (count == 1 ? "" : "s");
}

// "URL 1200 allocated, 30 recovered; LEAK 2 recovered": the states each
// type has records in.
std::string RecordsByTypeAndState()
{
    static const PrintedState kOrder[] = {StateAllocated, StateRecovered, StateCarved};
    std::string text;
    for (int type = RecordUrl; type <= RecordRedirect; type++) {
        std::string states;
        for (PrintedState state : kOrder)
            if (uint64_t count = gPrinted.byTypeAndState[type][state])
                states += (states.empty() ? "" : ", ") + std::to_string(count) + " " + kStateNames[state];
        if (!states.empty())
            text += (text.empty() ? "" : "; ") + std::string(kTypeNames[type]) + " " + states;
    }
    return text;
}

} // namespace

void AddPrintedRecords(RecordCounts *counts)
{
    for (int type = RecordUrl; type <= RecordRedirect; type++)
        for (int state = 0; state < kPrintedStates; state++) {
            gPrinted.byTypeAndState[type][state] += counts->byTypeAndState[type][state];
            counts->byTypeAndState[type][state] = 0;
        }
}

void ChooseReports(bool quiet, bool verbose)
{
    gQuiet = quiet;
    gVerbose = verbose;
}

void Complain(const std::string &subject, const std::string &reason)
{
    SayError(subject + ": " + reason);
}

void Note(const std::string &subject, const std::string &reason)
{
    if (!gQuiet)
        Say(subject + ": " + reason);
}

bool ComplainOfEach(const std::vector<std::string> &problems)
{
    for (const std::string &problem : problems)
        SayError(problem);
    return problems.empty();
}

void Tell(const std::string &subject, const std::string &text)
{
    Say(subject + ": " + text);
}

void ReportSummary(size_t indexFiles, size_t unread, size_t carvedAreas, bool listed)
{
    if (gQuiet || !(gVerbose || isatty(STDERR_FILENO)))
        return;
    std::string text = Counted(indexFiles, "index file");
    if (unread)
        text += " (" + std::to_string(unread) + " could not be read)";
    if (carvedAreas)
        text += ", " + Counted(carvedAreas, "carved area");
    if (!listed) {
        uint64_t records = 0;
        for (const auto &states : gPrinted.byTypeAndState)
            for (uint64_t count : states)
                records += count;
        text += "; " + Counted(records, "record") + (records ? ": " + RecordsByTypeAndState() : "");
    }
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.2f s", SecondsRunning());
    Say(text + "; " + Counted(gErrors, "error") + "; " + seconds);
}
