// gallimaw-gen: writes a plausible index.dat of one kind.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "format/kind_names.h"
#include "gen/index_generator.h"

namespace {

const char kUsage[] =
    "Usage: gallimaw-gen --kind cache|cookies|history --records N [--seed S] [--version 5|4] [--junk] OUT\n"
    "Writes an Internet Explorer index.dat (format 5.2, or 4.7 with --version 4) holding N URL records\n"
    "of the given kind, with LEAK and REDR records among them, one record in sixteen deleted (left in\n"
    "free blocks), HASH tables pointing at the live URL and REDR records, the leak list and the\n"
    "allocation bitmap. With --records 0 it is an empty index file: header, allocation bitmap and one\n"
    "HASH table, no records.\n"
    "--seed S   choose the pseudo-random content (default 1); the same seed gives the same file\n"
    "--junk     put unrecognised bytes between records, so records start at odd offsets\n";

int Fail(const char *message)
{
    std::fprintf(stderr, "gallimaw-gen: %s\n%s", message, kUsage);
    return 2;
}

bool ParseNumber(const char *text, unsigned long long *value)
{
    char *end = nullptr;
    errno = 0;
    *value = std::strtoull(text, &end, 10);
    return *text && *end == 0 && errno == 0 && text[0] != '-';
}

} // namespace

int main(int argc, char **argv)
{
    using namespace gallimaw_gen;
    int kind = KindUnknown;
    bool haveKind = false, haveRecords = false, junk = false;
    unsigned long long records = 0, seed = 1, version = 5;
    const char *out = nullptr;
    for (int i = 1; i < argc; i++) {
        std::string arg = argv[i];
        bool hasValue = i + 1 < argc;
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (arg == "--junk") {
            junk = true;
        } else if (arg == "--kind" && hasValue) {
            kind = KindNamed(argv[++i]);
            if (kind == KindUnknown)
                return Fail("--kind must be cache, cookies or history");
            haveKind = true;
        } else if (arg == "--records" && hasValue) {
            if (!ParseNumber(argv[++i], &records) || records > 0xFFFFFFFFu)
                return Fail("--records needs a count");
            haveRecords = true;
        } else if (arg == "--seed" && hasValue) {
            if (!ParseNumber(argv[++i], &seed))
                return Fail("--seed needs a number");
        } else if (arg == "--version" && hasValue) {
            if (!ParseNumber(argv[++i], &version) || (version != 4 && version != 5))
                return Fail("--version must be 5 or 4");
        } else if (arg.size() > 1 && arg[0] == '-') {
            return Fail(("unknown or incomplete option " + arg).c_str());
        } else if (!out) {
            out = argv[i];
        } else {
            return Fail("only one output file");
        }
    }
    if (!haveKind || !haveRecords || !out)
        return Fail("--kind, --records and an output file are needed");
    GeneratedIndex index = BuildIndex(SampleLayout(static_cast<IndexFileKind>(kind), static_cast<uint32_t>(records), seed, static_cast<int>(version), junk));
    std::string error;
    if (!WriteIndexFile(out, index, &error)) {
        std::fprintf(stderr, "gallimaw-gen: %s: %s\n", out, error.c_str());
        return 1;
    }
    return 0;
}
