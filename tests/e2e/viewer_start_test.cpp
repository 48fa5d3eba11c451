// The viewer as a user meets it on the emulated device: its two kinds of
// run, the first-run notice, the Summary pages with the device's index
// files, the About box, its links and help, and the ways it ends.
#include <gtest/gtest.h>
#include <filesystem>
#include <fstream>
#include <set>
#include <thread>
#include "ce/device_contract.h"
#include "format/index_kinds.h"
#include "device_driver.h"

using namespace std::chrono_literals;

static const char ViewerOnDevice[] = "C:\\Program Files\\Gallimaw View\\gallimaw-view.exe";
// The viewer's own path as it writes it into its init entry.
static const char ViewerEntry[] = "\\Program Files\\Gallimaw View\\gallimaw-view.exe";
static const char StartupShortcut[] = DEVICE_STARTUP_FOLDER "\\Gallimaw View.lnk";
static const char AppKey[] = "HKLM\\SOFTWARE\\Apps\\Orrenby Gallimaw View";
static const char WebAddress[] = "http://www.orrenby.example/";
static const int ProductLine = 1012;
static const int CopyrightLine = 1022;
static const int WarningText = 1023;
static const int DisclaimerText = 1024;
static const auto ScreenWait = 30s;

struct IndexFile {
    const char *livePath;
    const char *snapshot;
};
// Cache, Cookies, History, where the device keeps them.
static const IndexFile IndexFiles[IndexFileKinds] = {
    { "\\Windows\\Temporary Internet Files\\Content.IE5\\index.dat", "\\Temp\\Cache~.tmp" },
    { "\\Windows\\Cookies\\index.dat", "\\Temp\\Cookies~.tmp" },
    { "\\Windows\\History\\History.IE5\\index.dat", "\\Temp\\History~.tmp" },
};

static const std::string ClosingLine =
    "<font color=#880000>Files could be safely cleaned up by our <font color=#0000ff><b><a href=h>Tamberlin "
    "v2.1</a></b></font> and later.</font>";

// --- the device and the viewer ----------------------------------------------

static void MakeDevice(Device &device, const std::vector<std::string> &options = {})
{
    CommandResult create = CreateDevice(device, options);
    ASSERT_EQ(create.code, 0) << create.err;
    CommandResult boot = BootDevice(device);
    ASSERT_EQ(boot.code, 0) << boot.err;
}

// Runs the viewer in the background to its end, with its output in a file
// rather than a pipe: commands run meanwhile must not inherit the run's
// pipes, nor it theirs. Returns that file.
static std::string RunViewer(const Device &device, const std::vector<std::string> &arguments = {})
{
    static int runs;
    std::string output = device.dir + "/viewer-run-" + std::to_string(++runs) + ".txt";
    std::string command = "'" + SourcePath("device/gallimaw-device") + "' run '" + device.dir + "' '" + ViewerOnDevice + "'";
    for (const std::string &argument : arguments)
        command += " '" + argument + "'";
    command += " >'" + output + "' 2>&1 </dev/null &";
    EXPECT_EQ(std::system(command.c_str()), 0);
    return output;
}

