#include "dump/dump_options.h"

#include <getopt.h>
#include <strings.h>

#include <cstring>
#include <sstream>

#include "dump/dump_hash.h"
#include "format/kind_names.h"
#include "format/record_fields.h"

const char kDumpVersion[] = "gallimaw-dump (Gallimaw View) " GALLIMAW_VERSION "\n";

// A short usage; the manual, gallimaw-dump.1.in, holds the rest, and a test
// keeps the two option lists the same.
const char kDumpUsage[] =
    "Usage: gallimaw-dump [OPTION]... FILE...\n"
    "       gallimaw-dump [OPTION]... --device DIR [FILE]...\n"
    "       gallimaw-dump [OPTION]... -r DIR...\n"
    "       gallimaw-dump [OPTION]... --image [--carve[=all]] IMAGE...\n"
    "Prints the URL, LEAK and REDR records of Internet Explorer index.dat files\n"
    "(FILE - is standard input), each allocated, recovered or carved.\n"
    "\n"
    "  -f, --format=FORMAT  csv, jsonl, table, bodyfile, timesketch or row (default)\n"
    "  -t, --type=TYPES     keep these record types: url,leak,redr (default all;\n"
    "                       row lists URL records only)\n"
    "  -r, --recursive      search each DIR for index files\n"
    "  -i, --image          read each FILE as a disk image (raw, split raw or EWF)\n"
    "      --carve[=all]    with --image, also search the image's free space for\n"
    "                       records (=all: every byte of it)\n"
    "  -d, --device=DIR     read the index files of a device folder\n"
    "  -k, --kind=KINDS     keep these kinds of file: cache,cookies,history\n"
    "  -m, --mixed          merge all files into one list, newest access first\n"
    "      --timezone=ZONE  the zone of daily and weekly history's local modified\n"
    "                       times, which are then given in UTC like the others\n"
    "  -l, --list           list the index files found instead of their records\n"
    "      --hash=ALGS      digests of each file's bytes read, ALGS a list of md5,\n"
    "                       sha1, sha256: in --list's lines, else on standard error\n"
    "  -o, --output=FILE    write to FILE, replaced only once the output is complete\n"
    "  -q, --quiet          write only errors on standard error: no notes, no\n"
    "                       progress line and no summary\n"
    "  -v, --verbose        write the closing summary also off a terminal\n"
    "  -h, --help           print this help and exit\n"
    "  -V, --version        print the version and exit\n"
    "\n"
    "Exit status: 0 when everything was read and printed, 1 when something could\n"
    "not be read (the rest is still printed) or the output not written, 2 for a\n"
    "bad command line.\n"
    "\n"
    "Examples:\n"
    "  gallimaw-dump -f csv -o records.csv -r /mnt/evidence\n"
    "  gallimaw-dump -f bodyfile --image laptop.E01 > body.txt\n"
    "  gallimaw-dump -f jsonl --carve sdcard.img | jq 'select(.state == \"carved\")'\n"
    "\n"
    "The manual (man gallimaw-dump) tells the inputs, formats, fields and times.\n";

