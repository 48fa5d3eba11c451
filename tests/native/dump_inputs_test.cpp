// gallimaw-dump's inputs and behaviour as a command: files, standard
// input, device folders, --kind, --mixed, errors and exit status.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <regex>

#include "dump_index_files.h"
#include "run_command.h"

using namespace gallimaw_gen;

namespace {

// The URL of every row-format line, in order.
std::vector<std::string> Urls(const std::string &rows)
{
    std::vector<std::string> urls;
    size_t at = 0;
    for (size_t end; (end = rows.find('\n', at)) != std::string::npos; at = end + 1) {
        std::string line = rows.substr(at, end - at);
        size_t url = 0;
        for (int tab = 0; tab < 3; tab++)
            url = line.find('\t', url) + 1;
        urls.push_back(line.substr(url, line.find('\t', url) - url));
    }
    return urls;
}

std::string Record(const std::string &url, int day)
{
    UrlRecord record = SampleRecord(url);
    record.accessed = FileTimeOf(2006, 3, day, 12, 0, 0);
    std::string path = TempPath(url.substr(7, url.size() - 8));
    std::string error;
    EXPECT_TRUE(WriteIndexFile(path, BuildIndex(LayoutOf({record})), &error)) << error;
    return path;
}

void MakeFolder(const std::string &path)
{
    ASSERT_EQ(RunCommand("mkdir -p " + Quoted(path)).exitCode, 0);
}

// An index file whose one record names where it was put.
void PlaceIndex(const std::string &path, const std::string &url)
{
    MakeFolder(path.substr(0, path.rfind('/')));
    std::string error;
    ASSERT_TRUE(WriteIndexFile(path, BuildIndex(LayoutOf({SampleRecord(url)})), &error)) << error;
}

void WriteText(const std::string &path, const std::string &text)
{
    std::ofstream(path, std::ios::binary) << text;
}

// A copied file system with cache and history in the fallback folders, its
// registry export (user.reg) left to the caller.
std::string FallbackDevice(const std::string &name)
{
    std::string copy = TempPath(name);
    PlaceIndex(copy + "/Windows/Temporary Internet Files/Content.IE5/index.dat", "http://cache.example/");
    PlaceIndex(copy + "/Windows/History/index.dat", "http://history.example/");
    return copy;
}


} // namespace

TEST(DumpInputs, StandardInputFromAPipeOrAFile)
{
    std::string path = WriteIndex("stdin.dat", LayoutOf({SampleRecord("http://in.example/")}));
    CommandResult direct = RunCommand(DumpCommand() + " -f csv " + Quoted(path));
    CommandResult piped = RunCommand("cat " + Quoted(path) + " | " + DumpCommand() + " -f csv -");
    CommandResult redirected = RunCommand(DumpCommand() + " -f csv - < " + Quoted(path));
    EXPECT_EQ(piped.exitCode, 0) << piped.err;
    EXPECT_EQ(redirected.exitCode, 0) << redirected.err;
    std::string rowOf = direct.out.substr(direct.out.find("\r\n") + 2);
    size_t afterPath = rowOf.find(",16384,");
    EXPECT_EQ(piped.out.substr(piped.out.find("\r\n") + 2), ",-" + rowOf.substr(afterPath));
    EXPECT_EQ(redirected.out, piped.out);
}

TEST(DumpInputs, UnreadableFilesAreNamedOnStandardErrorAndTheOthersPrinted)
{
    std::string good = WriteIndex("good.dat", LayoutOf({SampleRecord("http://good.example/")}));
    std::string empty = TempPath("empty.dat");
    WriteText(empty, "");
    std::string missing = TempPath("missing.dat");
    CommandResult result = RunCommand(DumpCommand() + " " + Quoted(missing) + " " + Quoted(empty) + " "
                                      + Quoted(TempPath("")) + " " + Quoted(good));
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find("gallimaw-dump: " + missing + ": No such file or directory"), std::string::npos)
        << result.err;
    EXPECT_NE(result.err.find(": Is a directory"), std::string::npos) << result.err;
    EXPECT_EQ(result.err.find("empty.dat"), std::string::npos) << "an empty file is no error: " << result.err;
    EXPECT_EQ(Urls(result.out), std::vector<std::string>{"http://good.example/"});

    CommandResult full = RunCommand("(" + DumpCommand() + " " + Quoted(good) + " >/dev/full)");
    EXPECT_EQ(full.exitCode, 1) << "a failed write is no success";
    EXPECT_NE(full.err.find("No space left on device"), std::string::npos) << full.err;
}

