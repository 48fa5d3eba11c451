#include "dump/dump_report.h"

#include <cstdio>

namespace {

bool gQuiet = false;

void Say(const std::string &message)
{
    std::fprintf(stderr, "gallimaw-dump: %s\n", message.c_str());
}

} // namespace

void ChooseReports(bool quiet)
{
    gQuiet = quiet;
}

void Complain(const std::string &subject, const std::string &reason)
{
    Say(subject + ": " + reason);
}

void Note(const std::string &subject, const std::string &reason)
{
    if (!gQuiet)
        Say(subject + ": " + reason);
}

bool ComplainOfEach(const std::vector<std::string> &problems)
{
    for (const std::string &problem : problems)
        Say(problem);
    return problems.empty();
}

void Tell(const std::string &subject, const std::string &text)
{
    Say(subject + ": " + text);
}
