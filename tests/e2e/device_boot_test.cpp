// The emulated device's boot: the init sequence, the shell's StartUp
// shortcuts, the log, the screen and the UI automation, on one device
// booted once for the whole suite.
#include <gtest/gtest.h>
#include <fstream>
#include <memory>
#include "ce/device_contract.h"
#include "device_driver.h"

using namespace std::chrono_literals;

// Probe entries around the default ones (10 shell.exe, 20 device.exe,
// 30 gwes.exe, 50 shell32.exe, 60 services.exe): 41 waits for 40, which
// reports itself late; 43 waits for 42, which never does.
static const char InitProbes[] =
    "REGEDIT4\r\n\r\n"
    "[HKEY_LOCAL_MACHINE\\" DEVICE_INIT_KEY "]\r\n"
    "\"Launch07\"=\"device_probe.exe\"\r\n"
    "\"Launch40\"=\"device_probe.exe\"\r\n"
    "\"Launch41\"=\"device_probe.exe\"\r\n"
    "\"Depend41\"=hex:28,00\r\n"
    "\"Launch42\"=\"device_probe.exe\"\r\n"
    "\"Launch43\"=\"device_probe.exe\"\r\n"
    "\"Depend43\"=hex:2a,00\r\n"
    "\"Launch44\"=\"device_probe.exe\"\r\n\r\n"
    "[HKEY_LOCAL_MACHINE\\" DEVICE_SETTINGS_KEY "]\r\n"
    "\"DependTimeout\"=dword:00000bb8\r\n\r\n"
    "[HKEY_LOCAL_MACHINE\\" DEVICE_PROBE_KEY "]\r\n"
    "\"40\"=\"delay 1500\"\r\n"
    "\"42\"=\"silent\"\r\n"
    "\"44\"=\"exit 3\"\r\n";

static void WriteHostFile(const std::string &path, const std::string &text)
{
    std::ofstream file(path, std::ios::binary);
    file << text;
}

// A shortcut as the device writes it: "N#target", N the target's length.
static std::string Shortcut(const std::string &target)
{
    return std::to_string(target.size()) + "#" + target;
}

class DeviceBoot : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        device = std::make_unique<Device>();
        CommandResult create = CreateDevice(*device, {"--viewer", Win32BuildPath("device/device_probe.exe")});
        ASSERT_EQ(create.code, 0) << create.err;
        WriteHostFile(DevicePathOnHost(*device, "\\init-probes.reg"), InitProbes);
        CommandResult import = DeviceCommand(*device, "reg", {"import", "C:\\init-probes.reg"});
        ASSERT_EQ(import.code, 0) << import.out << import.err;
        std::string startup = DevicePathOnHost(*device, DEVICE_STARTUP_FOLDER);
        WriteHostFile(startup + "/Open.lnk", Shortcut("\"\\Windows\\device_probe.exe\" open \\Windows\\win.ini"));
        WriteHostFile(startup + "/Plain.lnk", Shortcut("\\Windows\\device_probe.exe 77"));
        CommandResult boot = BootDevice(*device);
        ASSERT_EQ(boot.code, 0) << boot.err;
        entries = DeviceLogEntries(*device);
    }

    static void TearDownTestSuite()
    {
        device.reset();
    }

    static std::unique_ptr<Device> device;
    static std::vector<std::string> entries;
};

std::unique_ptr<Device> DeviceBoot::device;
std::vector<std::string> DeviceBoot::entries;

TEST_F(DeviceBoot, LaunchesInitEntriesInOrderWithTheirNumbersAsCommandLines)
{
    const char *order[] = {"launch 07 device_probe.exe 07", "launch 10 shell.exe 10", "launch 20 device.exe 20",
                           "launch 30 gwes.exe 30", "launch 40 device_probe.exe 40",
                           "launch 41 device_probe.exe 41", "launch 44 device_probe.exe 44",
                           "launch 50 shell32.exe 50", "launch 60 services.exe 60"};
    int previous = -1;
    for (const char *launch : order) {
        int at = FindEntry(entries, launch);
        EXPECT_GT(at, previous) << launch;
        previous = at;
    }
    EXPECT_GE(FindEntry(entries, "device_probe.exe probe command line \"07\""), 0);
    EXPECT_GE(FindEntry(entries, "device_probe.exe probe command line \"41\""), 0);
}

TEST_F(DeviceBoot, HoldsAnEntryUntilItsDependListHasStarted)
{
    int late = FindEntry(entries, "device_probe.exe SignalStarted 40");
    ASSERT_GE(late, 0);
    EXPECT_GT(FindEntry(entries, "launch 41 "), late);

    EXPECT_GE(FindEntry(entries, "held 43: 42 never started"), 0);
    EXPECT_LT(FindEntry(entries, "launch 43 "), 0);
    EXPECT_LT(FindEntry(entries, "SignalStarted 42"), 0);

    // The shell comes up only after the entries launched before it have
    // started, or their time is up.
    EXPECT_GT(FindEntry(entries, "launch 50 "), FindEntry(entries, "device_probe.exe SignalStarted 41"));
    EXPECT_GE(FindEntry(entries, "shell launched before 42 started"), 0);

    // The platform's own entries count as started at once; the shell waits
    // for 20 and 30 and then reports its own number.
    EXPECT_GE(FindEntry(entries, "launch 20 device.exe 20 (platform)"), 0);
    EXPECT_GT(FindEntry(entries, "device_shell.exe SignalStarted 50"), FindEntry(entries, "SignalStarted 30"));
}