TEST(DumpInputs, HelpVersionAndListToAFullDiskFail)
{
    std::string good = WriteIndex("listed.dat", LayoutOf({SampleRecord("http://listed.example/")}));
    for (const std::string &options : {std::string("--help"), std::string("--version"), "-l " + Quoted(good)}) {
        CommandResult full = RunCommand("(" + DumpCommand() + " " + options + " >/dev/full)");
        EXPECT_EQ(full.exitCode, 1) << options;
        EXPECT_EQ(full.err, "gallimaw-dump: standard output: No space left on device\n") << options;
    }
}

TEST(DumpInputs, CommandLineHelpVersionAndMistakes)
{
    CommandResult help = RunCommand(DumpCommand() + " --help");
    EXPECT_EQ(help.exitCode, 0);
    // The manual holds the rest; install_test compares its options with these.
    for (const char *topic : {"--format=FORMAT", "--device=DIR", "--kind=KINDS", "--type=TYPES", "--recursive",
                              "--mixed", "bodyfile", "Exit status", "--image", "--carve[=all]", "man gallimaw-dump"})
        EXPECT_NE(help.out.find(topic), std::string::npos) << topic;
    EXPECT_LE(std::count(help.out.begin(), help.out.end(), '\n'), 40) << help.out;
    CommandResult version = RunCommand(DumpCommand() + " --version");
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out.rfind("gallimaw-dump ", 0), 0u);
    // One version for both tools: the device command's, which is the project's.
    CommandResult device = RunCommand(Quoted(Env("GALLIMAW_SOURCE") + "/device/gallimaw-device") + " --version");
    EXPECT_EQ(RunCommand(DumpCommand() + " -V").out, version.out);
    EXPECT_EQ(std::regex_replace(device.out, std::regex("^gallimaw-device"), "gallimaw-dump"), version.out);
    for (const char *wrong : {"", "--format=xml x", "--kind=bookmarks x", "--type=url,hash x", "-f row --type=leak x",
                              "--device", "--frobnicate x", "--carve=free x", "-r --image x", "--carve --mixed x",
                              "--image -", "--hash=crc32 x", "--hash=md5,,sha1 x"}) {
        CommandResult result = RunCommand(DumpCommand() + " " + wrong);
        EXPECT_EQ(result.exitCode, 2) << wrong;
        EXPECT_NE(result.err.find("gallimaw-dump: "), std::string::npos) << wrong;
        EXPECT_EQ(result.out, "") << wrong;
    }
    std::string dashed = WriteIndex("-dashed.dat", LayoutOf({SampleRecord("http://dash.example/")}));
    EXPECT_EQ(Urls(RunCommand("cd " + Quoted(TempPath("")) + " && " + DumpCommand() + " -- -dashed.dat").out),
              std::vector<std::string>{"http://dash.example/"});
}

// Grouped short options, attached values, long options cut to a unique
// beginning and format names in capitals mean what their long forms do.
TEST(DumpInputs, ConventionalOptionFormsMeanTheirLongForms)
{
    std::string folder = TempPath("forms");
    std::string file = Quoted(folder + "/a/index.dat");
    PlaceIndex(folder + "/a/index.dat", "http://forms.example/");
    std::vector<std::pair<std::string, std::string>> forms = {
        {"-lr " + Quoted(folder), "--list --recursive " + Quoted(folder)},
        {"-fcsv " + file, "--format=csv " + file},
        {"--form=csv " + file, "--format=csv " + file},
        {"-f CSV " + file, "--format=csv " + file}};
    for (const auto &[form, longForm] : forms) {
        CommandResult result = RunCommand(DumpCommand() + " " + form);
        CommandResult expected = RunCommand(DumpCommand() + " " + longForm);
        EXPECT_EQ(result.exitCode, 0) << form << ": " << result.err;
        EXPECT_NE(expected.out, "") << longForm;
        EXPECT_EQ(result.out, expected.out) << form;
    }
}

TEST(DumpInputs, MixedOrdersAllFilesByDescendingSortKey)
{
    std::string first = Record("http://a.example/", 5);
    std::string second = Record("http://b.example/", 9);
    std::string third = Record("http://c.example/", 5);
    CommandResult result = RunCommand(DumpCommand() + " --mixed " + Quoted(first) + " " + Quoted(second) + " "
                                      + Quoted(third));
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(Urls(result.out), (std::vector<std::string>{"http://b.example/", "http://a.example/",
                                                          "http://c.example/"}))
        << "ties keep the files' order";
    CommandResult plain = RunCommand(DumpCommand() + " " + Quoted(first) + " " + Quoted(second));
    EXPECT_EQ(Urls(plain.out), (std::vector<std::string>{"http://a.example/", "http://b.example/"}));
}

