#include "tools/dump_options.h"

#include <sstream>

#include "tools/dump_kinds.h"

const char kDumpVersion[] = "gallimaw-dump (Gallimaw View) 1.0\n";

const char kDumpUsage[] =
    "Usage: gallimaw-dump [OPTION]... FILE...\n"
    "       gallimaw-dump [OPTION]... --device DIR [FILE]...\n"
    "\n"
    "Prints every URL record of Internet Explorer index.dat files (cache, cookies\n"
    "and history of a Pocket PC, or of desktop Internet Explorer 4 and 5), one line\n"
    "per record, in UTF-8. Records are found as the Gallimaw View record list finds\n"
    "them: by signature, at any byte offset from the first hash table on, so records\n"
    "outside the hash tables and at unaligned offsets are reported too.\n"
    "\n"
    "Options:\n"
    "  -f, --format=FORMAT  csv, jsonl, table or row (default row); see Formats\n"
    "  -d, --device=DIR     read the three index files of a device folder (below);\n"
    "                       may be given more than once\n"
    "  -k, --kind=KINDS     keep only files of these kinds, a comma-separated list\n"
    "                       of cache, cookies and history; a file whose kind is\n"
    "                       unknown is left out, with a note on standard error\n"
    "  -m, --mixed          merge all files into one list, newest last access first\n"
    "                       (descending Sort key; ties keep file order), as the\n"
    "                       viewer's Mixed view orders them\n"
    "  -l, --list           print the index files the inputs name, one per line as\n"
    "                       KIND<TAB>PATH (KIND empty when unknown), and no records\n"
    "  -h, --help           print this help and exit\n"
    "      --version        print the version and exit\n"
    "  --                   end of options; later arguments are files\n"
    "\n"
    "Inputs:\n"
    "  FILE   an index.dat file. Its kind is known when a folder on its path is\n"
    "         Content.IE5 or Temporary Internet Files (Cache), Cookies (Cookies),\n"
    "         History.IE5 or History (History); otherwise it is unknown.\n"
    "  -      standard input. A regular file given as standard input is mapped\n"
    "         directly; anything else (a pipe) is first copied to an unlinked\n"
    "         temporary file in $TMPDIR (default /tmp), never into memory.\n"
    "  DIR    (--device) a folder made by 'gallimaw-device create' (DIR/device.json,\n"
    "         with the device's file system in DIR/prefix/drive_c and its registry\n"
    "         in DIR/prefix/user.reg), or a copy of a Pocket PC file system (with an\n"
    "         optional registry export DIR/user.reg). The files are found as the\n"
    "         viewer finds them: the shell-folder values Cache, Cookies and History\n"
    "         under HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\\n"
    "         Explorer\\Shell Folders, followed by \\Content.IE5, nothing and\n"
    "         \\History.IE5, then \\index.dat; without a value (or one longer than\n"
    "         129 characters) \\Windows\\Temporary Internet Files\\index.dat,\n"
    "         \\Windows\\Cookies\\index.dat and \\Windows\\History\\index.dat, and then\n"
    "         the same folders with Content.IE5 and History.IE5. Device paths are\n"
    "         matched without regard to letter case. A kind with no file is noted\n"
    "         on standard error.\n"
    "\n"
    "Formats:\n"
    "  csv    RFC 4180: CRLF line ends, a title line, fields quoted when they hold\n"
    "         a comma, a quote, CR or LF. Fields: Kind, Index file, Offset, URL,\n"
    "         Accessed, Modified, Size, Dir, File, HTML-Headers, Sort key.\n"
    "  jsonl  one JSON object per record with the keys kind, index_file, offset,\n"
    "         url, accessed, modified, size, dir, file, html_headers, sort_key;\n"
    "         an unknown kind, an absent time or an unset header block is null.\n"
    "  table  aligned columns for a terminal: #, Kind, Offset, Accessed, Modified,\n"
    "         Size, Sort key, Dir, File, URL, HTML-Headers. '#' numbers the index\n"
    "         files listed above the title line; times are cut to the second;\n"
    "         control characters are shown as \\r, \\n, \\t or \\xNN.\n"
    "  row    OFFSET<TAB>SORTKEY<TAB>C0<TAB>...<TAB>C8: the record's byte offset and\n"
    "         Sort key in decimal, then the nine columns of the viewer's record list\n"
    "         (Accessed, URL, Size, Modified, Dir, File, HTML-Headers, Time Accessed,\n"
    "         Time Modified) exactly as the list holds them, each cut to 1023\n"
    "         characters; backslash, tab, CR and LF are written as \\\\, \\t, \\r and\n"
    "         \\n; a column the record leaves unset is empty.\n"
    "\n"
    "Fields of csv, jsonl and table:\n"
    "  Kind          Cache, Cookies or History, or empty when unknown\n"
    "  Index file    the file as given (or as found in the device folder)\n"
    "  Offset        byte offset of the record in its file, decimal\n"
    "  URL           the record's URL, in full\n"
    "  Accessed      last-access time, ISO 8601 UTC with 100 ns digits, for example\n"
    "  Modified      2005-08-17T21:26:30.0000000Z (last-modified time); a zero time\n"
    "                or one beyond any calendar is empty. No year window applies.\n"
    "  Size          the record's block count times 128, in bytes\n"
    "  Dir           the cache subdirectory the record names, or empty\n"
    "  File          the local file name, or empty\n"
    "  HTML-Headers  the stored HTTP response header up to its blank line; unset\n"
    "                (empty, or null in jsonl) when there is no blank line\n"
    "  Sort key      the viewer's last-access sort key (two-digit year)\n"
    "Texts are Windows-1252, each read up to its end marker or 65536 bytes.\n"
    "\n"
    "Files are mapped, not read, and pages already scanned are given back, so\n"
    "memory use does not grow with file size; only --mixed keeps 16 bytes per\n"
    "record. Lines are written as records are found.\n"
    "\n"
    "Exit status: 0 when every file was read and printed; 1 when a file could not\n"
    "be read (the others are still printed) or shrank while it was read (its\n"
    "records read before are printed), a device folder held none of its index\n"
    "files, or the output could not be written; 2 for a bad command line.\n"
    "\n"
    "Examples:\n"
    "  gallimaw-dump --format=csv index.dat > records.csv\n"
    "  gallimaw-dump -f table --device ~/pocketpc --kind=history\n"
    "  gallimaw-dump -f jsonl --mixed --device ~/pocketpc | jq .url\n";

