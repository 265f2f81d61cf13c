// Whole runs of the setup program: branches, the source-path helper, the closing prompt.
#include "setup_run.h"

using namespace setuptest;

namespace
{

const char kRunKey[] = "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
const char kPrograms[] = "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\";

std::string FileText(const std::string& path)
{
    std::string content;
    EXPECT_TRUE(winsim::GetFile(path, &content)) << path;
    return content;
}

TEST_F(SetupRun, FullInstallPutsUtilityAndDriverInPlace)
{
    WriteConfig(FullInstall());
    int device = AddDisplayDevice();

    EXPECT_EQ(0, Run());

    EXPECT_EQ(std::vector<std::string>{"6200"}, Dialogs());
    const std::string dest = "C:\\Program Files\\Display Utility\\";
    EXPECT_EQ("content of DispCpl.exe", FileText(dest + "DispCpl.exe"));
    EXPECT_EQ("content of ReadMe.txt", FileText(dest + "ReadMe.txt"));
    EXPECT_EQ("content of dispcpl.ini", FileText("C:\\Windows\\dispcpl.ini"));
    EXPECT_EQ("content of dispcpl.fon", FileText("C:\\Windows\\Fonts\\dispcpl.fon"));

    EXPECT_TRUE(Saw("group Display Utility"));
    EXPECT_TRUE(Saw("group-shown Display Utility"));
    EXPECT_EQ(
        (std::vector<std::string>{"item Display Utility|Display Settings|" + dest + "DispCpl.exe",
                                  "item Display Utility|Read Me|" + dest + "ReadMe.txt"}),
        Lines("item "));
    EXPECT_TRUE(winsim::Exists(std::string(kPrograms) + "Display Utility\\Display Settings.lnk"));

    std::string record = FileText("C:\\Windows\\velsetup.log");
    EXPECT_NE(std::string::npos, record.find("[program group]"));
    EXPECT_NE(std::string::npos, record.find("name=Display Utility"));
    EXPECT_NE(std::string::npos, record.find("[install directory]"));
    EXPECT_NE(std::string::npos, record.find("path=" + dest + "\r\n"));

    DWORD type = 0;
    std::string data;
    ASSERT_TRUE(winsim::RegGet(kRunKey, "Display Utility", &type, &data));
    EXPECT_EQ(REG_SZ, type);
    EXPECT_EQ("\"" + dest + "DispCpl.exe\" /tray", data); // byte count without the NUL

    EXPECT_TRUE(winsim::DriverInstalled(device));
    EXPECT_FALSE(Saw("reboot-prompt"));
    EXPECT_EQ(0u, Lines("msgbox ").size());
    EXPECT_EQ(1, Count("frame-end"));
    EXPECT_EQ(1, Count("install-end"));
    winsim::OpenHandles open = winsim::Open();
    EXPECT_EQ(0, open.keys + open.deviceSets + open.infHandles + open.files);
}

// Which dialog is held, and what gets installed, for each pair of choices.
struct ChoiceCase {
    const char* utility; // nullptr: symbol absent
    const char* driver;
    const char* dialog;
    bool utilityInstalled;
    bool devicesTried;
};

class Choices : public SetupRun, public ::testing::WithParamInterface<ChoiceCase>
{
};

TEST_P(Choices, PickTheDialogAndWhatIsInstalled)
{
    const ChoiceCase& c = GetParam();
    Config config = FullInstall();
    c.utility ? config.Set("APP_INSTALL_UTILITY", c.utility) : config.Drop("APP_INSTALL_UTILITY");
    c.driver ? config.Set("APP_INSTALL_DRIVER", c.driver) : config.Drop("APP_INSTALL_DRIVER");
    WriteConfig(config);
    // No device present: a driver installation shows the warning.

    EXPECT_EQ(0, Run());

    EXPECT_EQ(std::vector<std::string>{c.dialog}, Dialogs());
    EXPECT_EQ(c.utilityInstalled,
              winsim::Exists("C:\\Program Files\\Display Utility\\DispCpl.exe"));
    EXPECT_EQ(c.devicesTried ? 1 : 0, Count(WarningBox()));
    EXPECT_EQ(1, Count("frame-end"));
}

INSTANTIATE_TEST_SUITE_P(SetupRun, Choices,
                         ::testing::Values(ChoiceCase{"1", "1", "6200", true, true},
                                           ChoiceCase{"1abc", nullptr, "6200", true, true},
                                           ChoiceCase{"1", "0", "6201", true, false},
                                           ChoiceCase{"1", "0 but on", "6201", true, false},
                                           ChoiceCase{"0", "1", "100", false, true},
                                           ChoiceCase{nullptr, nullptr, "100", false, true},
                                           ChoiceCase{"", "0", "100", false, false},
                                           ChoiceCase{"2", "x", "100", false, true}));

TEST_F(SetupRun, DriverUntickedInstallsNoDeviceAndWarnsOfNothing)
{
    WriteConfig(FullInstall());
    int device = AddDisplayDevice();
    Answers("[6200]\ncheck=ON OFF\n");

    EXPECT_EQ(0, Run());

    EXPECT_FALSE(winsim::DriverInstalled(device));
    EXPECT_TRUE(winsim::Exists("C:\\Program Files\\Display Utility\\DispCpl.exe"));
    EXPECT_EQ(0u, Lines("msgbox ").size());
}

struct EndingCase {
    const char* name;
    bool device;
    DWORD flags;
    bool prompt;
    bool warning;
};

class Endings : public SetupRun, public ::testing::WithParamInterface<EndingCase>
{
};

TEST_P(Endings, RestartPromptWarningOrNeither)
{
    const EndingCase& c = GetParam();
    WriteConfig(InfoOnly());
    if (c.device)
        AddDisplayDevice("PCI\\VEN_1234&DEV_5678\\3&1&0&10", c.flags);

    EXPECT_EQ(0, Run());

    EXPECT_EQ(c.prompt, Saw("reboot-prompt"));
    EXPECT_EQ(c.warning, Saw(WarningBox()));
    // Either comes while the frame is still up.
    const auto& journal = winsim::Journal();
    auto end = std::find(journal.begin(), journal.end(), "frame-end");
    auto shown = std::find_if(journal.begin(), journal.end(), [&](const std::string& line) {
        return line == "reboot-prompt" || line == WarningBox();
    });
    if (c.prompt || c.warning) {
        EXPECT_LT(shown, end);
    }
}

INSTANTIATE_TEST_SUITE_P(SetupRun, Endings,
                         ::testing::Values(EndingCase{"NoDevice", false, 0, false, true},
                                           EndingCase{"Matched", true, 0, false, false},
                                           EndingCase{"Restart", true, DI_NEEDRESTART, true, false},
                                           EndingCase{"Reboot", true, DI_NEEDREBOOT, true, false},
                                           EndingCase{"Both", true, DI_NEEDRESTART | DI_NEEDREBOOT,
                                                      true, false}),
                         [](const auto& info) { return std::string(info.param.name); });

// Device requests: which series are read, observed through the class resolution trace.
TEST_F(SetupRun, DeviceRequestSeries)
{
    struct Case {
        std::map<std::string, std::string> symbols;
        int requests;
    } cases[] = {
        {{{"ID_1", "VEN_1234"}, {"ID_2", "DEV_5678"}}, 2},
        {{{"ID_1", "VEN_1234"}, {"ID_3", "DEV_5678"}}, 1},
        {{{"MORE_CLASS_1", "Display"}, {"MORE_ID_1", "VEN_1234"}}, 1},
        {{{"ID_1", "VEN_1234"}, {"MORE_CLASS_1", "Display"}, {"MORE_ID_1", "VEN_1234"}}, 2},
        {{{"MORE_CLASS_1", "Display"}}, 0},
        {{{"MORE_CLASS_1", "Display"}, {"MORE_ID_2", "VEN_1234"}, {"MORE_CLASS_2", "Display"}}, 0},
        {{}, 0},
    };
    for (const auto& c : cases) {
        FreshMachine(mediumDir);
        Config config = InfoOnly().Drop("ID_1");
        for (const auto& [name, value] : c.symbols)
            config.Set(name, value);
        WriteConfig(config);
        AddDisplayDevice();

        EXPECT_EQ(0, Run());

        size_t requests = Lines(std::string("trace Display|") + kDisplayGuid).size();
        EXPECT_EQ((size_t)c.requests, requests) << c.symbols.size() << " symbols";
        EXPECT_EQ(c.requests == 0, Saw(WarningBox()));
    }
}

TEST_F(SetupRun, SourcePathHelperStartsFromOwnDirectoryQuoted)
{
    struct Case {
        const char* medium;
        const char* flag; // nullptr: absent
        bool started;
    } cases[] = {
        {"C:\\Setup\\", "1", true},   {"C:\\Setup Media\\Disk 1\\", "10", true},
        {"C:\\Setup\\", "0", false},  {"C:\\Setup\\", "", false},
        {"C:\\Setup\\", " 1", false}, {"C:\\Setup\\", nullptr, false},
    };
    for (const auto& c : cases) {
        FreshMachine(c.medium);
        Config config = InfoOnly().Set("STF_SRCDIR", "D:\\Elsewhere\\");
        c.flag ? config.Set("UPDATE_SOURCE_PATH", c.flag) : config.Drop("UPDATE_SOURCE_PATH");
        WriteConfig(config);

        EXPECT_EQ(0, Run());

        auto processes = winsim::Processes();
        ASSERT_EQ(c.started ? 1u : 0u, processes.size()) << c.medium;
        if (!c.started)
            continue;
        EXPECT_EQ("\"" + std::string(c.medium) + "Brinmoor.EXE\" 0", processes[0].commandLine);
        EXPECT_EQ("0", processes[0].argumentText);
        EXPECT_EQ((UINT)SW_HIDE, processes[0].show);
    }
}

TEST_F(SetupRun, FrameFillsTheScreenWithTheConfiguredCaption)
{
    winsim::SetScreen(800, 600);
    WriteConfig(InfoOnly().Set("APP_TITLE", "Velora Display Setup"));

    EXPECT_EQ(0, Run());

    auto windows = winsim::Windows();
    ASSERT_EQ(1u, windows.size());
    EXPECT_EQ("Velora Display Setup", winsim::WindowText(windows[0]));
    winsim::Placement placement = winsim::WindowPlacement(windows[0]);
    EXPECT_EQ(0, placement.x);
    EXPECT_EQ(0, placement.y);
    EXPECT_EQ(800, placement.cx);
    EXPECT_EQ(600, placement.cy);
    EXPECT_TRUE(placement.flags & SWP_NOZORDER);
}

TEST_F(SetupRun, HelpRequestEndsAtOnceWithoutStoppingTheToolkit)
{
    WriteConfig(FullInstall());

    EXPECT_EQ(0, Run("/?"));

    EXPECT_TRUE(Dialogs().empty());
    EXPECT_FALSE(Saw("frame-end"));
    EXPECT_FALSE(Saw("install-end"));
}

TEST_F(SetupRun, BitmapIdConvertedLikeAtoi)
{
    struct Case {
        const char* value;
        const char* id;
    } cases[] = {{"1", "1"}, {" 1ab", "1"}, {"+1", "1"}, {"abc", "0"}, {"", "0"}, {"-0", "0"}};
    for (const auto& c : cases) {
        FreshMachine(mediumDir);
        WriteConfig(InfoOnly().Set("APP_BITMAP", c.value));

        EXPECT_EQ(0, Run());

        EXPECT_TRUE(Saw(std::string("bitmap mscuistf.dll|") + c.id)) << "'" << c.value << "'";
        EXPECT_EQ(std::vector<std::string>{"100"}, Dialogs()) << "'" << c.value << "'";
    }
}

TEST_F(SetupRun, ProgramItemsEndAtFirstMissingName)
{
    struct Case {
        std::vector<int> names; // which APP_PROGRAM_ITEM_NAMEn are present
        size_t items;
    } cases[] = {{{}, 0}, {{1, 2, 4}, 2}, {{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}, 10}, {{2}, 0}};
    for (const auto& c : cases) {
        FreshMachine(mediumDir);
        Config config = FullInstall().Drop("APP_PROGRAM_ITEM_NAME1").Drop("APP_PROGRAM_ITEM_FILE1");
        config.Drop("APP_PROGRAM_ITEM_NAME2").Drop("APP_PROGRAM_ITEM_FILE2");
        for (int n : c.names) {
            config.Set("APP_PROGRAM_ITEM_NAME" + std::to_string(n), "Item " + std::to_string(n));
            if (n != 2) // item 2 has no file symbol: its command line is the destination
                config.Set("APP_PROGRAM_ITEM_FILE" + std::to_string(n), "f" + std::to_string(n));
        }
        WriteConfig(config);

        EXPECT_EQ(0, Run());

        auto items = Lines("item ");
        EXPECT_EQ(c.items, items.size());
        EXPECT_TRUE(Saw("group-shown Display Utility"));
        if (c.items >= 2) {
            EXPECT_EQ("item Display Utility|Item 2|C:\\Program Files\\Display Utility\\", items[1]);
        }
    }
}

} // namespace