TEST(DumpInputs, EmulatedDeviceUsesItsShellFolderValues)
{
    std::string device = TempPath("device");
    MakeFolder(device + "/prefix/drive_c");
    WriteText(device + "/device.json", "{}");
    // Wine's form, with a value of another type and one too long to fit.
    WriteText(device + "/prefix/user.reg",
              "WINE REGISTRY Version 2\n\n"
              "[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Explorer\\\\User Shell Folders] 1\n"
              "\"Cache\"=\"\\\\Elsewhere\"\n\n"
              "[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Explorer\\\\Shell Folders] 1796768976\n"
              "#time=1dd87639b25c1fe\n"
              "\"Cache\"=\"\\\\Windows\\\\Profiles\\\\Temporary Internet Files\"\n"
              "\"Cookies\"=str(2):\"C:\\\\Windows\\\\Profiles\\\\Cookies\"\n"
              "\"History\"=\"\\\\" + std::string(130, 'h') + "\"\n");
    std::string root = device + "/prefix/drive_c";
    PlaceIndex(root + "/windows/PROFILES/Temporary Internet Files/content.ie5/index.dat", "http://cache.example/");
    PlaceIndex(root + "/windows/PROFILES/cookies/index.dat", "http://cookies.example/");
    PlaceIndex(root + "/windows/History/index.dat", "http://history.example/");
    PlaceIndex(root + "/Elsewhere/Content.IE5/index.dat", "http://not-the-shell-folder.example/");

    CommandResult result = RunCommand(DumpCommand() + " -f csv --device " + Quoted(device));
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.err, "");
    for (const char *expected : {"\r\nCache,", "content.ie5/index.dat,", "http://cache.example/",
                                 "\r\nCookies,", "http://cookies.example/", "\r\nHistory,",
                                 "http://history.example/"})
        EXPECT_NE(result.out.find(expected), std::string::npos) << expected << " in " << result.out;
    EXPECT_EQ(result.out.find("not-the-shell-folder"), std::string::npos);
    EXPECT_LT(result.out.find("cache.example"), result.out.find("cookies.example"));
    EXPECT_LT(result.out.find("cookies.example"), result.out.find("history.example"));

    CommandResult history = RunCommand(DumpCommand() + " --kind=history,cookies --device=" + Quoted(device));
    EXPECT_EQ(Urls(history.out), (std::vector<std::string>{"http://cookies.example/", "http://history.example/"}));
}

TEST(DumpInputs, CopiedFileSystemUsesTheFallbackFolders)
{
    std::string copy = TempPath("copied");
    PlaceIndex(copy + "/Windows/Temporary Internet Files/Content.IE5/index.dat", "http://cache.example/");
    PlaceIndex(copy + "/Windows/HISTORY/INDEX.DAT", "http://history.example/");
    CommandResult result = RunCommand(DumpCommand() + " --device " + Quoted(copy));
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(Urls(result.out), (std::vector<std::string>{"http://cache.example/", "http://history.example/"}));
    EXPECT_NE(result.err.find(copy + ": no Cookies index file at \\Windows\\Cookies\\index.dat"), std::string::npos)
        << result.err;
    CommandResult list = RunCommand(DumpCommand() + " --list --device " + Quoted(copy));
    EXPECT_EQ(list.out, "Cache\t" + copy + "/Windows/Temporary Internet Files/Content.IE5/index.dat\nHistory\t" + copy
                            + "/Windows/HISTORY/INDEX.DAT\n");

    // A registry export beside the copy takes the viewer's path, even to a
    // folder that is missing.
    WriteText(copy + "/user.reg", "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion"
                                  "\\Explorer\\Shell Folders]\r\n\"History\"=\"\\\\Windows\\\\History\"\r\n");
    CommandResult registry = RunCommand(DumpCommand() + " --kind history --device " + Quoted(copy));
    EXPECT_EQ(registry.exitCode, 1) << "no index file at all in the device";
    EXPECT_EQ(registry.out, "");
    EXPECT_NE(registry.err.find("no History index file at \\Windows\\History\\History.IE5\\index.dat"),
              std::string::npos) << registry.err;

    CommandResult notFolder = RunCommand(DumpCommand() + " --device " + Quoted(TempPath("nothing-here")));
    EXPECT_EQ(notFolder.exitCode, 1);
    EXPECT_NE(notFolder.err.find("nothing-here: No such file or directory"), std::string::npos) << notFolder.err;
}