TEST_F(DeviceBoot, ShellRunsEveryStartupShortcut)
{
    EXPECT_GE(FindEntry(entries, "device_shell.exe run Open.lnk: \"\\Windows\\device_probe.exe\" open"), 0);
    EXPECT_GE(FindEntry(entries, "device_shell.exe run Plain.lnk: \\Windows\\device_probe.exe 77"), 0);
    EXPECT_TRUE(WaitFor(
        [&] {
            std::vector<std::string> now = DeviceLogEntries(*device);
            return FindEntry(now, "device_probe.exe open \\Windows\\win.ini: error 0") >= 0 &&
                   FindEntry(now, "device_probe.exe probe command line \"77\"") >= 0;
        },
        10s));
}

TEST_F(DeviceBoot, LogShowsEachStepOfTheBoot)
{
    int start = FindEntry(entries, "device_kernel.exe boot start");
    int shell = FindEntry(entries, "device_shell.exe shell 50", start);
    int done = FindEntry(entries, "device_kernel.exe boot done", shell);
    EXPECT_GE(start, 0);
    EXPECT_GT(shell, start);
    EXPECT_GT(done, shell);
    EXPECT_TRUE(WaitFor([&] { return FindEntry(DeviceLogEntries(*device), "exit 44 code 3") >= 0; }, 10s));
}

TEST_F(DeviceBoot, ScreenIs240By320)
{
    nlohmann::json dump = DumpScreen(*device);
    ASSERT_TRUE(dump.is_object());
    EXPECT_EQ(dump["screen"]["width"], 240);
    EXPECT_EQ(dump["screen"]["height"], 320);

    std::string png = device->dir + "/screen.png";
    CommandResult shot = DeviceCommand(*device, "screenshot", {png});
    ASSERT_EQ(shot.code, 0) << shot.err;
    std::ifstream file(png, std::ios::binary);
    unsigned char header[24] = {};
    file.read(reinterpret_cast<char *>(header), sizeof header);
    ASSERT_EQ(std::string(reinterpret_cast<char *>(header) + 1, 3), "PNG");
    auto be32 = [&](int at) { return header[at] << 24 | header[at + 1] << 16 | header[at + 2] << 8 | header[at + 3]; };
    EXPECT_EQ(be32(16), 240);
    EXPECT_EQ(be32(20), 320);
}

// Asks a Yes/No question in the device; returns the message box's dump.
static nlohmann::json AskInDevice(const Device &device, const std::string &question)
{
    CommandResult ask = DeviceCommand(device, "ui", {"start", "C:\\windows\\device_probe.exe", "ask", question});
    EXPECT_EQ(ask.code, 0) << ask.out << ask.err;
    return FindTopWindow(DumpScreen(device), "#32770", "Probe");
}

TEST_F(DeviceBoot, MessageBoxIsDumpedAndAnsweredByItsButtonOrATap)
{
    nlohmann::json box = AskInDevice(*device, "Go on?");
    ASSERT_TRUE(box.is_object());
    EXPECT_EQ(box["messagebox"]["text"], "Go on?");
    EXPECT_EQ(box["messagebox"]["buttons"], nlohmann::json::array({"&Yes", "&No"}));

    CommandResult answer = DeviceCommand(*device, "ui", {"answer", "No"});
    EXPECT_EQ(answer.code, 0) << answer.out;
    EXPECT_TRUE(WaitFor([&] { return FindEntry(DeviceLogEntries(*device), "answer 7") >= 0; }, 10s));
    EXPECT_FALSE(FindTopWindow(DumpScreen(*device), "#32770", "Probe").is_object());

    nlohmann::json again = AskInDevice(*device, "Again?");
    std::vector<nlohmann::json> yes = FindWindows({{"windows", nlohmann::json::array({again})}}, "Button", "&Yes");
    ASSERT_EQ(yes.size(), 1u);
    EXPECT_EQ(TapWindow(*device, yes[0]).code, 0);
    EXPECT_TRUE(WaitFor([&] { return FindEntry(DeviceLogEntries(*device), "answer 6") >= 0; }, 10s));
}