namespace {

bool ParseFormat(const std::string &name, DumpFormat *format)
{
    static const struct {
        const char *name;
        DumpFormat format;
    } kFormats[] = {{"row", DumpFormat::Row}, {"csv", DumpFormat::Csv}, {"jsonl", DumpFormat::JsonLines},
                    {"table", DumpFormat::Table}};
    for (const auto &known : kFormats)
        if (name == known.name) {
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

// An option's value: after '=' in the same argument, or the next argument.
bool OptionValue(int argc, char **argv, int *i, const std::string &inlineValue, bool hasInline,
                 std::string *value)
{
    if (hasInline) {
        *value = inlineValue;
        return true;
    }
    if (*i + 1 >= argc)
        return false;
    *value = argv[++*i];
    return true;
}

} // namespace

bool ParseDumpOptions(int argc, char **argv, DumpOptions *options, std::string *error)
{
    bool optionsEnd = false;
    for (int i = 1; i < argc; i++) {
        std::string arg = argv[i];
        if (optionsEnd || arg == "-" || arg.empty() || arg[0] != '-') {
            options->inputs.push_back({arg, false});
            continue;
        }
        size_t equals = arg.find('=');
        bool hasInline = arg.rfind("--", 0) == 0 && equals != std::string::npos;
        std::string name = hasInline ? arg.substr(0, equals) : arg;
        std::string inlineValue = hasInline ? arg.substr(equals + 1) : "";
        std::string value;
        if (name == "--") {
            optionsEnd = true;
        } else if (name == "-h" || name == "--help") {
            options->help = true;
        } else if (name == "--version") {
            options->version = true;
        } else if (name == "-m" || name == "--mixed") {
            options->mixed = true;
        } else if (name == "-l" || name == "--list") {
            options->list = true;
        } else if (name == "-f" || name == "--format") {
            if (!OptionValue(argc, argv, &i, inlineValue, hasInline, &value) || !ParseFormat(value, &options->format)) {
                *error = "--format needs one of csv, jsonl, table, row";
                return false;
            }
        } else if (name == "-k" || name == "--kind") {
            if (!OptionValue(argc, argv, &i, inlineValue, hasInline, &value) || !ParseKinds(value, &options->kindMask)) {
                *error = "--kind needs a list of cache, cookies, history";
                return false;
            }
        } else if (name == "-d" || name == "--device") {
            if (!OptionValue(argc, argv, &i, inlineValue, hasInline, &value) || value.empty()) {
                *error = "--device needs a folder";
                return false;
            }
            options->inputs.push_back({value, true});
        } else {
            *error = "unknown option " + arg;
            return false;
        }
    }
    if (!options->help && !options->version && options->inputs.empty()) {
        *error = "no index file or device folder given";
        return false;
    }
    return true;
}