// The folders on the path tell the kind, or else the records do: a file
// holding web addresses is a cache index wherever it lies.
TEST(DumpInputs, KindComesFromTheFoldersOnThePathOrElseTheRecords)
{
    std::string cookie = TempPath("x/Cookies/index.dat");
    std::string loose = TempPath("loose.dat");
    PlaceIndex(cookie, "http://cookie.example/");
    PlaceIndex(loose, "http://loose.example/");
    CommandResult result = RunCommand(DumpCommand() + " -k cookies " + Quoted(cookie) + " " + Quoted(loose));
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(Urls(result.out), std::vector<std::string>{"http://cookie.example/"});
    result = RunCommand(DumpCommand() + " -k cache " + Quoted(cookie) + " " + Quoted(loose));
    EXPECT_EQ(Urls(result.out), std::vector<std::string>{"http://loose.example/"});
}

// A record has a header block when a blank line ends it inside the record;
// one past the record's end belongs to what follows it.
TEST(DumpInputs, HeaderBlockNeedsABlankLineBeforeTheRecordsEnd)
{
    UrlRecord record = SampleRecord("http://h.example/");
    record.headers = "X-Only: line\r\n";
    GeneratedIndex index = BuildIndex(LayoutOf({record}));
    uint64_t at = index.offsets[0];
    uint64_t end = at + kBlockBytes * (index.bytes[at + 4] | index.bytes[at + 5] << 8);
    auto headersWithBlankLineAt = [&](uint64_t blank) {
        std::vector<uint8_t> bytes = index.bytes;
        std::copy_n("\r\n\r\n", 4, bytes.begin() + static_cast<long>(blank));
        std::string path = TempPath("blank.dat"), error;
        EXPECT_TRUE(WriteIndexFile(path, GeneratedIndex{bytes, {}, 0}, &error)) << error;
        std::string out = RunCommand(DumpCommand() + " -f jsonl " + Quoted(path)).out;
        size_t field = out.find("\"html_headers\":");
        return field == std::string::npos ? std::string("no record")
                                          : out.substr(field + 15, out.find(",\"sort_key", field) - field - 15);
    };
    EXPECT_EQ(headersWithBlankLineAt(end - 4), "\"X-Only: line\\r\\n\"");
    EXPECT_EQ(headersWithBlankLineAt(end), "null");
}

// A file named on the command line that is no index file fails the run; one
// a search finds is only noted. Either way its bytes are searched.
TEST(DumpInputs, AFileThatIsNoIndexFileIsNamed)
{
    std::string path = TempPath("search/index.dat");
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path) << "root:x:0:0:root:/root:/bin/bash\n";
    CommandResult named = RunCommand(DumpCommand() + " " + Quoted(path));
    EXPECT_EQ(named.exitCode, 1);
    EXPECT_NE(named.err.find(path + ": not an index file"), std::string::npos) << named.err;
    CommandResult found = RunCommand(DumpCommand() + " -r " + Quoted(std::filesystem::path(path).parent_path()));
    EXPECT_EQ(found.exitCode, 0);
    EXPECT_NE(found.err.find(path + ": not an index file"), std::string::npos) << found.err;
}

TEST(DumpInputs, TypeChoosesTheRecordTypes)
{
    IndexLayout layout = LayoutOf({SampleRecord("http://url.example/")});
    layout.pieces.push_back(LeakPiece(SampleRecord("http://leak.example/")));
    layout.pieces.push_back(RedirectPiece("http://redr.example/"));
    std::string path = WriteIndex("types.dat", layout);
    auto typesOf = [&](const std::string &options) {
        std::string types;
        std::string out = RunCommand(DumpCommand() + " -f jsonl " + options + " " + Quoted(path)).out;
        for (size_t at = 0; (at = out.find("\"type\":\"", at)) != std::string::npos; at++)
            types += out.substr(at + 8, out.find('"', at + 8) - at - 8) + " ";
        return types;
    };
    EXPECT_EQ(typesOf(""), "URL LEAK REDR ");
    EXPECT_EQ(typesOf("--type=REDR,leak"), "LEAK REDR ");
}

