// The Record list and details page on the emulated device, with the real
// index files installed as the device's own (named one by one, or found in
// a copied file system): the Mixed view's rows against gallimaw-dump's rows
// of the same files, and a tapped row's page.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "device_driver.h"
#include "format/index_kinds.h"

namespace {

using namespace std::chrono_literals;

std::string FixturePath(const std::string &name)
{
    const char *folder = std::getenv("GALLIMAW_FIXTURES");
    return std::string(folder && *folder ? folder : SourcePath("tests/data")) + "/" + name;
}

std::string DumpPath()
{
    const char *build = std::getenv("GALLIMAW_BUILD");
    return std::string(build && *build ? build : SourcePath("build/native")) + "/dump/gallimaw-dump";
}

// TEXT with each character of ESCAPES replaced by its escape.
std::string Escaped(const std::string &text, const std::map<char, std::string> &escapes)
{
    std::string out;
    for (char c : text) {
        auto escape = escapes.find(c);
        out += escape == escapes.end() ? std::string(1, c) : escape->second;
    }
    return out;
}

std::vector<std::string> DumpedRows(const std::vector<std::string> &files)
{
    std::vector<std::string> command = {DumpPath(), "--format=row"};
    command.insert(command.end(), files.begin(), files.end());
    CommandResult dump = RunCommand(command);
    EXPECT_EQ(dump.code, 0) << dump.err;
    std::vector<std::string> rows;
    std::istringstream lines(dump.out);
    for (std::string line; std::getline(lines, line);)
        rows.push_back(line.substr(line.find('\t') + 1));
    return rows;
}

// One list row as "KEY<TAB>C0<TAB>...<TAB>C8", the columns escaped as
// gallimaw-dump writes them.
std::string ListedRow(const nlohmann::json &row)
{
    std::string line = std::to_string(row["param"].get<long long>());
    for (const nlohmann::json &text : row["texts"])
        line += "\t" + Escaped(text.get<std::string>(), {{'\\', "\\\\"}, {'\t', "\\t"}, {'\r', "\\r"}, {'\n', "\\n"}});
    return line;
}

unsigned long KeyOf(const std::string &row)
{
    return std::stoul(row.substr(0, row.find('\t')));
}

// The key order, rows of equal key in text order: the list leaves the order
// among equal keys open.
void SortByDescendingKey(std::vector<std::string> &rows)
{
    std::stable_sort(rows.begin(), rows.end(), [](const std::string &a, const std::string &b) {
        return KeyOf(a) != KeyOf(b) ? KeyOf(a) > KeyOf(b) : a < b;
    });
}

nlohmann::json RecordList(const nlohmann::json &dump)
{
    for (const nlohmann::json &list : FindWindows(dump, "SysListView32"))
        if (list.value("id", 0) == 1001 && list.value("visible", false))
            return list;
    return nullptr;
}

nlohmann::json LinkTo(const nlohmann::json &dump, const std::string &target)
{
    for (const nlohmann::json &view : FindWindows(dump, "DISPLAYCLASS"))
        if (view.value("visible", false) && view.contains("html") && view["html"].contains("links"))
            for (const nlohmann::json &link : view["html"]["links"])
                if (link.value("target", "") == target)
                    return link;
    return nullptr;
}

// The About box's product line (control 1012) is showing.
bool FirstRunNoticeShown(const nlohmann::json &dump)
{
    for (const nlohmann::json &text : FindWindows(dump, "Static"))
        if (text.value("id", 0) == 1012 && text.value("visible", false))
            return true;
    return false;
}

void TapMiddle(const Device &device, const nlohmann::json &rect)
{
    int x = (rect["left"].get<int>() + rect["right"].get<int>()) / 2;
    int y = (rect["top"].get<int>() + rect["bottom"].get<int>()) / 2;
    CommandResult tap = DeviceCommand(device, "ui", {"tap", std::to_string(x), std::to_string(y)});
    EXPECT_EQ(tap.code, 0) << tap.err;
}

// A visible page whose HTML view holds the details of a row.
std::string DetailsSource(const nlohmann::json &dump)
{
    for (const nlohmann::json &view : FindWindows(dump, "DISPLAYCLASS")) {
        std::string source = view.contains("html") ? view["html"].value("source", "") : "";
        if (view.value("visible", false) && source.rfind("<b>Accessed:</b> ", 0) == 0)
            return source;
    }
    return "";
}

std::string HtmlEscaped(const std::string &text)
{
    return Escaped(text, {{'&', "&amp;"}, {'<', "&lt;"}, {'>', "&gt;"}, {'"', "&quot;"}});
}

// The details page of a row whose values are all shorter than 999 characters.
std::string PageOf(const nlohmann::json &texts)
{
    auto value = [&](int column) { return HtmlEscaped(texts[column].get<std::string>()); };
    auto coloured = [&](int column, const char *colour) {
        return std::string("<font color=") + colour + ">" + value(column) + "</font>";
    };
    return "<b>Accessed:</b> " + coloured(0, "#00008F") + " - " + coloured(7, "#00008F") + "<br><b>Modified:</b> " +
           coloured(3, "#00008F") + " - " + coloured(8, "#00008F") + "<br><b>Record Size: " +
           coloured(2, "#00008F") + "</b> bytes<p><b>URL:</b> " + coloured(1, "#FF0000") +
           "<p><b>File:</b> <font color=#0000FF>" + value(4) + "\\" + value(5) + "</font><p><b>HTML Data:</b> " +
           coloured(6, "#0000FF");
}

class RecordListOnDevice : public ::testing::Test {
protected:
    // Boots a device with these files as its index files and opens the
    // Mixed view from the summary's "View All". The files are named one by
    // one, or laid out in a copy of a device's file system given as --from;
    // a kind named "" is given no file.
    void OpenMixedView(const std::string &cache, const std::string &cookies, const std::string &history,
                       bool fromCopy = false)
    {
        const std::string names[] = {cache, cookies, history};
        const char *const kinds[] = {"--cache", "--cookies", "--history"};
        std::vector<std::string> options, files;
        for (int kind = 0; kind < IndexFileKinds; kind++)
            if (!names[kind].empty()) {
                options.insert(options.end(), {kinds[kind], FixturePath(names[kind])});
                files.push_back(FixturePath(names[kind]));
            }
        if (fromCopy)
            options = {"--from", CopiedFileSystem({cache, cookies, history})};
        CommandResult made = CreateDevice(device, options);
        ASSERT_EQ(made.code, 0) << made.err;
        notes = made.err;
        CommandResult booted = BootDevice(device);
        ASSERT_EQ(booted.code, 0) << booted.err;
        ASSERT_EQ(DeviceCommand(device, "start").code, 0);
        nlohmann::json viewAll;
        ASSERT_TRUE(WaitFor([&] { return !(viewAll = LinkTo(DumpScreen(device), "M")).is_null(); }, 60s));
        // A fresh device shows the first-run notice over the summary.
        if (WaitFor([&] { return FirstRunNoticeShown(DumpScreen(device)); }, 10s)) {
            ASSERT_EQ(DeviceCommand(device, "ui", {"ok"}).code, 0);
            ASSERT_TRUE(WaitFor([&] { return !FirstRunNoticeShown(DumpScreen(device)); }, 10s));
        }
        TapMiddle(device, viewAll["rect"]);
        expected = DumpedRows(files);
        SortByDescendingKey(expected);
        ASSERT_TRUE(WaitFor(
            [&] {
                list = RecordList(DumpScreen(device));
                return !list.is_null() && list["rows"].size() == expected.size();
            },
            60s))
            << "rows listed: " << (list.is_null() ? 0 : list["rows"].size()) << " of " << expected.size();
    }

