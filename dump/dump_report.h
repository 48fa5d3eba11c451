// What gallimaw-dump says on standard error: errors, the faults that make
// the exit status 1 or 2, and notes, the rest, which --quiet leaves out.
#pragma once
#include <string>
#include <vector>

// --quiet: errors only.
void ChooseReports(bool quiet);

// "gallimaw-dump: SUBJECT: REASON"
void Complain(const std::string &subject, const std::string &reason);
void Note(const std::string &subject, const std::string &reason);
// Errors already phrased as "where: what"; false when there was one.
bool ComplainOfEach(const std::vector<std::string> &problems);
// What an option asks to be told on standard error (--hash's digests):
// neither an error nor a note, so --quiet keeps it.
void Tell(const std::string &subject, const std::string &text);