// Files found by name or by signature, read in parallel, printed as if
// each were dumped alone, one after another in path order; the first one's
// output is large enough to be held in a temporary file until its turn.
TEST(DumpInputs, RecursiveFindsIndexFilesAndPrintsThemInPathOrder)
{
    std::string root = TempPath("evidence");
    std::string large = root + "/a/History.IE5/index.dat", renamed = root + "/a/copy.bin";
    std::string cookies = root + "/b/Cookies/INDEX.DAT";
    MakeFolder(root + "/a/History.IE5");
    std::string error;
    ASSERT_TRUE(WriteIndexFile(large, BuildIndex(SampleLayout(KindHistory, 30000, 5, 5, false)), &error));
    PlaceIndex(renamed, "http://signature.example/");
    PlaceIndex(cookies, "http://cookie.example/");
    WriteText(root + "/a/notes.txt", "Client UrlCache MMF Ver");
    ASSERT_EQ(symlink((root + "/b").c_str(), (root + "/a/b-again").c_str()), 0);
    ASSERT_EQ(symlink((root + "/gone").c_str(), (root + "/c-dangling").c_str()), 0);

    CommandResult result = RunCommand(DumpCommand() + " -f csv -r " + Quoted(root));
    EXPECT_EQ(result.exitCode, 1) << "an entry could not be read";
    EXPECT_EQ(result.err, "gallimaw-dump: " + root + "/c-dangling: No such file or directory\n");
    std::string expected;
    for (const std::string &file : {large, renamed, cookies}) {
        std::string alone = RunCommand(DumpCommand() + " -f csv " + Quoted(file)).out;
        expected += alone.substr(expected.empty() ? 0 : alone.find("\r\n") + 2);
    }
    ASSERT_GT(expected.size(), size_t{4} << 20);
    EXPECT_TRUE(result.out == expected) << "the output differs from the files dumped one by one";
}

// --hash digests the bytes read of each file, a large one (whose pages are
// given back as it is read) and a small one: --list adds a column per
// algorithm, in the order asked, for a file named or piped in; printing
// records names the bytes read and the digests after each file's records,
// in output order, and with --mixed after all of them.
TEST(DumpInputs, HashDigestsTheBytesReadOfEachFile)
{
    std::vector<UrlRecord> records;
    for (int i = 0; i < 20000; i++)
        records.push_back(SampleRecord("http://hashed.example/" + std::to_string(i)));
    std::vector<std::string> files = {WriteIndex("hashed-large.dat", LayoutOf(records)),
                                      WriteIndex("hashed-small.dat", LayoutOf({SampleRecord("http://small.example/")}))};
    ASSERT_GT(std::filesystem::file_size(files[0]), size_t{4} << 20);
    std::string both = Quoted(files[0]) + " " + Quoted(files[1]), listed, piped, printed, reported;
    for (const std::string &file : files) {
        std::string sha256 = RunCommand("sha256sum " + Quoted(file)).out.substr(0, 64);
        std::string md5 = RunCommand("md5sum " + Quoted(file)).out.substr(0, 32);
        listed += "Cache\t" + file + "\t" + sha256 + "\t" + md5 + "\n";
        piped = "\t-\t" + sha256 + "\t" + md5 + "\n";
        std::string report = "gallimaw-dump: " + file + ": " + std::to_string(std::filesystem::file_size(file))
                             + " bytes read, sha256 " + sha256 + ", md5 " + md5 + "\n";
        printed += RunCommand(DumpCommand() + " -f jsonl " + Quoted(file)).out + report;
        reported += report;
    }
    EXPECT_EQ(RunCommand(DumpCommand() + " --hash=SHA256,md5 --list " + both).out, listed);
    EXPECT_EQ(RunCommand("cat " + Quoted(files[1]) + " | " + DumpCommand() + " --hash=sha256,MD5 --list -").out, piped);
    CommandResult together = RunCommand("(" + DumpCommand() + " -f jsonl --hash=sha256,md5 " + both + " 2>&1)");
    EXPECT_EQ(together.exitCode, 0);
    EXPECT_TRUE(together.out == printed) << "records and digests differ from each file's alone";
    CommandResult mixed = RunCommand(DumpCommand() + " --mixed --hash=sha256,md5 " + both);
    EXPECT_EQ(mixed.out, RunCommand(DumpCommand() + " --mixed " + both).out);
    EXPECT_EQ(mixed.err, reported);
}

// Another process cuts the file to a quarter while the dump, held by the
// full pipe, is part way through it.
TEST(DumpInputs, AFileThatShrinksWhileReadIsReportedWithTheRecordsReadBefore)
{
    std::vector<UrlRecord> records;
    for (int i = 0; i < 20000; i++)
        records.push_back(SampleRecord("http://shrink.example/" + std::to_string(i)));
    std::string path = WriteIndex("shrinking.dat", LayoutOf(records));
    std::string errors = TempPath("shrinking.err");
    std::string command = "exec " + DumpCommand() + " --format=row " + Quoted(path) + " 2>" + Quoted(errors);
    FILE *dump = popen(command.c_str(), "r");
    ASSERT_TRUE(dump);
    char line[4096];
    size_t lines = 0;
    ASSERT_TRUE(std::fgets(line, sizeof line, dump));
    ASSERT_EQ(truncate(path.c_str(), static_cast<off_t>(std::filesystem::file_size(path) / 4)), 0);
    while (std::fgets(line, sizeof line, dump))
        lines += std::strchr(line, '\n') != nullptr;
    int status = pclose(dump);
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_GT(lines, 1000u);
    EXPECT_LT(lines, records.size() / 2);
    std::ifstream reported(errors);
    std::string error((std::istreambuf_iterator<char>(reported)), std::istreambuf_iterator<char>());
    EXPECT_EQ(error, "gallimaw-dump: " + path + ": the file shrank while it was read\n");
}