    std::string CopiedFileSystem(const std::vector<std::string> &files)
    {
        copy = std::filesystem::temp_directory_path() / ("gallimaw-copy-" + std::to_string(getpid()));
        const char *const folders[] = {"Windows/Temporary Internet Files/Content.IE5", "Windows/Cookies",
                                       "Windows/History/History.IE5"};
        for (size_t kind = 0; kind < files.size(); kind++) {
            if (files[kind].empty())
                continue;
            std::filesystem::create_directories(copy / folders[kind]);
            std::filesystem::copy_file(FixturePath(files[kind]), copy / folders[kind] / "index.dat");
        }
        return copy.string();
    }

    void TearDown() override
    {
        if (!copy.empty())
            std::filesystem::remove_all(copy);
    }

    std::vector<std::string> ListedRows()
    {
        std::vector<std::string> rows;
        for (const nlohmann::json &row : list["rows"])
            rows.push_back(ListedRow(row));
        return rows;
    }

    Device device;
    std::string notes;
    std::filesystem::path copy;
    nlohmann::json list;
    std::vector<std::string> expected;
};

TEST_F(RecordListOnDevice, MixedViewListsTheDumpedRowsByDescendingKey)
{
    OpenMixedView("cache-content-ie5.dat", "history-daily-2013031020130311.dat", "history-ie5.dat");
    std::vector<std::string> listed = ListedRows();
    EXPECT_TRUE(std::is_sorted(listed.begin(), listed.end(),
                               [](const std::string &a, const std::string &b) { return KeyOf(a) > KeyOf(b); }));
    SortByDescendingKey(listed);
    EXPECT_EQ(listed, expected);
}

// A kind the copy holds no file of gets an empty index file: every row
// listed is one of the user's.
TEST_F(RecordListOnDevice, KindsWithoutAFileAddNoRows)
{
    OpenMixedView("", "", "history-ie5.dat", true);
    EXPECT_NE(notes.find("no Cache index file at \\Windows\\Temporary Internet Files\\index.dat; an empty index "
                         "file takes its place"),
              std::string::npos)
        << notes;
    std::vector<std::string> listed = ListedRows();
    SortByDescendingKey(listed);
    EXPECT_EQ(listed, expected);
}

// Help over the list reaches the list and, passed on, its sheet: both start
// the help viewer, and the device still shows one help window.
TEST_F(RecordListOnDevice, HelpOverTheListShowsOneHelpWindow)
{
    OpenMixedView("cache-content-ie5.dat", "history-daily-2013031020130311.dat", "history-ie5.dat");
    ASSERT_EQ(DeviceCommand(device, "ui", {"help"}).code, 0);
    const std::string started = "peghelp.exe help file:Gallimaw View.htm#Main_Contents";
    auto starts = [&] {
        std::vector<std::string> entries = DeviceLogEntries(device);
        int first = FindEntry(entries, started);
        return first < 0 ? 0 : FindEntry(entries, started, first + 1) < 0 ? 1 : 2;
    };
    ASSERT_TRUE(WaitFor([&] { return starts() == 2; }, 30s)) << ReadDeviceLog(device);
    std::vector<nlohmann::json> shown;
    WaitFor([&] { return (shown = FindWindows(DumpScreen(device), "GallimawHelp")).size() > 1; }, 5s);
    EXPECT_EQ(shown.size(), 1u);
}

TEST_F(RecordListOnDevice, LargeCacheFileFromACopiedFileSystemAndATappedRowsPage)
{
    OpenMixedView("cache-large.dat", "history-daily-2013031020130311.dat", "history-ie5.dat", true);
    std::vector<std::string> listed = ListedRows();
    SortByDescendingKey(listed);
    EXPECT_EQ(listed, expected);

    // A tap just below the header lands on the first row.
    nlohmann::json header = FindWindows(nlohmann::json{{"windows", {list}}}, "SysHeader32").at(0)["rect"];
    int x = header["left"].get<int>() + 40;
    int y = header["bottom"].get<int>() + 6;
    ASSERT_EQ(DeviceCommand(device, "ui", {"tap", std::to_string(x), std::to_string(y)}).code, 0);
    std::string source;
    ASSERT_TRUE(WaitFor([&] { return !(source = DetailsSource(DumpScreen(device))).empty(); }, 30s));
    EXPECT_EQ(source, PageOf(list["rows"][0]["texts"]));

    // Done brings back the same list.
    ASSERT_EQ(DeviceCommand(device, "ui", {"ok"}).code, 0);
    nlohmann::json back;
    ASSERT_TRUE(WaitFor(
        [&] {
            nlohmann::json dump = DumpScreen(device);
            back = RecordList(dump);
            return DetailsSource(dump).empty() && !back.is_null();
        },
        30s));
    EXPECT_EQ(back["rows"], list["rows"]);
}

} // namespace
