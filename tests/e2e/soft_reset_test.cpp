// Reading a locked index file through the soft reset, on the emulated
// device as a user meets it: the history file is held open from boot on,
// View All offers the reset, the next boot runs the program early to take
// its copies, and the start through the StartUp shortcut shows them.
#include <gtest/gtest.h>
#include <algorithm>
#include <filesystem>
#include "ce/device_contract.h"
#include "device_driver.h"

using namespace std::chrono_literals;

static const std::string ViewerExe = "\\Program Files\\Gallimaw View\\gallimaw-view.exe";
static const std::string StartupFolder = DEVICE_STARTUP_FOLDER;
static const std::string LiveHistory = "\\Windows\\History\\History.IE5\\index.dat";
static const std::vector<std::string> SnapshotCopies = {"\\Temp\\Cache~.tmp", "\\Temp\\Cookies~.tmp",
                                                        "\\Temp\\History~.tmp"};
static const std::string Question = "To access the data soft reset is required. Are you going to proceed?";
static const int HistoryIcon = 2;
static const auto ScreenWait = 30s;
static const auto ResetWait = 90s;

// The first-run notice would lie over the pages; mark it as shown.
static void MarkFirstRunShown(const Device &device)
{
    DeviceCommand(device, "reg", {"add", "HKLM\\SOFTWARE\\Apps\\Orrenby Gallimaw View", "/v", "Settings", "/t",
                                  "REG_BINARY", "/d", "00000000", "/f"});
}

static std::string InitKey(const Device &device)
{
    return DeviceCommand(device, "reg", {"query", "HKLM\\init"}).out;
}