// Each registry export that cannot be read is named, and the fallback
// folders are read instead; none is waited on or read whole into memory.
TEST(DumpInputs, AnUnreadableRegistryExportIsNamed)
{
    std::string copy = FallbackDevice("bad-registry");
    std::string registry = copy + "/user.reg";
    const struct {
        std::function<void()> make;
        const char *reason;
    } cases[] = {
        {[&] { ASSERT_EQ(symlink("/dev/zero", registry.c_str()), 0); }, "a character device, not a regular file"},
        {[&] { ASSERT_EQ(mkfifo(registry.c_str(), 0600), 0); }, "a pipe, not a regular file"},
        {[&] { ASSERT_EQ(RunCommand("truncate -s 1G " + Quoted(registry)).exitCode, 0); }, "larger than 16777216 bytes"},
        {[&] { ASSERT_EQ(symlink("gone.reg", registry.c_str()), 0); }, "No such file or directory"},
    };
    for (const auto &bad : cases) {
        std::filesystem::remove(registry);
        bad.make();
        CommandResult result = RunCommand("timeout 20 " + DumpCommand() + " --kind=cache,history --device "
                                          + Quoted(copy));
        EXPECT_EQ(result.exitCode, 1) << bad.reason;
        EXPECT_NE(result.err.find("gallimaw-dump: " + registry + ": " + bad.reason + "; not read as the registry"),
                  std::string::npos) << result.err;
        EXPECT_EQ(Urls(result.out), (std::vector<std::string>{"http://cache.example/", "http://history.example/"}));
    }
}

// A shell folder value that climbs out of the device folder, with either
// separator, reads nothing there; nor does a symbolic link that leads out.
TEST(DumpInputs, ARegistryPathOutOfTheDeviceFolderIsRefused)
{
    std::string copy = FallbackDevice("climbing/device");
    PlaceIndex(TempPath("climbing/outside/Content.IE5/index.dat"), "http://outside.example/");
    for (const char *value : {"\\\\..\\\\outside", "\\\\Windows/../../outside"}) {
        WriteText(copy + "/user.reg", "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion"
                                      "\\Explorer\\Shell Folders]\r\n\"Cache\"=\"" + std::string(value) + "\"\r\n");
        CommandResult result = RunCommand(DumpCommand() + " --kind=cache,history --device " + Quoted(copy));
        EXPECT_EQ(result.exitCode, 1) << value;
        EXPECT_NE(result.err.find(copy + "/user.reg: the Cache folder leads out of the device folder"),
                  std::string::npos) << result.err;
        EXPECT_EQ(Urls(result.out), std::vector<std::string>{"http://history.example/"}) << value;
    }
    std::filesystem::remove(copy + "/user.reg");
    ASSERT_EQ(symlink(TempPath("climbing/outside").c_str(), (copy + "/Windows/Cookies").c_str()), 0);
    PlaceIndex(TempPath("climbing/outside/index.dat"), "http://linked.example/");
    CommandResult linked = RunCommand(DumpCommand() + " --device " + Quoted(copy));
    EXPECT_EQ(linked.exitCode, 1);
    EXPECT_NE(linked.err.find(copy + "/Windows/Cookies/index.dat: a symbolic link leads out of the device folder"),
              std::string::npos) << linked.err;
    EXPECT_EQ(Urls(linked.out), (std::vector<std::string>{"http://cache.example/", "http://history.example/"}));
}