namespace {

bool ParseFormat(const std::string &name, DumpFormat *format)
{
    static const struct {
        const char *name;
        DumpFormat format;
    } kFormats[] = {{"row", DumpFormat::Row}, {"csv", DumpFormat::Csv}, {"jsonl", DumpFormat::JsonLines},
                    {"table", DumpFormat::Table}, {"bodyfile", DumpFormat::Bodyfile},
                    {"timesketch", DumpFormat::Timesketch}};
    for (const auto &known : kFormats)
        if (!strcasecmp(name.c_str(), known.name)) {
            *format = known.format;
            return true;
        }
    return false;
}

bool ParseKinds(const std::string &list, unsigned *mask)
{
    std::istringstream in(list);
    *mask = 0;
    for (std::string name; std::getline(in, name, ',');) {
        int kind = KindNamed(name);
        if (kind == KindUnknown)
            return false;
        *mask |= 1u << kind;
    }
    return *mask != 0;
}

bool ParseTypes(const std::string &list, unsigned *mask)
{
    static const struct {
        const char *name;
        int type;
    } kTypes[] = {{"url", RecordUrl}, {"leak", RecordLeak}, {"redr", RecordRedirect}};
    std::istringstream in(list);
    *mask = 0;
    for (std::string name; std::getline(in, name, ',');) {
        unsigned before = *mask;
        for (const auto &known : kTypes)
            if (!strcasecmp(name.c_str(), known.name))
                *mask |= 1u << known.type;
        if (*mask == before)
            return false;
    }
    return *mask != 0;
}

// Long options without a short form, numbered past every character.
enum { kCarveOption = 256, kTimeZoneOption, kHashOption };

const option kLongOptions[] = {{"format", required_argument, nullptr, 'f'},
                               {"type", required_argument, nullptr, 't'},
                               {"recursive", no_argument, nullptr, 'r'},
                               {"image", no_argument, nullptr, 'i'},
                               {"carve", optional_argument, nullptr, kCarveOption},
                               {"device", required_argument, nullptr, 'd'},
                               {"kind", required_argument, nullptr, 'k'},
                               {"mixed", no_argument, nullptr, 'm'},
                               {"timezone", required_argument, nullptr, kTimeZoneOption},
                               {"list", no_argument, nullptr, 'l'},
                               {"output", required_argument, nullptr, 'o'},
                               {"hash", required_argument, nullptr, kHashOption},
                               {"quiet", no_argument, nullptr, 'q'},
                               {"verbose", no_argument, nullptr, 'v'},
                               {"help", no_argument, nullptr, 'h'},
                               {"version", no_argument, nullptr, 'V'},
                               {nullptr, 0, nullptr, 0}};
// '-' returns each argument that is no option as code 1 where it stands,
// since files, -r folders and --device folders are read in the order given;
// ':' tells a missing value from an unknown option.
const char kShortOptions[] = "-:f:t:rid:k:mlo:qvhV";

bool Refuse(std::string *error, const std::string &reason)
{
    *error = reason;
    return false;
}

// Takes one option, by getopt_long's code for it (1 for a FILE), with its
// value, null when it has none or its value is missing.
bool TakeOption(int code, const char *value, DumpOptions *options, std::string *error)
{
    static const struct {
        int code;
        bool DumpOptions::*flag;
    } kFlags[] = {{'h', &DumpOptions::help},      {'V', &DumpOptions::version}, {'m', &DumpOptions::mixed},
                  {'r', &DumpOptions::recursive}, {'i', &DumpOptions::image},   {'l', &DumpOptions::list},
                  {'q', &DumpOptions::quiet},     {'v', &DumpOptions::verbose}};
    for (const auto &known : kFlags)
        if (known.code == code) {
            options->*known.flag = true;
            return true;
        }
    switch (code) {
    case 1:
        options->inputs.push_back({value, false});
        return true;
    case kCarveOption:
        // The value is optional, so it is never the next argument.
        if (value && strcmp(value, "all"))
            return Refuse(error, "--carve takes no value but 'all'");
        options->image = true;
        options->carve = value ? CarveArea::All : CarveArea::Unallocated;
        return true;
    case 'f':
        return (value && ParseFormat(value, &options->format))
               || Refuse(error, "--format needs one of csv, jsonl, table, bodyfile, timesketch, row");
    case 'k':
        return (value && ParseKinds(value, &options->kindMask))
               || Refuse(error, "--kind needs a list of cache, cookies, history");
    case 't':
        return (value && ParseTypes(value, &options->typeMask))
               || Refuse(error, "--type needs a list of url, leak, redr");
    case kHashOption:
        return (value && ParseHashNames(value, &options->hashes))
               || Refuse(error, "--hash needs a list of md5, sha1, sha256");
    case 'o':
        if (!value || !*value)
            return Refuse(error, "--output needs a file (- for standard output)");
        options->output = strcmp(value, "-") ? value : "";
        return true;
    case kTimeZoneOption:
        if (!value || !*value)
            return Refuse(error, "--timezone needs a time zone name, for example Europe/Amsterdam");
        options->timeZone = value;
        return true;
    default: // -d, --device
        if (!value || !*value)
            return Refuse(error, "--device needs a folder");
        options->inputs.push_back({value, true});
        return true;
    }
}

// What is wrong with the option getopt_long returned '?' for: an unknown
// short option (optopt), a long option given a value it takes none of
// (optopt its code), or an unknown or ambiguous long option (the argument
// before optind).
std::string Mistake(char **argv)
{
    if (optopt) {
        for (const option *known = kLongOptions; known->name; known++)
            if (known->val == optopt)
                return std::string("--") + known->name + " takes no value";
        return std::string("unknown option -") + static_cast<char>(optopt);
    }
    std::string given = argv[optind - 1];
    std::string name = given.substr(0, given.find('='));
    std::string candidates;
    for (const option *known = kLongOptions; known->name; known++)
        if (!strncmp(known->name, name.c_str() + 2, name.size() - 2))
            candidates += (candidates.empty() ? "--" : ", --") + std::string(known->name);
    return candidates.empty() ? "unknown option " + given : "ambiguous option " + name + ": " + candidates;
}

} // namespace

bool ParseDumpOptions(int argc, char **argv, DumpOptions *options, std::string *error)
{
    // Mistakes are told as the program's other errors are, not by getopt.
    opterr = 0;
    for (int code; (code = getopt_long(argc, argv, kShortOptions, kLongOptions, nullptr)) != -1;) {
        bool taken = code == '?'   ? Refuse(error, Mistake(argv))
                     : code == ':' ? TakeOption(optopt, nullptr, options, error)
                                   : TakeOption(code, optarg, options, error);
        if (!taken)
            return false;
    }
    // The arguments after "--".
    for (int i = optind; i < argc; i++)
        options->inputs.push_back({argv[i], false});
    if (options->help || options->version)
        return true;
    if (options->inputs.empty())
        return Refuse(error, "no index file or device folder given");
    if (options->image && options->recursive)
        return Refuse(error, "--image reads disk images, --recursive folders: choose one");
    if (options->quiet && options->verbose)
        return Refuse(error, "--quiet leaves out the summary --verbose asks for: choose one");
    if (options->carve != CarveArea::None && options->mixed)
        return Refuse(error, "--mixed cannot merge carved records");
    for (const DumpInput &input : options->inputs)
        if (options->image && !input.device && input.path == "-")
            return Refuse(error, "a disk image cannot be read from standard input");
    if (options->format == DumpFormat::Row && options->typeMask & ~(1u << RecordUrl))
        return Refuse(error, "--format=row lists URL records only");
    if (!options->typeMask)
        options->typeMask = 1u << RecordUrl | 1u << RecordLeak | 1u << RecordRedirect;
    return true;
}