static std::string ReadHostFile(const std::string &path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

static bool Ended(const std::string &run)
{
    return ReadHostFile(run).find("exit code ") != std::string::npos;
}

// The run's exit code, or -1 when it has not ended in time.
static int ExitCode(const std::string &run)
{
    if (!WaitFor([&] { return Ended(run); }, ScreenWait))
        return -1;
    std::string output = ReadHostFile(run);
    return std::stoi(output.substr(output.rfind("exit code ") + 10));
}

static void Ui(const Device &device, const std::vector<std::string> &args)
{
    CommandResult result = DeviceCommand(device, "ui", args);
    EXPECT_EQ(result.code, 0) << args[0] << ": " << result.out << result.err;
}

static void TapCentre(const Device &device, const nlohmann::json &rect)
{
    int x = (rect["left"].get<int>() + rect["right"].get<int>()) / 2;
    int y = (rect["top"].get<int>() + rect["bottom"].get<int>()) / 2;
    Ui(device, { "tap", std::to_string(x), std::to_string(y) });
}

static bool SettingsPresent(const Device &device, std::string *query = nullptr)
{
    CommandResult result = DeviceCommand(device, "reg", { "query", AppKey, "/v", "Settings" });
    if (query)
        *query = result.out;
    return result.code == 0;
}

static void MarkNoticeShown(const Device &device)
{
    CommandResult add =
        DeviceCommand(device, "reg", { "add", AppKey, "/v", "Settings", "/t", "REG_BINARY", "/d", "00000000", "/f" });
    ASSERT_EQ(add.code, 0) << add.out << add.err;
}

// A device whose user has seen the first-run notice.
static void MakeSeenDevice(Device &device)
{
    MakeDevice(device);
    MarkNoticeShown(device);
}

static std::string InitKey(const Device &device)
{
    return DeviceCommand(device, "reg", { "query", "HKLM\\init" }).out;
}

// The init entry and StartUp shortcut that a soft-reset request leaves.
static void PlaceBootRegistration(const Device &device)
{
    for (const std::vector<std::string> &value : { std::vector<std::string>{ "Launch49", "REG_SZ", ViewerEntry },
                                                   std::vector<std::string>{ "Depend49", "REG_BINARY", "14001E00" } }) {
        CommandResult add = DeviceCommand(
            device, "reg", { "add", "HKLM\\init", "/v", value[0], "/t", value[1], "/d", value[2], "/f" });
        ASSERT_EQ(add.code, 0) << add.out << add.err;
    }
    std::string target = std::string("\"") + ViewerEntry + "\" S";
    std::ofstream(DevicePathOnHost(device, StartupShortcut)) << target.size() << "#" << target;
}

static bool SnapshotsPresent(const Device &device)
{
    for (const IndexFile &file : IndexFiles)
        if (!std::filesystem::exists(DevicePathOnHost(device, file.snapshot)))
            return false;
    return true;
}

static bool AnySnapshotPresent(const Device &device)
{
    for (const IndexFile &file : IndexFiles)
        if (std::filesystem::exists(DevicePathOnHost(device, file.snapshot)))
            return true;
    return false;
}

// --- the screen ----------------------------------------------------------------

static bool IsViewerWindow(const nlohmann::json &window)
{
    return window.value("exe", "").find("gallimaw-view.exe") != std::string::npos;
}

static nlohmann::json AboutBox(const nlohmann::json &dump)
{
    for (const nlohmann::json &window : FindWindows(dump, "#32770"))
        for (const nlohmann::json &control : window.value("children", nlohmann::json::array()))
            if (control.value("id", 0) == ProductLine && window.value("visible", false))
                return window;
    return nullptr;
}

static nlohmann::json Control(const nlohmann::json &dialog, int id)
{
    for (const nlohmann::json &control : dialog["children"])
        if (control.value("id", 0) == id)
            return control;
    return nullptr;
}

// The HTML views of the Summary pages, the visible one first.
static std::vector<nlohmann::json> PageViews(const nlohmann::json &dump)
{
    std::vector<nlohmann::json> views = FindWindows(dump, "DISPLAYCLASS");
    std::stable_partition(views.begin(), views.end(),
                          [](const nlohmann::json &view) { return view.value("visible", false); });
    return views;
}

static nlohmann::json WaitForScreen(const Device &device, const std::function<bool(const nlohmann::json &)> &ready)
{
    nlohmann::json dump;
    WaitFor([&] {
        dump = DumpScreen(device);
        return ready(dump);
    }, ScreenWait);
    return dump;
}

static bool SheetShown(const nlohmann::json &dump)
{
    return PageViews(dump).size() == 4 && AboutBox(dump).is_null();
}

static nlohmann::json Link(const nlohmann::json &view, const std::string &target)
{
    for (const nlohmann::json &link : view["html"].value("links", nlohmann::json::array()))
        if (link.value("target", "") == target)
            return link;
    return nullptr;
}

// --- expected page sources ---------------------------------------------------------

static std::string Size(const Device &device, int kind)
{
    auto bytes = std::filesystem::file_size(DevicePathOnHost(device, IndexFiles[kind].livePath));
    return "<font color=#000077><b>" + std::to_string(bytes) + "</b></font> bytes";
}

static std::string MixedPage(const Device &device)
{
    const char *headings[] = { "<font color=#FF0000><b>IE Cach:</b></font> Size ",
                               "<p><font color=#FF0000><b>Cookies:</b></font> Size ",
                               "<p><font color=#FF0000><b>IE History:</b></font> Size " };
    const char *endings[] = { "</font>", "</font></p>",
                              "</font></p><p align=right><input type=button value='View All' name=M></p>" };
    std::string page;
    for (int kind = 0; kind < IndexFileKinds; kind++)
        page += headings[kind] + Size(device, kind) + "<br>File Path: <font color=#0000FF>" +
                IndexFiles[kind].livePath + endings[kind];
    return page + ClosingLine;
}

static std::string KindPage(const Device &device, int kind)
{
    const char *headings[] = { "IE Cach", "Cookies", "IE History" };
    const char *buttons[] = { "'View Cach' name=T", "'View Cookies' name=C", "'View History' name=H" };
    return std::string("<font color=#FF0000><h3>") + headings[kind] + " Records</h3></font> Size: " +
           Size(device, kind) + "<p>File Path: <font color=#0000FF> " + IndexFiles[kind].livePath +
           "</font></p><p><br> <input type=button value=" + buttons[kind] + "></p>" + ClosingLine;
}

// --- the screenshot ------------------------------------------------------------------

struct Screen {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> rgb;
};

// The device's screenshot: a 24-bit bottom-up bitmap.
static Screen TakeScreenshot(const Device &device)
{
    Ui(device, { "screenshot", "\\Temp\\viewer-test.bmp" });
    std::ifstream file(DevicePathOnHost(device, "\\Temp\\viewer-test.bmp"), std::ios::binary);
    std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    Screen screen;
    if (bytes.size() < 54)
        return screen;
    auto number = [&](int at) { return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | bytes[at + 3] << 24; };
    int offset = number(10);
    screen.width = number(18);
    screen.height = number(22);
    int stride = (screen.width * 3 + 3) & ~3;
    for (int y = 0; y < screen.height; y++)
        for (int x = 0; x < screen.width; x++) {
            const unsigned char *bgr = &bytes[offset + (screen.height - 1 - y) * stride + x * 3];
            screen.rgb.insert(screen.rgb.end(), { bgr[2], bgr[1], bgr[0] });
        }
    return screen;
}

static int CountColour(const Screen &screen, const nlohmann::json &rect, unsigned char r, unsigned char g,
                       unsigned char b)
{
    int count = 0;
    for (int y = rect["top"].get<int>(); y < rect["bottom"].get<int>() && y < screen.height; y++)
        for (int x = rect["left"].get<int>(); x < rect["right"].get<int>() && x < screen.width; x++) {
            const unsigned char *pixel = &screen.rgb[(y * screen.width + x) * 3];
            count += pixel[0] == r && pixel[1] == g && pixel[2] == b;
        }
    return count;
}

// --- the tests -----------------------------------------------------------------------

TEST(ViewerStart, FirstStartShowsTheNoticeOverTheSheetThenThePagesAndEndsClean)
{
    Device device;
    MakeDevice(device);
    ASSERT_FALSE(SettingsPresent(device));
    std::string run = RunViewer(device);

    nlohmann::json dump = WaitForScreen(device, [](const nlohmann::json &d) { return !AboutBox(d).is_null(); });
    nlohmann::json about = AboutBox(dump);
    ASSERT_FALSE(about.is_null()) << dump.dump();
    EXPECT_EQ(dump["foreground"], about["handle"]);
    EXPECT_EQ(PageViews(dump).size(), 4u) << "the sheet is not under the notice";
    EXPECT_FALSE(SettingsPresent(device)) << "marked before the notice was closed";
    // The browser that held the index files was closed before they were read.
    std::vector<std::string> entries = DeviceLogEntries(device);
    EXPECT_GE(FindEntry(entries, "iexplore.exe closed"), 0);

    Ui(device, { "ok" });
    dump = WaitForScreen(device, SheetShown);
    std::string query;
    ASSERT_TRUE(WaitFor([&] { return SettingsPresent(device, &query); }, ScreenWait));
    EXPECT_NE(query.find("REG_BINARY    00000000"), std::string::npos) << query;

    std::vector<nlohmann::json> views = PageViews(dump);
    ASSERT_EQ(views.size(), 4u);
    EXPECT_EQ(views[0]["html"]["source"], MixedPage(device));
    std::multiset<std::string> hidden, expected;
    for (size_t i = 1; i < views.size(); i++)
        hidden.insert(views[i]["html"]["source"].get<std::string>());
    for (int kind = 0; kind < IndexFileKinds; kind++)
        expected.insert(KindPage(device, kind));
    EXPECT_EQ(hidden, expected);
    EXPECT_TRUE(SnapshotsPresent(device));

    // All three files were read: View All opens the list, not the soft-reset offer.
    nlohmann::json viewAll = Link(views[0], "M");
    ASSERT_FALSE(viewAll.is_null()) << views[0].dump();
    TapCentre(device, viewAll["rect"]);
    dump = WaitForScreen(device, [](const nlohmann::json &d) { return !FindWindows(d, "SysListView32").empty(); });
    EXPECT_FALSE(FindWindows(dump, "SysListView32").empty()) << dump.dump();
    Ui(device, { "ok" });
    WaitForScreen(device, [](const nlohmann::json &d) { return FindWindows(d, "SysListView32").empty(); });

    Ui(device, { "ok" });
    EXPECT_EQ(ExitCode(run), 0);
    EXPECT_FALSE(AnySnapshotPresent(device));

    std::string again = RunViewer(device);
    dump = WaitForScreen(device, [](const nlohmann::json &d) { return PageViews(d).size() == 4; });
    ASSERT_EQ(PageViews(dump).size(), 4u);
    EXPECT_TRUE(AboutBox(DumpScreen(device)).is_null()) << "the notice came twice";
    Ui(device, { "ok" });
    EXPECT_EQ(ExitCode(again), 0);
}

TEST(ViewerStart, CommandLineOfTwoCharactersIsTheBootSnapshotRun)
{
    Device device;
    MakeSeenDevice(device);
    PlaceBootRegistration(device);
    std::string registered = InitKey(device);

    // "start" watches the screen while the run runs: it tells the exit code
    // only of a run that ended without showing a window.
    CommandResult boot = DeviceCommand(device, "start", { "12" });
    EXPECT_EQ(boot.out, "exit code 0\n") << boot.err;
    std::vector<std::string> entries = DeviceLogEntries(device);
    EXPECT_GE(FindEntry(entries, "gallimaw-view.exe SignalStarted 12"), 0);
    EXPECT_LT(FindEntry(entries, "iexplore.exe closed"), 0) << "the Boot snapshot run closed the browser";
    nlohmann::json dump = DumpScreen(device);
    EXPECT_FALSE(FindTopWindow(dump, "IExplore").is_null());
    EXPECT_EQ(InitKey(device), registered);
    EXPECT_TRUE(std::filesystem::exists(DevicePathOnHost(device, StartupShortcut)));

    // "S" from the StartUp shortcut and "123" are normal runs.
    for (const char *line : { "S", "123" }) {
        std::string normal = RunViewer(device, { line });
        dump = WaitForScreen(device, SheetShown);
        EXPECT_TRUE(SheetShown(dump)) << line;
        Ui(device, { "ok" });
        EXPECT_EQ(ExitCode(normal), 0) << line;
    }
    // The normal runs removed the same registration.
    EXPECT_EQ(InitKey(device).find("Launch49"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(DevicePathOnHost(device, StartupShortcut)));

    std::string letters = RunViewer(device, { "ab" });
    EXPECT_EQ(ExitCode(letters), 0);
    entries = DeviceLogEntries(device);
    EXPECT_GE(FindEntry(entries, "gallimaw-view.exe SignalStarted 0"), 0);
    EXPECT_TRUE(SnapshotsPresent(device)) << "the Boot snapshot run keeps its copies";
}

// The sheet of the running viewer: the top-level dialog holding the pages.
static nlohmann::json Sheet(const nlohmann::json &dump)
{
    for (const nlohmann::json &window : FindWindows(dump, "#32770"))
        if (IsViewerWindow(window) && !FindWindows(nlohmann::json{ { "windows", window["children"] } }, "DISPLAYCLASS")
                                           .empty())
            return window;
    return nullptr;
}

// Where a top-level window lies from the top of the screen down.
static size_t WindowOrder(const nlohmann::json &dump, const nlohmann::json &window)
{
    for (size_t i = 0; i < dump["windows"].size(); i++)
        if (dump["windows"][i]["handle"] == window["handle"])
            return i;
    return dump["windows"].size();
}

TEST(ViewerStart, HelpComesUpAndASecondStartBringsTheFirstViewerBack)
{
    Device device;
    MakeSeenDevice(device);
    std::string first = RunViewer(device);
    ASSERT_TRUE(SheetShown(WaitForScreen(device, SheetShown)));

    Ui(device, { "help" });
    ASSERT_TRUE(WaitFor([&] {
        return FindEntry(DeviceLogEntries(device), "peghelp.exe help file:Gallimaw View.htm#Main_Contents") >= 0;
    }, ScreenWait)) << ReadDeviceLog(device);
    nlohmann::json dump = WaitForScreen(device, [](const nlohmann::json &d) {
        return d.is_object() && d["foreground"] != Sheet(d).value("handle", nlohmann::json());
    });
    ASSERT_NE(dump["foreground"], Sheet(dump)["handle"]) << "the help viewer did not come up";

    std::string second = RunViewer(device);
    EXPECT_EQ(ExitCode(second), 0);
    EXPECT_TRUE(SnapshotsPresent(device)) << "the second start deleted the first one's copies";
    dump = DumpScreen(device);
    EXPECT_LT(WindowOrder(dump, Sheet(dump)), WindowOrder(dump, FindTopWindow(dump, "GallimawHelp")))
        << "the sheet is not above the help viewer";
    nlohmann::json foreground;
    for (const nlohmann::json &window : dump["windows"])
        if (window["handle"] == dump["foreground"])
            foreground = window;
    EXPECT_TRUE(IsViewerWindow(foreground)) << foreground.dump();

    Ui(device, { "ok" });
    EXPECT_EQ(ExitCode(first), 0);
}

TEST(ViewerStart, TheMakersLinkStartsTheBrowserAndChangesNothingElse)
{
    Device device;
    MakeSeenDevice(device);
    std::string run = RunViewer(device);
    nlohmann::json dump = WaitForScreen(device, SheetShown);
    ASSERT_TRUE(SheetShown(dump));

    nlohmann::json link = Link(PageViews(dump)[0], "h");
    ASSERT_FALSE(link.is_null()) << PageViews(dump)[0].dump();
    std::string started = std::string("iexplore.exe start \"") + WebAddress + "\"";
    size_t before = DeviceLogEntries(device).size();
    TapCentre(device, link["rect"]);
    EXPECT_TRUE(WaitFor([&] { return FindEntry(DeviceLogEntries(device), started, (int)before) >= 0; }, ScreenWait))
        << ReadDeviceLog(device);
    dump = DumpScreen(device);
    EXPECT_TRUE(FindWindows(dump, "SysListView32").empty());
    EXPECT_EQ(PageViews(dump).size(), 4u);
    EXPECT_FALSE(Ended(run)) << "the viewer ended";
}

TEST(ViewerStart, AboutBoxIsBlueAndRedOnWhiteAndItsCopyrightOpensTheWebSite)
{
    Device device;
    MakeSeenDevice(device);
    std::string run = RunViewer(device);
    ASSERT_TRUE(SheetShown(WaitForScreen(device, SheetShown)));

    Ui(device, { "menu", "About" });
    nlohmann::json dump = WaitForScreen(device, [](const nlohmann::json &d) { return !AboutBox(d).is_null(); });
    nlohmann::json about = AboutBox(dump);
    ASSERT_FALSE(about.is_null());
    std::this_thread::sleep_for(500ms);
    Screen screen = TakeScreenshot(device);
    ASSERT_GT(screen.width, 0);
    struct {
        int id;
        unsigned char r, g, b;
    } lines[] = { { ProductLine, 0, 0, 255 }, { CopyrightLine, 0, 0, 255 }, { WarningText, 255, 0, 0 },
                  { DisclaimerText, 255, 0, 0 } };
    for (const auto &line : lines) {
        nlohmann::json rect = Control(about, line.id)["rect"];
        int inked = CountColour(screen, rect, line.r, line.g, line.b);
        int white = CountColour(screen, rect, 255, 255, 255);
        EXPECT_GT(inked, 0) << line.id;
        EXPECT_GT(white, inked) << line.id;
    }

    size_t before = DeviceLogEntries(device).size();
    TapCentre(device, Control(about, CopyrightLine)["rect"]);
    std::string started = std::string("iexplore.exe start \"") + WebAddress + "\"";
    EXPECT_TRUE(WaitFor([&] { return FindEntry(DeviceLogEntries(device), started, (int)before) >= 0; }, ScreenWait))
        << ReadDeviceLog(device);
    EXPECT_FALSE(AboutBox(DumpScreen(device)).is_null()) << "the About box closed";
    EXPECT_FALSE(Ended(run)) << "the viewer ended";
}