// A FIFO where an index file should be is named, not waited on, whether a
// device folder holds it or the command line names it; the other files
// are printed. Nor is a FIFO in the time zone folder waited on.
TEST(DumpInputs, APipeWhereAFileBelongsIsRefused)
{
    std::string copy = FallbackDevice("fifo-device");
    std::string history = copy + "/Windows/History/index.dat";
    std::filesystem::remove(history);
    ASSERT_EQ(mkfifo(history.c_str(), 0600), 0);
    CommandResult device = RunCommand("timeout 20 " + DumpCommand() + " --device " + Quoted(copy));
    EXPECT_EQ(device.exitCode, 1);
    EXPECT_NE(device.err.find("gallimaw-dump: " + history + ": a pipe, not a regular file"), std::string::npos)
        << device.err;
    EXPECT_EQ(Urls(device.out), std::vector<std::string>{"http://cache.example/"});
    CommandResult named = RunCommand("timeout 20 " + DumpCommand() + " " + Quoted(history) + " /dev/null");
    EXPECT_EQ(named.exitCode, 1);
    EXPECT_EQ(named.err, "gallimaw-dump: " + history + ": a pipe, not a regular file\n"
                         "gallimaw-dump: /dev/null: a character device, not a regular file\n");
    std::string zones = TempPath("fifo-zones");
    std::filesystem::create_directories(zones);
    ASSERT_EQ(mkfifo((zones + "/Fifo").c_str(), 0600), 0);
    CommandResult zone = RunCommand("TZDIR=" + Quoted(zones) + " timeout 20 " + DumpCommand() + " --timezone=Fifo -");
    EXPECT_EQ(zone.exitCode, 2);
    EXPECT_EQ(zone.err.rfind("gallimaw-dump: --timezone: no time zone named 'Fifo'", 0), 0u) << zone.err;
}

// A file cut to 200,000 bytes, less than half the size its header states,
// is named, and every record that lies in what is left is printed.
TEST(DumpInputs, AFileShorterThanItsHeaderStatesIsNamed)
{
    std::string path = WriteIndex("cut.dat", SampleLayout(KindCache, 1600, 3, 5, false));
    auto offsets = [&](uint64_t below) {
        std::vector<std::string> found;
        std::string out = RunCommand(DumpCommand() + " -f jsonl " + Quoted(path)).out;
        for (size_t at = 0; (at = out.find("\"offset\":", at)) != std::string::npos; at++)
            if (std::stoull(out.substr(at + 9)) < below)
                found.push_back(out.substr(at + 9, out.find(',', at) - at - 9));
        return found;
    };
    uint64_t stated = std::filesystem::file_size(path);
    std::vector<std::string> whole = offsets(200000 - INDEX_SCAN_MARGIN);
    ASSERT_EQ(truncate(path.c_str(), 200000), 0);
    CommandResult cut = RunCommand(DumpCommand() + " " + Quoted(path));
    EXPECT_EQ(cut.exitCode, 1);
    EXPECT_EQ(cut.err, "gallimaw-dump: " + path + ": 200000 of the " + std::to_string(stated)
                           + " bytes its header states; the records past its end are lost, and a record listed only "
                             "in a lost hash table is reported recovered\n");
    EXPECT_EQ(offsets(UINT64_MAX), whole);
    EXPECT_GT(whole.size(), 500u);
}

// Standard input and output held for its turn are copied to $TMPDIR, and a
// $TMPDIR that cannot hold them is named.
TEST(DumpInputs, TemporaryCopiesGoToTMPDIR)
{
    std::string path = WriteIndex("piped.dat", LayoutOf({SampleRecord("http://piped.example/")}));
    std::string missing = TempPath("no-such-folder");
    CommandResult piped = RunCommand("cat " + Quoted(path) + " | TMPDIR=" + Quoted(missing) + " " + DumpCommand() + " -");
    EXPECT_EQ(piped.exitCode, 1);
    EXPECT_EQ(piped.err, "gallimaw-dump: -: cannot make a temporary file in " + missing + ": No such file or directory\n");
    CommandResult held = RunCommand("cat " + Quoted(path) + " | TMPDIR=" + Quoted(TempPath("")) + " " + DumpCommand()
                                    + " -");
    EXPECT_EQ(held.exitCode, 0) << held.err;
    EXPECT_EQ(Urls(held.out), std::vector<std::string>{"http://piped.example/"});

    // Two files read in parallel: the first one's output, over 4 MB, waits
    // for its turn in a temporary file.
    std::string root = TempPath("held");
    MakeFolder(root);
    std::string error;
    ASSERT_TRUE(WriteIndexFile(root + "/a.dat", BuildIndex(SampleLayout(KindHistory, 30000, 5, 5, false)), &error));
    PlaceIndex(root + "/b.dat", "http://second.example/");
    CommandResult parallel = RunCommand("TMPDIR=" + Quoted(missing) + " " + DumpCommand() + " -f csv -r " + Quoted(root));
    if (std::stoi(RunCommand("nproc").out) < 2)
        GTEST_SKIP() << "one processor reads the files one after another";
    EXPECT_EQ(parallel.exitCode, 1);
    EXPECT_EQ(parallel.err,
              "gallimaw-dump: " + root + "/a.dat: cannot make a temporary file in " + missing + ": No such file or directory\n");
    EXPECT_NE(parallel.out.find("http://second.example/"), std::string::npos);
}