TEST_F(DeviceBoot, MenuBarHelpKeyAndTitleBarOkReachTheForegroundProgram)
{
    // The probe stands in for the viewer on this device.
    CommandResult window = DeviceCommand(*device, "start", {"window"});
    ASSERT_EQ(window.code, 0) << window.out << window.err;
    EXPECT_EQ(window.out.rfind("window ", 0), 0u) << window.out;
    nlohmann::json dump = DumpScreen(*device);
    nlohmann::json bar = FindTopWindow(dump, "CeMenuBar");
    ASSERT_TRUE(bar.is_object());
    EXPECT_EQ(FindWindows(dump, "Button", "Probe").size(), 1u);
    std::vector<nlohmann::json> lists = FindWindows(dump, "SysListView32");
    ASSERT_EQ(lists.size(), 1u);
    EXPECT_EQ(lists[0]["columns"],
              nlohmann::json::parse(R"([{"header":"Name","width":80},{"header":"Value","width":100}])"));
    EXPECT_EQ(lists[0]["rows"], nlohmann::json::parse(R"([{"texts":["alpha","1"],"image":0,"param":11},
                                                           {"texts":["beta","2"],"image":1,"param":22}])"));
    auto logged = [&](const std::string &entry) {
        return WaitFor([&] { return FindEntry(DeviceLogEntries(*device), entry) >= 0; }, 10s);
    };

    // The item after the separator, then the first one.
    EXPECT_EQ(DeviceCommand(*device, "ui", {"menu", "Second Item"}).code, 0);
    EXPECT_TRUE(logged("gallimaw-view.exe command 202"));
    EXPECT_EQ(DeviceCommand(*device, "ui", {"menu", "First"}).code, 0);
    EXPECT_TRUE(logged("gallimaw-view.exe command 201"));
    CommandResult missing = DeviceCommand(*device, "ui", {"menu", "Third"});
    EXPECT_EQ(missing.code, 1);
    EXPECT_EQ(missing.out, "no menu item Third\n");

    EXPECT_EQ(DeviceCommand(*device, "ui", {"help"}).code, 0);
    EXPECT_TRUE(logged("gallimaw-view.exe help asked"));
    EXPECT_EQ(DeviceCommand(*device, "ui", {"ok"}).code, 0);
    EXPECT_TRUE(logged("gallimaw-view.exe command 1"));
    EXPECT_FALSE(FindTopWindow(DumpScreen(*device), "GallimawProbe").is_object());
}

TEST_F(DeviceBoot, HelpViewerShowsThePageAtItsTopicOnTheWholeScreenUntilOk)
{
    std::string lines;
    for (int i = 0; i < 30; i++)
        lines += "<p>Line " + std::to_string(i) + "</p>";
    const std::string page = "<h3>Probe help</h3>" + lines +
                             "<a name=\"Second\"></a><p><a href=\"#Main_Contents\">Second topic</a>"
                             "<p><input type=button value=Back name=B>" + lines;
    WriteHostFile(DevicePathOnHost(*device, "\\Windows\\Probe Help.htm"), page);
    CommandResult help =
        DeviceCommand(*device, "ui", {"start", "C:\\windows\\peghelp.exe", "file:Probe Help.htm#Second"});
    ASSERT_EQ(help.code, 0) << help.out << help.err;
    nlohmann::json dump = DumpScreen(*device);
    nlohmann::json window = FindTopWindow(dump, "GallimawHelp");
    ASSERT_TRUE(window.is_object());
    EXPECT_EQ(window["rect"], nlohmann::json::parse(R"({"left":0,"top":26,"right":240,"bottom":320})"));
    nlohmann::json bar = FindTopWindow(dump, "CeNavBar");
    ASSERT_TRUE(bar.is_object());
    EXPECT_EQ(bar["text"], "Help");
    EXPECT_EQ(FindWindows({{"windows", nlohmann::json::array({bar})}}, "Button", "ok").at(0)["visible"], true);

    // Opened at the topic: its link is on the view's first line.
    nlohmann::json screen = {{"windows", nlohmann::json::array({window})}};
    std::vector<nlohmann::json> views = FindWindows(screen, "DISPLAYCLASS");
    ASSERT_EQ(views.size(), 1u);
    EXPECT_EQ(views[0]["html"]["source"], page);
    const nlohmann::json &links = views[0]["html"]["links"];
    ASSERT_EQ(links.size(), 2u);
    EXPECT_EQ(links[0]["target"], "#Main_Contents");
    EXPECT_LT(links[0]["rect"]["top"].get<int>() - views[0]["rect"]["top"].get<int>(), 10);
    EXPECT_GE(links[1]["rect"]["top"].get<int>(), links[0]["rect"]["bottom"].get<int>());
    EXPECT_GE(FindEntry(DeviceLogEntries(*device), "peghelp.exe help \"file:Probe Help.htm#Second\""), 0);

    EXPECT_EQ(DeviceCommand(*device, "ui", {"ok"}).code, 0);
    EXPECT_TRUE(WaitFor([&] { return !FindTopWindow(DumpScreen(*device), "GallimawHelp").is_object(); }, 10s));
}

TEST_F(DeviceBoot, DevicePathsLeadToTheHostFilesWhateverTheirCase)
{
    std::string cookies = DevicePathOnHost(*device, "\\WINDOWS\\cookies\\INDEX.DAT");
    EXPECT_EQ(cookies, device->dir + "/prefix/drive_c/windows/Cookies/index.dat");
    EXPECT_TRUE(std::ifstream(cookies).good());
}