static std::vector<std::string> StartupFiles(const Device &device)
{
    std::vector<std::string> names;
    for (const auto &entry : std::filesystem::directory_iterator(DevicePathOnHost(device, StartupFolder)))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

static bool Exists(const Device &device, const std::string &devicePath)
{
    return std::filesystem::exists(DevicePathOnHost(device, devicePath));
}

// The visible Mixed page: the HTML view that holds the View All button.
static nlohmann::json MixedPage(const nlohmann::json &dump)
{
    for (const nlohmann::json &view : FindWindows(dump, "DISPLAYCLASS"))
        if (view.value("visible", false))
            for (const nlohmann::json &link : view["html"]["links"])
                if (link["target"] == "M")
                    return view;
    return nullptr;
}

static nlohmann::json WaitForMixedPage(const Device &device)
{
    nlohmann::json page;
    WaitFor([&] { return (page = MixedPage(DumpScreen(device))).is_object(); }, ScreenWait);
    return page;
}

static void TapViewAll(const Device &device, const nlohmann::json &page)
{
    for (const nlohmann::json &link : page["html"]["links"]) {
        if (link["target"] != "M")
            continue;
        const nlohmann::json &rect = link["rect"];
        int x = (rect["left"].get<int>() + rect["right"].get<int>()) / 2;
        int y = (rect["top"].get<int>() + rect["bottom"].get<int>()) / 2;
        DeviceCommand(device, "ui", {"tap", std::to_string(x), std::to_string(y)});
    }
}

static nlohmann::json FindMessageBox(const nlohmann::json &dump)
{
    for (const nlohmann::json &box : FindWindows(dump, "#32770"))
        if (box.value("visible", false) && box.contains("messagebox"))
            return box;
    return nullptr;
}

static bool Contains(const nlohmann::json &outer, const nlohmann::json &inner)
{
    return inner["left"] >= outer["left"] && inner["top"] >= outer["top"] && inner["right"] <= outer["right"] &&
           inner["bottom"] <= outer["bottom"];
}

static nlohmann::json FindRecordList(const nlohmann::json &dump)
{
    for (const nlohmann::json &list : FindWindows(dump, "SysListView32"))
        if (list.value("visible", false))
            return list;
    return nullptr;
}

static int CountRows(const nlohmann::json &list, int icon)
{
    int count = 0;
    for (const nlohmann::json &row : list["rows"])
        count += row["image"] == icon;
    return count;
}

static std::string HistorySizeText(const Device &device)
{
    auto size = std::filesystem::file_size(DevicePathOnHost(device, LiveHistory));
    return "<b>IE History:</b></font> Size <font color=#000077><b>" + std::to_string(size) + "</b>";
}

class SoftReset : public testing::Test {
protected:
    void SetUp() override
    {
        // The browser runs too: the viewer closes it, the holder keeps
        // the history file.
        CommandResult create = CreateDevice(device, {"--hold", "history"});
        ASSERT_EQ(create.code, 0) << create.err;
        MarkFirstRunShown(device);
        CommandResult boot = BootDevice(device);
        ASSERT_EQ(boot.code, 0) << boot.err;
    }
    Device device;
};

TEST_F(SoftReset, ShowsTheLockedHistoryAfterTheNextBoot)
{
    std::string initBefore = InitKey(device);
    std::vector<std::string> startupBefore = StartupFiles(device);
    CommandResult start = DeviceCommand(device, "start");
    ASSERT_EQ(start.code, 0) << start.out << start.err;

    // The history file is held: its size shows, its records do not.
    nlohmann::json page = WaitForMixedPage(device);
    ASSERT_TRUE(page.is_object());
    EXPECT_NE(page["html"]["source"].get<std::string>().find(HistorySizeText(device)), std::string::npos)
        << page["html"]["source"];
    TapViewAll(device, page);
    nlohmann::json box;
    ASSERT_TRUE(WaitFor([&] { return (box = FindMessageBox(DumpScreen(device))).is_object(); }, ScreenWait));
    EXPECT_EQ(box["text"], "Gallimaw View");
    EXPECT_EQ(box["messagebox"]["text"], Question);
    // The box and its text lie on the screen: the question can be read whole.
    std::vector<nlohmann::json> text = FindWindows({{"windows", nlohmann::json::array({box})}}, "Static", Question);
    ASSERT_EQ(text.size(), 1u);
    EXPECT_TRUE(Contains({{"left", 0}, {"top", 0}, {"right", 240}, {"bottom", 320}}, box["rect"])) << box["rect"];
    EXPECT_TRUE(Contains(box["rect"], text[0]["rect"])) << text[0]["rect"];
    EXPECT_FALSE(FindRecordList(DumpScreen(device)).is_object());
    EXPECT_GE(FindEntry(DeviceLogEntries(device), "iexplore.exe closed"), 0);

    // Yes: the device resets, runs the program as entry 49 before the
    // shell, and the shell starts it again through the shortcut.
    EXPECT_EQ(DeviceCommand(device, "ui", {"answer", "Yes"}).code, 0);
    std::vector<std::string> log;
    int reset = -1, bootRun = -1, shortcut = -1;
    ASSERT_TRUE(WaitFor(
        [&] {
            log = DeviceLogEntries(device);
            reset = FindEntry(log, "gallimaw-view.exe soft reset requested");
            bootRun = FindEntry(log, "gallimaw-view.exe SignalStarted 49", reset);
            shortcut = FindEntry(log, "device_shell.exe run Gallimaw View.lnk", reset);
            return reset >= 0 && bootRun >= 0 && shortcut >= 0;
        },
        ResetWait));
    EXPECT_GE(FindEntry(log, "launch 49 " + ViewerExe + " 49", reset), 0);
    EXPECT_NE(FindEntry(log, "\"" + ViewerExe + "\" S", shortcut), -1);

    // That start removed the registration and the shortcut.
    page = WaitForMixedPage(device);
    ASSERT_TRUE(page.is_object());
    EXPECT_TRUE(WaitFor([&] { return InitKey(device) == initBefore; }, ScreenWait));
    EXPECT_EQ(StartupFiles(device), startupBefore);

    // The copy is taken before the run signals; the holder takes the file
    // again after that, before the shell.
    int held = -1;
    ASSERT_TRUE(WaitFor(
        [&] { return (held = FindEntry(DeviceLogEntries(device), "file_holder.exe holding", reset)) >= 0; },
        ScreenWait));
    EXPECT_GT(held, bootRun);
    EXPECT_LT(held, shortcut);

    // The copies of the early run are shown, the held history too.
    TapViewAll(device, page);
    nlohmann::json list;
    ASSERT_TRUE(WaitFor([&] { return (list = FindRecordList(DumpScreen(device))).is_object(); }, ScreenWait));
    EXPECT_GT(CountRows(list, HistoryIcon), 0);
    for (const std::string &copy : SnapshotCopies)
        EXPECT_TRUE(Exists(device, copy)) << copy;

    // Done closes the list, the sheet's ok ends the program and its copies.
    EXPECT_EQ(DeviceCommand(device, "ui", {"ok"}).code, 0);
    ASSERT_TRUE(WaitFor([&] { return MixedPage(DumpScreen(device)).is_object(); }, ScreenWait));
    EXPECT_EQ(DeviceCommand(device, "ui", {"ok"}).code, 0);
    EXPECT_TRUE(WaitFor(
        [&] {
            for (const std::string &copy : SnapshotCopies)
                if (Exists(device, copy))
                    return false;
            return true;
        },
        ScreenWait));
}

TEST_F(SoftReset, ANormalStartWithoutARegistrationChangesNothing)
{
    std::string initBefore = InitKey(device);
    std::vector<std::string> startupBefore = StartupFiles(device);
    CommandResult start = DeviceCommand(device, "start");
    ASSERT_EQ(start.code, 0) << start.out << start.err;
    ASSERT_TRUE(WaitForMixedPage(device).is_object());
    EXPECT_EQ(InitKey(device), initBefore);
    EXPECT_EQ(StartupFiles(device), startupBefore);
}