// Memory stays flat however far apart the records lie: in a 4 GiB sparse
// file whose one record lies at its end, past all that its kind is looked
// for in, with its digest made as it is read, and in standard input that
// goes on past the largest index file, whose first 4 GiB are read; and
// listing the sparse file with its digest alone.
TEST(DumpInputs, MemoryStaysFlatOverGigabytesWithoutRecords)
{
    std::string small = WriteIndex("small.dat", LayoutOf({SampleRecord("http://near.example/")}));
    GeneratedIndex far = BuildIndex(LayoutOf({SampleRecord("http://far.example/")}));
    uint64_t at = far.offsets[0], bytes = kBlockBytes * (far.bytes[at + 4] | far.bytes[at + 5] << 8);
    std::string sparse = WriteIndex("sparse.dat", LayoutOf({}));
    ASSERT_EQ(truncate(sparse.c_str(), (off_t{4} << 30) - (1 << 20)), 0);
    std::ofstream(sparse, std::ios::binary | std::ios::app)
        .write(reinterpret_cast<const char *>(far.bytes.data() + at), static_cast<std::streamsize>(bytes));
    std::string peak = TempPath("peak");
    std::string pipe = "- < <(cat " + Quoted(small) + "; dd if=/dev/zero bs=1M count=4096 status=none)";
    for (const std::string &input : {"--hash=sha1 " + Quoted(sparse), pipe, "--hash=sha1 --list " + Quoted(sparse)}) {
        bool piped = input == pipe, listed = input.find("--list") != std::string::npos;
        CommandResult result = RunCommand("bash -c " + Quoted("TMPDIR=" + Quoted(TempPath("")) + " timeout 300 "
                                                              "/usr/bin/time -o " + Quoted(peak) + " -f 'peak %M' "
                                                              + DumpCommand() + " " + input));
        if (!listed)
            EXPECT_EQ(Urls(result.out), std::vector<std::string>{piped ? "http://near.example/" : "http://far.example/"});
        std::ifstream timed(peak);
        std::string report((std::istreambuf_iterator<char>(timed)), std::istreambuf_iterator<char>());
        size_t kilobytes = report.find("peak ");
        ASSERT_NE(kilobytes, std::string::npos) << report;
        EXPECT_LT(std::stoull(report.substr(kilobytes + 5)), 64u << 10) << input;
        EXPECT_EQ(result.exitCode, piped ? 1 : 0) << result.err;
        if (piped)
            EXPECT_NE(result.err.find("gallimaw-dump: -: more than 4294967296 bytes, more than an index file holds"),
                      std::string::npos) << result.err;
    }
}

// --output gets what standard output would, and replaces its file only when
// the output is complete: a run killed midway, here while it waits on its
// second input, leaves the old file and no other in the folder.
TEST(DumpInputs, OutputFileIsReplacedOnlyWhenComplete)
{
    std::string folder = TempPath("output"), file = folder + "/records.csv", error;
    std::string input = TempPath("many.dat"), fifo = TempPath("never-ends");
    MakeFolder(folder);
    ASSERT_TRUE(WriteIndexFile(input, BuildIndex(SampleLayout(KindCache, 20000, 7, 5, false)), &error)) << error;
    CommandResult written = RunCommand(DumpCommand() + " -f csv -o " + Quoted(file) + " " + Quoted(input));
    EXPECT_EQ(written.exitCode, 0) << written.err;
    EXPECT_EQ(RunCommand("cat " + Quoted(file)).out, RunCommand(DumpCommand() + " -f csv " + Quoted(input)).out);

    WriteText(file, "old bytes\n");
    std::string script = "mkfifo " + Quoted(fifo) + "; " + DumpCommand() + " -o " + Quoted(file) + " " + Quoted(input)
                         + " - <>" + Quoted(fifo) + " & for i in $(seq 1200); do [ -s /proc/$!/fd/1 ] && break; "
                           "sleep 0.05; done; kill -9 $!; wait $!; echo $?";
    EXPECT_EQ(RunCommand("bash -c " + Quoted(script)).out, "137\n") << "killed while writing";
    EXPECT_EQ(RunCommand("ls -A " + Quoted(folder)).out, "records.csv\n");
    EXPECT_EQ(RunCommand("cat " + Quoted(file)).out, "old bytes\n");

    CommandResult toFolder = RunCommand(DumpCommand() + " -o " + Quoted(folder) + " " + Quoted(input));
    EXPECT_EQ(toFolder.exitCode, 2);
    EXPECT_EQ(toFolder.err, "gallimaw-dump: " + folder + ": is a folder\n");
}
