// Values at their limits, texts the setup forms at the size of their buffers, and the files,
// record and start-up entry at their edges.
#include "setup_run.h"

using namespace setuptest;

namespace
{

const char kRunKey[] = "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";

// Every symbol takes limit-1 characters and refuses limit characters.
TEST_F(SetupRun, SymbolLimits)
{
    struct Case {
        const char* symbol;
        int limit;
    } cases[] = {
        {"UPDATE_SOURCE_PATH", 255},
        {"APP_BITMAP", 255},
        {"APP_TITLE", 255},
        {"APP_DEST_PATH", 255},
        {"STF_SRCDIR", 255},
        {"APP_PROGRAM_GROUP", 255},
        {"APP_PROGRAM_ITEM_NAME1", 255},
        {"APP_PROGRAM_ITEM_FILE1", 255},
        {"APP_STARTUP", 255},
        {"APP_INSTALL_UTILITY", 10},
        {"APP_INSTALL_DRIVER", 10},
        {"CLASS", 64},
        {"ID_1", 64},
        {"MORE_CLASS_1", 64},
        {"MORE_ID_1", 64},
    };
    for (const auto& c : cases) {
        for (int length : {c.limit - 1, c.limit}) {
            FreshMachine(mediumDir);
            // A value that changes nothing else: digits keep the choices as they were, and the
            // bitmap id stays the one our dialog library has.
            std::string value(length, '2');
            if (std::string(c.symbol) == "APP_BITMAP")
                value = "1" + std::string(length - 1, 'x');
            Config config = InfoOnly().Set("MORE_CLASS_1", "Display").Set("MORE_ID_1", "x");
            WriteConfig(config.Set(c.symbol, value));

            EXPECT_EQ(0, Run()) << c.symbol << " " << length;

            bool fits = length < c.limit;
            EXPECT_EQ(fits ? 0 : 1, Count(OverflowBox())) << c.symbol << " " << length;
            EXPECT_EQ(fits ? 0 : 1, Count("dialog 400")) << c.symbol << " " << length;
            EXPECT_EQ(1, Count("frame-end")) << c.symbol << " " << length;
            if (!fits) { // the box comes before the fatal dialog
                EXPECT_EQ(OverflowBox(), Lines("msgbox ").front()) << c.symbol;
            }
        }
    }
}

// The command line that starts the source-path helper fills the 256-byte work text.
TEST_F(SetupRun, HelperCommandLineAtItsBuffer)
{
    for (int dirLength : {239, 240}) { // "\"" + dir + "Brinmoor.EXE\" 0": 255 or 256 characters
        std::string dir = "C:\\" + std::string(dirLength - 4, 'm') + "\\";
        FreshMachine(dir);
        WriteConfig(InfoOnly().Set("UPDATE_SOURCE_PATH", "1"));

        EXPECT_EQ(0, Run());

        bool fits = dirLength == 239;
        ASSERT_EQ(fits ? 1u : 0u, winsim::Processes().size()) << dirLength;
        if (fits) {
            EXPECT_EQ(255u, winsim::Processes()[0].commandLine.size());
        }
        EXPECT_EQ(fits ? 0 : 1, Count(OverflowBox()));
        EXPECT_EQ(fits ? 0 : 1, Count("dialog 400"));
    }
}

// The configuration file's path must fit 260 bytes; otherwise opening it fails visibly.
TEST_F(SetupRun, ConfigurationPathAtItsBuffer)
{
    struct Case {
        int dirLength;
        bool opens;
    } cases[] = {{248, true}, {249, false}}; // dir + "setupNT.ini" is 259 or 260 characters
    for (const auto& c : cases) {
        std::string dir = "C:\\" + std::string(c.dirLength - 4, 'p') + "\\";
        FreshMachine(dir);
        winsim::SetModulePath(dir + "S.exe");
        WriteConfig(InfoOnly());

        EXPECT_EQ(0, Run());

        EXPECT_EQ(c.opens ? std::vector<std::string>{"100"} : std::vector<std::string>{"400"},
                  Dialogs())
            << c.dirLength;
    }
}

TEST_F(SetupRun, ModulePathTooLongForItsBufferOpensNothing)
{
    std::string dir = "C:\\" + std::string(250, 'q') + "\\";
    UseMedium(dir); // dir + "Tarnwick.exe" is past 260 bytes
    WriteConfig(InfoOnly());

    EXPECT_EQ(0, Run());

    EXPECT_EQ(std::vector<std::string>{"400"}, Dialogs());
}

// Item command lines and the start-up command fill a 256-byte buffer.
TEST_F(SetupRun, CommandLinesAtTheirBuffer)
{
    const std::string dest = "C:\\" + std::string(196, 'd') + "\\"; // 200 characters
    struct Case {
        const char* symbol;
        int length; // of the value after the destination
        bool fits;
    } cases[] = {
        {"APP_PROGRAM_ITEM_FILE1", 55, true},
        {"APP_PROGRAM_ITEM_FILE1", 56, false},
        {"APP_STARTUP", 53, true},
        {"APP_STARTUP", 54, false}, // plus two quotes
    };
    for (const auto& c : cases) {
        FreshMachine(mediumDir);
        Config config = FullInstall().Set("APP_DEST_PATH", dest).Set("APP_STARTUP", "s.exe");
        config.sections.clear();
        WriteConfig(config.Set(c.symbol, std::string(c.length, 'x')));

        EXPECT_EQ(0, Run()) << c.symbol << " " << c.length;

        EXPECT_EQ(c.fits ? 0 : 1, Count(OverflowBox())) << c.symbol << " " << c.length;
        EXPECT_EQ(c.fits ? 0 : 1, Count("dialog 400")) << c.symbol << " " << c.length;
        std::string data;
        DWORD type;
        EXPECT_EQ(c.fits, winsim::RegGet(kRunKey, "Display Utility", &type, &data))
            << c.symbol << " " << c.length;
    }
}

TEST_F(SetupRun, StartupEntryQuotesItsProgram)
{
    struct Case {
        const char* dest;
        const char* startup;
        const char* data;
    } cases[] = {
        {"C:\\Util\\", "u.exe", "\"C:\\Util\\u.exe\""},
        {"C:\\Program Files\\Util\\", "u.exe", "\"C:\\Program Files\\Util\\u.exe\""},
        {"C:\\Program Files\\Util\\", "u.exe /tray /q",
         "\"C:\\Program Files\\Util\\u.exe\" /tray /q"},
        {"C:\\Util\\", "bin\\u.exe -x", "\"C:\\Util\\bin\\u.exe\" -x"},
    };
    for (const auto& c : cases) {
        FreshMachine(mediumDir);
        WriteConfig(FullInstall().Set("APP_DEST_PATH", c.dest).Set("APP_STARTUP", c.startup));

        EXPECT_EQ(0, Run());

        DWORD type = 0;
        std::string data;
        ASSERT_TRUE(winsim::RegGet(kRunKey, "Display Utility", &type, &data)) << c.startup;
        EXPECT_EQ(REG_SZ, type);
        EXPECT_EQ(c.data, data); // the byte count leaves the terminating NUL out
    }
}

TEST_F(SetupRun, NoStartupFileLeavesTheRegistryAlone)
{
    WriteConfig(FullInstall().Set("APP_STARTUP", ""));
    winsim::RegPut(kRunKey, "Display Utility", REG_SZ, winsim::Sz("from an earlier setup"));
    winsim::FailCall("RegOpenKeyExA", 1, ERROR_ACCESS_DENIED); // would show any attempt

    EXPECT_EQ(0, Run());

    std::string data;
    DWORD type;
    ASSERT_TRUE(winsim::RegGet(kRunKey, "Display Utility", &type, &data));
    EXPECT_EQ(winsim::Sz("from an earlier setup"), data);
    for (const auto& call : winsim::CallLog())
        EXPECT_NE("RegOpenKeyExA", call);
}

TEST_F(SetupRun, RunKeyThatCannotBeOpenedIsPassedOver)
{
    WriteConfig(FullInstall());
    winsim::FailCall("RegOpenKeyExA", 1, ERROR_ACCESS_DENIED);

    EXPECT_EQ(0, Run());

    EXPECT_TRUE(winsim::RegValueNames(kRunKey).empty());
    EXPECT_TRUE(winsim::Exists("C:\\Windows\\velsetup.log"));
    EXPECT_EQ(std::vector<std::string>{WarningBox()}, Lines("msgbox ")); // no device present
    EXPECT_EQ(std::vector<std::string>{"6200"}, Dialogs());
}

// The Windows folder and its Fonts folder, from a drive root and from a normal folder.
TEST_F(SetupRun, WindowsAndFontsFolders)
{
    struct Case {
        const char* windowsDir;
        const char* win;
        const char* font;
    } cases[] = {
        {"C:\\Windows", "C:\\Windows\\dispcpl.ini", "C:\\Windows\\Fonts\\dispcpl.fon"},
        {"C:\\", "C:\\dispcpl.ini", "C:\\Fonts\\dispcpl.fon"},
    };
    for (const auto& c : cases) {
        FreshMachine(mediumDir);
        winsim::SetWindowsDir(c.windowsDir);
        WriteConfig(FullInstall());

        EXPECT_EQ(0, Run());

        EXPECT_TRUE(winsim::Exists(c.win)) << c.windowsDir;
        EXPECT_TRUE(winsim::Exists(c.font)) << c.windowsDir;
    }
}

TEST_F(SetupRun, FontsFolderPastItsBufferEndsVisibly)
{
    struct Case {
        int length; // of the Windows directory
        bool fits;
    } cases[] = {{253, true}, {254, false}}; // + "\Fonts": 259 or 260 characters
    for (const auto& c : cases) {
        FreshMachine(mediumDir);
        winsim::SetWindowsDir("C:\\" + std::string(c.length - 3, 'w'));
        WriteConfig(FullInstall());

        EXPECT_EQ(0, Run());

        EXPECT_EQ(c.fits ? 0 : 1, Count(OverflowBox())) << c.length;
        EXPECT_EQ(c.fits ? 0 : 1, Count("dialog 400")) << c.length;
    }
}

} // namespace
