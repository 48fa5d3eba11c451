#include "dump/dump_options.h"

#include <getopt.h>
#include <strings.h>

#include <cstring>
#include <sstream>

#include "dump/dump_hash.h"
#include "format/kind_names.h"
#include "format/record_fields.h"

const char kDumpVersion[] = "gallimaw-dump (Gallimaw View) " GALLIMAW_VERSION "\n";

const char kDumpUsage[] =
    "Usage: gallimaw-dump [OPTION]... FILE...\n"
    "       gallimaw-dump [OPTION]... --device DIR [FILE]...\n"
    "       gallimaw-dump [OPTION]... -r DIR...\n"
    "       gallimaw-dump [OPTION]... --image [--carve[=all]] IMAGE...\n"
    "\n"
    "Prints the records of Internet Explorer index.dat files (cache, cookies and\n"
    "history of a Pocket PC, or of desktop Internet Explorer 4 and 5), one line per\n"
    "record, in UTF-8: URL records, LEAK records (cache entries whose file could not\n"
    "be deleted; they keep the URL record's fields) and REDR records (an address\n"
    "that redirects). Records are found as the Gallimaw View record list finds them:\n"
    "by signature, at any byte offset from the first hash table on (from the data\n"
    "area at 0x4000 when the header places that table outside the file, which is\n"
    "noted), so records outside the hash tables, at unaligned offsets and in\n"
    "unallocated blocks are reported too. Each record has a state:\n"
    "  allocated  every block it claims is in use in the file's allocation bitmap\n"
    "             and the file's own index reaches it: a hash table entry, or for a\n"
    "             LEAK record the leak list that starts in the file's header\n"
    "  recovered  any other record: deleted, overwritten or orphaned data. Its\n"
    "             blocks may have been reused: it ends where an allocated record\n"
    "             begins or at a later 128-byte boundary holding a record\n"
    "             signature, if that comes before its blocks end. No text of a\n"
    "             record is read past its end; one cut short is partial.\n"
    "  carved     (--carve) found in a disk image's free space or lost clusters,\n"
    "             outside any file.\n"
    "\n"
    "Options:\n"
    "  -f, --format=FORMAT  csv, jsonl, table, bodyfile, timesketch or row (default\n"
    "                       row); see Formats\n"
    "  -t, --type=TYPES     keep only records of these types, a comma-separated\n"
    "                       list of url, leak and redr (default all three; row\n"
    "                       lists URL records only)\n"
    "  -r, --recursive      search each DIR given for index files: every file\n"
    "                       named index.dat in any letter case, and every other\n"
    "                       file that begins with the index file signature; the\n"
    "                       files are read in parallel on all available processors\n"
    "                       and printed in path order. Symbolic links to folders\n"
    "                       are not followed. An entry that cannot be read is\n"
    "                       named on standard error and the search goes on\n"
    "  -i, --image          read each FILE as a disk image (IMAGE, below) and report\n"
    "                       the records of every index file in it, allocated or\n"
    "                       deleted\n"
    "      --carve[=all]    with --image (implied), also search the image's free\n"
    "                       space for records at any byte offset: the unallocated\n"
    "                       blocks of each file system, the lost clusters of each\n"
    "                       FAT file system (in use, but on no cluster chain that\n"
    "                       an entry of its folders starts), the space outside the\n"
    "                       partitions and each partition without a readable file\n"
    "                       system; with =all, every byte of the image, files\n"
    "                       included (their records are then reported twice)\n"
    "  -d, --device=DIR     read the three index files of a device folder (below);\n"
    "                       may be given more than once\n"
    "  -k, --kind=KINDS     keep only files of these kinds, a comma-separated list\n"
    "                       of cache, cookies and history; a file whose kind is\n"
    "                       unknown is left out, with a note on standard error\n"
    "  -m, --mixed          merge all files into one list, newest last access first\n"
    "                       (descending Sort key; ties keep file order), as the\n"
    "                       viewer's Mixed view orders them\n"
    "      --timezone=ZONE  the time zone (an IANA name, such as Europe/Amsterdam)\n"
    "                       of the local modified times of daily and weekly\n"
    "                       history: they are then given in UTC (below)\n"
    "  -l, --list           print the index files the inputs name, one per line as\n"
    "                       KIND<TAB>PATH (KIND empty when unknown), and no records;\n"
    "                       a file in a disk image as KIND<TAB>IMAGE<TAB>SOURCE<TAB>\n"
    "                       FILE STATE (the fields Source and File state, below)\n"
    "      --hash=ALGS      digest the bytes read of each index file, ALGS a comma-\n"
    "                       separated list of md5, sha1 and sha256: after a file's\n"
    "                       records, 'FILE: N bytes read, md5 HEX' on standard\n"
    "                       error; with --list, one more column per digest (hex)\n"
    "  -o, --output=FILE    write the records (or --list's lines) to FILE instead\n"
    "                       of standard output (- is standard output). FILE is\n"
    "                       replaced at once when all of the output is written\n"
    "                       and on disk, also when an input was damaged (exit\n"
    "                       status 1); a run whose output cannot be written, or\n"
    "                       that is killed, leaves FILE as it was (or absent) and\n"
    "                       no other file, except, on a file system without\n"
    "                       unnamed files, a hidden .gallimaw-dump.* file in its\n"
    "                       folder after a kill. A new FILE gets mode 0666 less\n"
    "                       the umask, a replaced one keeps its mode. A FILE that\n"
    "                       is a folder or no regular file, or whose folder does\n"
    "                       not exist or cannot be written, is refused before\n"
    "                       anything is read (exit status 2)\n"
    "  -h, --help           print this help and exit\n"
    "  -V, --version        print the version and exit\n"
    "  --                   end of options; later arguments are files\n"
    "Short options may be grouped (-lr DIR) and take their value attached or as the\n"
    "next argument (-fcsv, -f csv); a long option's value follows '=' or comes next\n"
    "(--format=csv, --format csv; --carve's only after '='), and its name may be\n"
    "cut to any beginning that names no other option (--form=csv). FORMAT, KINDS,\n"
    "TYPES and ALGS may be written in any letter case. Options and inputs may be\n"
    "mixed; the inputs are read in the order given.\n"
    "\n"
    "Inputs:\n"
    "  FILE   an index.dat file. Its kind is known when a folder on its path is\n"
    "         Content.IE5 or Temporary Internet Files (Cache), Cookies (Cookies),\n"
    "         History.IE5 or History (History); otherwise its records tell it:\n"
    "         Visited: or daily and weekly history locations (History), Cookie:\n"
    "         (Cookies), other addresses (Cache). A file that does not begin with\n"
    "         the index file signature (and is not empty) is named on standard\n"
    "         error, searched all the same, and makes the exit status 1. A FILE\n"
    "         that is no regular file (a FIFO, a device) is refused without\n"
    "         being waited on; give a pipe as standard input.\n"
    "  -      standard input, whose kind is unknown. A regular file given as\n"
    "         standard input is mapped directly; a pipe is first copied to an\n"
    "         unlinked temporary file in $TMPDIR (default /tmp), never into\n"
    "         memory, up to 4 GiB, the largest index file: a pipe holding more\n"
    "         is named on standard error and makes the exit status 1 (the\n"
    "         records of its first 4 GiB are printed).\n"
    "  DIR    (--recursive) a folder searched as described above; each file found\n"
    "         takes its kind from its path as FILE does.\n"
    "  IMAGE  (--image) a disk image, read through The Sleuth Kit: a raw image (dd),\n"
    "         the first file of a split raw image (IMAGE.001, .000 or .aa; the\n"
    "         others are found by name) or of an EWF image (IMAGE.E01). Its parts\n"
    "         are checked first, every one there and every raw part but the last\n"
    "         of one size: a missing or cut part would otherwise drop, zero or\n"
    "         shift the data after it. An EWF image is read through its library\n"
    "         as far as its segments hold data; the bytes lost with a segment, and\n"
    "         each chunk found failing its checksum, are named and read as zeros.\n"
    "         Each part is a regular file or a block device; a FIFO is refused.\n"
    "         Each partition of its partition table (DOS, GPT, BSD, Mac or Sun)\n"
    "         is read, or the whole image when it has none; each file system The\n"
    "         Sleuth Kit knows (FAT, exFAT, NTFS, ext2/3/4, HFS+, ISO 9660, UFS\n"
    "         ...) is searched for index files as -r searches a folder: live\n"
    "         files, and deleted files that a folder still lists (a deleted file\n"
    "         whose folder is gone too is not looked for; --carve finds its\n"
    "         records). The index files are listed partition by\n"
    "         partition and by path within one, followed by the areas carved; a\n"
    "         file's kind comes from its path in the image, a carved record's is\n"
    "         unknown. Each file is copied through The Sleuth Kit to an unlinked\n"
    "         temporary file in $TMPDIR and read from there.\n"
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
    "         on standard error. A registry export that cannot be read (no\n"
    "         regular file, or larger than 16 MiB) is named on standard error and\n"
    "         the fallback folders are searched; a shell-folder value with a ..\n"
    "         component, which would lead out of DIR, is refused, and so is an\n"
    "         index file a symbolic link leads to outside DIR.\n"
    "\n"
    "Formats:\n"
    "  csv       RFC 4180: CRLF line ends, a title line, fields quoted when they\n"
    "            hold a comma, a quote, CR or LF. Fields: Kind, Index file, Offset,\n"
    "            URL, Accessed, Modified, Size, Dir, File, HTML-Headers, Sort key,\n"
    "            Type, State, Expires, Last checked, Hits, Cached file size, Cache\n"
    "            dir index, Flags, Source, File state.\n"
    "  jsonl     one JSON object per record with the keys kind, index_file, offset,\n"
    "            url, accessed, modified, size, dir, file, html_headers, sort_key,\n"
    "            type, state, expires, last_checked, hits, cached_file_size,\n"
    "            cache_dir_index, flags, source, file_state; an unknown kind, an\n"
    "            absent time, an unset header block, a field the record type does\n"
    "            not have, and source and file_state outside an image are null.\n"
    "  table     aligned columns for a terminal: #, Kind, Offset, Type, State,\n"
    "            Accessed, Modified, Expires, Last checked, Size, Hits, Cached file\n"
    "            size, Sort key, Dir, Cache dir index, Flags, File, URL,\n"
    "            HTML-Headers. '#' numbers the index files listed above the title\n"
    "            line (for an image, with the Source and ' (deleted)' for a deleted\n"
    "            file); times are cut to the second; control characters are shown\n"
    "            as \\r, \\n, \\t or \\xNN.\n"
    "  bodyfile  The Sleuth Kit's body format, for a timeline with 'mactime -b':\n"
    "            MD5|name|inode|mode|UID|GID|size|atime|mtime|ctime|crtime, with\n"
    "            MD5, mode, UID, GID and crtime 0, inode the record's offset, size\n"
    "            the cached file size, atime the last access, mtime the last\n"
    "            modification and ctime the last check, in whole seconds since\n"
    "            1970; 0 when not set or earlier (mactime lists those first unless\n"
    "            given a date range, as in the example below), and 0 for a local\n"
    "            modified time without --timezone (noted once on standard\n"
    "            error). The name is 'KIND\n"
    "            TYPE STATE: URL in FILE', for example 'Cache URL allocated:\n"
    "            http://www.example.com/ in index.dat', naming the local file name\n"
    "            where a record has no URL; FILE is 'IMAGE SOURCE' for an image,\n"
    "            with ' (deleted)' for a deleted file; ' (partial)' ends the name\n"
    "            of a partial record; the inode is the offset in\n"
    "            the image for a carved record; %, | and control characters are\n"
    "            written as %XX, which mactime decodes.\n"
    "  timesketch\n"
    "            JSON Lines for Timesketch's import: one object per time a URL\n"
    "            or LEAK record holds (REDR records have none), with\n"
    "            message ('TYPE URL (user NAME)', without the user part when\n"
    "            there is none), datetime (ISO 8601 UTC to the microsecond, as\n"
    "            2005-08-17T21:26:30.123456+00:00), timestamp (the same time in\n"
    "            microseconds since 1970, negative before; jq's fromdate takes no\n"
    "            fraction, so use .timestamp / 1e6 | todate), timestamp_desc\n"
    "            (plaso's names: in cache, cookies and files of unknown kind\n"
    "            Last Access Time and Content Modification Time; in history\n"
    "            Last Visited Time for both, except in weekly history, whose\n"
    "            records name a seven-day :YYYYMMDDYYYYMMDD: range: Creation\n"
    "            Time for the last access; Expiration Time and Last Checked\n"
    "            Time in every kind) and then every jsonl field. A local\n"
    "            modified time without --timezone gives no line (noted once on\n"
    "            standard error).\n"
    "  row       OFFSET<TAB>SORTKEY<TAB>C0<TAB>...<TAB>C8 for each URL record the\n"
    "            viewer's record list shows (the URL records found as above,\n"
    "            without their states): the record's byte offset and Sort key in\n"
    "            decimal, then the nine columns of the viewer's record list\n"
    "            (Accessed, URL, Size, Modified, Dir, File, HTML-Headers, Time\n"
    "            Accessed, Time Modified) exactly as the list holds them, each cut\n"
    "            to 1023 characters; backslash, tab, CR and LF are written as \\\\,\n"
    "            \\t, \\r and \\n; a column the record leaves unset is empty.\n"
    "\n"
    "Fields of csv, jsonl and table:\n"
    "  Kind          Cache, Cookies or History, or empty when unknown\n"
    "  Index file    the file as given (or as found in the device folder), or the\n"
    "                disk image\n"
    "  Offset        byte offset of the record in its file, decimal; for a carved\n"
    "                record, in the image\n"
    "  URL           the record's URL (a REDR record's location), in full\n"
    "  Accessed      last-access time, ISO 8601 UTC with 100 ns digits, for example\n"
    "  Modified      2005-08-17T21:26:30.0000000Z (last-modified time); a zero time\n"
    "                or one beyond any calendar is empty. No year window applies.\n"
    "                A record whose location begins :YYYYMMDDYYYYMMDD: (daily and\n"
    "                weekly history) keeps its modified time in local time: it is\n"
    "                written without the Z, or with --timezone converted to UTC.\n"
    "                Every other time is UTC.\n"
    "  Size          the record's block count times 128, in bytes\n"
    "  Dir           the cache subdirectory the record names, or empty\n"
    "  File          the local file name, or empty\n"
    "  HTML-Headers  the stored HTTP response header up to its blank line; unset\n"
    "                (empty, or null in jsonl) when no blank line comes before the\n"
    "                record's end\n"
    "  Sort key      the viewer's last-access sort key (two-digit year)\n"
    "  Type          URL, LEAK or REDR\n"
    "  State         allocated, recovered or carved (above)\n"
    "  Expires       expiration time: a FILETIME in version 4.7 files, a FAT\n"
    "                date-time (whole seconds, even) in version 5.2 files\n"
    "  Last checked  last-checked time, a FAT date-time\n"
    "  Hits          hit count\n"
    "  Cached file size  the size of the cached file in bytes, as the record\n"
    "                states it (not the record's own Size)\n"
    "  Cache dir index   the cache subdirectory index as stored, 0 to 255; Dir\n"
    "                names the directory when it is below 16\n"
    "  Flags         the cache entry flags, as 0x and eight hex digits\n"
    "  Source        (--image) where in the image: the partition and the file's\n"
    "                path, p2:/Documents and Settings/ann/Local Settings/History/\n"
    "                History.IE5/index.dat (partitions numbered from 1 in disk order;\n"
    "                no 'pN:' in an image without a partition table), or for a carved\n"
    "                record the area searched: pN:unallocated (the unallocated blocks\n"
    "                of the file system), pN:lost clusters (the lost clusters of a\n"
    "                FAT file system), pN:unreadable (a partition without a\n"
    "                readable file system), unpartitioned (space outside the\n"
    "                partitions) or image (--carve=all)\n"
    "  File state    (--image) allocated or deleted: whether the file system still\n"
    "                lists the index file; empty for a carved record\n"
    "  Partial       true when the record ends before the blocks it claims do: a\n"
    "                later record took them over, or the file or the free space\n"
    "                it was carved from ends first; otherwise false\n"
    "  User          who browsed, as the record names them: from a Visited: name@,\n"
    "                :YYYYMMDDYYYYMMDD: name@ or Cookie:name@ location, or a cache\n"
    "                record's ~U:name after its headers; empty (null) when none\n"
    "Times are shown as stored, converted exactly; a FAT date-time of 0 or one that\n"
    "names no real date is empty. A REDR record has only Kind, Index file, Offset,\n"
    "URL, Size, Type and State; its other fields are empty (null in jsonl).\n"
    "Texts are Windows-1252, each read up to its end marker or 65536 bytes.\n"
    "Bytes spelling URL, LEAK or REDR in free space count as a carved record when\n"
    "they claim 1 to 1024 blocks and, for URL and LEAK, the URL offset of one of\n"
    "the two versions' layouts lies inside those blocks (5.2 when both do). The\n"
    "record is read on its own: as far as its blocks and its run of free space\n"
    "reach (the bytes after the run belong to another file), a header block only\n"
    "when its blank line is in there too, and without the directory table (Dir is\n"
    "empty). A record's blocks may hold a newer record: each signature is tried.\n"
    "\n"
    "Files are mapped, not read, and pages already scanned are given back, so\n"
    "memory use does not grow with file size; only --mixed keeps 32 bytes per\n"
    "record. On a terminal each line is written as its record is found.\n"
    "Otherwise every available processor works: several files are read one per\n"
    "processor, a single file's records are formatted in batches, and the lines\n"
    "are printed in order (a file's output waiting for its turn is held in\n"
    "memory, beyond 4 MB in an unlinked temporary file in $TMPDIR). Carved areas\n"
    "are searched 4 MB at a time, one piece per processor.\n"
    "\n"
    "Exit status: 0 when every file was read and printed; 1 when a file or a\n"
    "searched entry could not be read (the others are still printed), a file\n"
    "shrank while it was read (its records read before are printed), a file is\n"
    "shorter than its header states (the records in what is left are printed),\n"
    "a device folder held none of its index files, its registry export could\n"
    "not be read or led out of the folder, a disk image, an EWF segment or\n"
    "bytes of an EWF image, a partition's file system or part of an area to\n"
    "carve could not be read (the rest is still read), standard input held more than 4 GiB, a temporary\n"
    "file could not be made or written, or the output could not be written\n"
    "(--output's FILE is then left as it was); 2 for a bad command line or an\n"
    "--output FILE refused.\n"
    "\n"
    "Examples:\n"
    "  gallimaw-dump --format=csv index.dat > records.csv\n"
    "  gallimaw-dump -f table --device ~/pocketpc --kind=history\n"
    "  gallimaw-dump -f jsonl --mixed --device ~/pocketpc | jq .url\n"
    "  gallimaw-dump -f jsonl --type=leak,redr index.dat | jq 'select(.state == \"recovered\")'\n"
    "  gallimaw-dump -f bodyfile -r /mnt/evidence > body.txt\n"
    "  gallimaw-dump -f csv --image laptop.E01 > records.csv\n"
    "  gallimaw-dump -f jsonl --carve sdcard.img | jq 'select(.state == \"carved\")'\n"
    "  mactime -b body.txt -d 2000-01-01..2030-12-31\n";

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
                               {"help", no_argument, nullptr, 'h'},
                               {"version", no_argument, nullptr, 'V'},
                               {nullptr, 0, nullptr, 0}};
// '-' returns each argument that is no option as code 1 where it stands,
// since files, -r folders and --device folders are read in the order given;
// ':' tells a missing value from an unknown option.
const char kShortOptions[] = "-:f:t:rid:k:mlo:hV";

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
                  {'r', &DumpOptions::recursive}, {'i', &DumpOptions::image},   {'l', &DumpOptions::list}};
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
