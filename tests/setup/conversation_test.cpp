// The dialogs as a user meets them: events, quitting, the custom-install entries, bad paths.
#include "setup_run.h"

#include "state.h"

using namespace setuptest;

namespace
{

// What follows the first showing of the information dialog for each event text it leaves.
TEST_F(SetupRun, InformationDialogEventTexts)
{
    struct Case {
        const char* event;
        std::vector<std::string> dialogs;
    } cases[] = {
        {"CONTINUE", {"100"}},
        {"OC", {"100"}},                   // same two characters, other order
        {"COxxxxxxxxxxxx", {"100"}},       // 14 characters still fit
        {"CANCEL", {"100", "200", "100"}}, // asks to quit; declined; shown again
        {"ACzz", {"100", "200", "100"}},
        {"EXIT", {"100", "200", "100"}},
        {"", {"100", "100"}},  // no event: shown again
        {"C", {"100", "100"}}, // one character never matches
        {"ZZ", {"100", "100"}},
    };
    for (const auto& c : cases) {
        FreshMachine(mediumDir);
        WriteConfig(InfoOnly());
        Answers(std::string("[100]\nevent.1=") + c.event + "\nevent=CONTINUE\n");

        EXPECT_EQ(0, Run());

        EXPECT_EQ(c.dialogs, Dialogs()) << "'" << c.event << "'";
        EXPECT_TRUE(Saw(WarningBox())) << "'" << c.event << "'"; // the run went on to the end
    }
}

TEST_F(SetupRun, EventTextTooLongEndsWithOverflowThenFatalDialog)
{
    WriteConfig(InfoOnly());
    Answers("[100]\nevent=CONTINUExxxxxxx\n"); // 15 characters

    EXPECT_EQ(0, Run());

    EXPECT_EQ((std::vector<std::string>{"100", "400"}), Dialogs());
    EXPECT_EQ(1, Count(OverflowBox()));
    EXPECT_FALSE(Saw(WarningBox()));
    EXPECT_EQ(1, Count("frame-end"));
}

// Quitting from each dialog: confirmed ends the setup at once; declined shows it again.
TEST_F(SetupRun, QuitFromEachDialog)
{
    struct Case {
        const char* name;
        bool custom;
        const char* script;
        std::vector<std::string> dialogs;
        bool finished; // the run went on to install
    } cases[] = {
        {"info confirmed", false, "[100]\nevent=EXIT\n[200]\nevent=EXIT\n", {"100", "200"}, false},
        {"info declined",
         false,
         "[100]\nevent.1=CANCEL\n[200]\nevent=CONTINUE\n",
         {"100", "200", "100"},
         true},
        {"custom confirmed",
         true,
         "[6200]\nevent=EXIT\n[200]\nevent=EXIT\n",
         {"6200", "200"},
         false},
        {"custom declined",
         true,
         "[6200]\nevent.1=EXIT\n[200]\nevent=CANCEL\n",
         {"6200", "200", "6200"},
         true},
        {"bad path confirmed",
         true,
         "[6200]\nedit.1=\n[6400]\nevent=EXIT\n[200]\nevent=EXIT\n",
         {"6200", "6400", "200"},
         false},
        {"bad path declined",
         true,
         "[6200]\nedit.1=\n[6400]\nevent.1=EXIT\n[200]\nevent=CANCEL\n",
         {"6200", "6400", "200", "6400", "6200"},
         true},
        {"quit dialog unrecognised",
         false,
         "[100]\nevent.1=EXIT\n[200]\nevent.1=??\nevent=EXIT\n",
         {"100", "200", "200"},
         false},
    };
    for (const auto& c : cases) {
        FreshMachine(mediumDir);
        WriteConfig(c.custom ? FullInstall() : InfoOnly());
        Answers(c.script);

        EXPECT_EQ(0, Run()) << c.name;

        EXPECT_EQ(c.dialogs, Dialogs()) << c.name;
        EXPECT_EQ(c.finished, Saw(WarningBox())) << c.name;
        EXPECT_FALSE(Saw("dialog 400")) << c.name;
        EXPECT_EQ(1, Count("frame-end")) << c.name;
    }
}

TEST_F(SetupRun, ConfirmedQuitClosesEveryOpenDialog)
{
    WriteConfig(FullInstall());
    Answers("[6200]\nedit.1=\n[6400]\nevent=EXIT\n[200]\nevent=EXIT\n");

    EXPECT_EQ(0, Run());

    EXPECT_EQ((std::vector<std::string>{"close 200", "close 6400", "close 6200"}), Lines("close "));
    EXPECT_EQ("frame-end", Lines("frame-end").back());
}

TEST_F(SetupRun, CustomInstallHandsOverDestinationAndComponents)
{
    WriteConfig(FullInstall().Set("APP_DEST_PATH", "C:\\Util\\\\"));

    EXPECT_EQ(0, Run());

    EXPECT_EQ(std::vector<std::string>{"dialog-symbols 6200|EditTextIn=C:\\Util\\|EditFocus=END|"
                                       "StatusItemsText=Display Control Panel Utility;Windows NT "
                                       "Display Drivers|CheckItemsState=ON;ON"},
              Lines("dialog-symbols "));
}

// The destination the user leaves, and where the utility then goes.
TEST_F(SetupRun, DestinationRules)
{
    struct Case {
        const char* configured;
        const char* entered; // nullptr: left as offered
        std::vector<std::string> dialogs;
        const char* stored; // the record's path, or nullptr when the first entry was refused
    } cases[] = {
        {"C:\\", "C:\\", {"6200"}, "C:\\"}, // a root is offered as "C:", which names no folder
        {"C:\\Util", nullptr, {"6200"}, "C:\\Util\\"},
        {"C:\\Util", "D:\\Tools", {"6200"}, "D:\\Tools\\"},
        {"C:\\Util", "D:\\Tools\\", {"6200"}, "D:\\Tools\\"},
        {"C:\\Util", "", {"6200", "6400", "6200"}, nullptr},
        {"C:\\Util", "Tools", {"6200", "6400", "6200"}, nullptr},
        {"C:\\Util", "C:\\Setup", {"6200", "6400", "6200"}, nullptr},
        {"C:\\Util", "C:\\Setup\\", {"6200", "6400", "6200"}, nullptr},
        {"C:\\Util", "c:\\setup", {"6200"}, "c:\\setup\\"},
    };
    for (const auto& c : cases) {
        FreshMachine(mediumDir);
        Config config = FullInstall().Set("APP_DEST_PATH", c.configured);
        config.sections.clear(); // nothing to copy: the entries alone are under test
        config.Drop("APP_STARTUP");
        WriteConfig(config);
        if (c.entered)
            Answers(std::string("[6200]\nedit.1=") + c.entered + "\n");

        EXPECT_EQ(0, Run()) << c.entered;

        EXPECT_EQ(c.dialogs, Dialogs()) << (c.entered ? c.entered : "(offered)");
        std::string record;
        ASSERT_TRUE(winsim::GetFile("C:\\Windows\\velsetup.log", &record));
        std::string expected = c.stored ? c.stored : (std::string(c.configured) + "\\");
        EXPECT_NE(std::string::npos, record.find("path=" + expected + "\r\n")) << record;
    }
}

TEST_F(SetupRun, CancelConfirmsTheEntriesAndStatesSelectComponents)
{
    struct Case {
        const char* script;
        bool utility;
        bool driver;
    } cases[] = {
        {"[6200]\nevent=CANCEL\n", true, true},
        {"[6200]\nevent=whatever\ncheck=OFF ON\n", false, true},
        {"[6200]\ncheck=on ON\n", false, true},
        {"[6200]\ncheck=OFF OFF\n", false, false},
    };
    for (const auto& c : cases) {
        FreshMachine(mediumDir);
        WriteConfig(FullInstall());
        Answers(c.script);

        EXPECT_EQ(0, Run()) << c.script;

        EXPECT_EQ(std::vector<std::string>{"6200"}, Dialogs()) << c.script;
        EXPECT_EQ(c.utility, winsim::Exists("C:\\Windows\\velsetup.log")) << c.script;
        EXPECT_EQ(c.driver, Saw(WarningBox())) << c.script; // no device: a tried driver warns
    }
}

TEST_F(SetupRun, FatalDialogUntilAcknowledged)
{
    struct Case {
        const char* script;
        std::vector<std::string> dialogs;
    } cases[] = {
        {"", {"400"}},
        {"[400]\nevent.1=EXIT\nevent.2=\nevent.3=CANCEL\n", {"400", "400", "400"}},
        {"[400]\naction=quit\n", {"400"}}, // WM_QUIT while it is up: no second fatal dialog
    };
    for (const auto& c : cases) {
        FreshMachine(mediumDir); // and no setupNT.ini: opening it fails before any dialog
        Answers(c.script);

        EXPECT_EQ(0, Run()) << c.script;

        EXPECT_EQ(c.dialogs, Dialogs()) << c.script;
        EXPECT_EQ(1, Count("frame-end")) << c.script;
        EXPECT_EQ(1, Count("install-end")) << c.script;
    }
}

TEST_F(SetupRun, QuitMessageDuringAConversationEndsInTheFatalDialog)
{
    WriteConfig(InfoOnly());
    Answers("[100]\naction=quit\n");

    EXPECT_EQ(0, Run());

    EXPECT_EQ((std::vector<std::string>{"100", "400"}), Dialogs());
    EXPECT_FALSE(Saw(WarningBox()));
    EXPECT_EQ(1, Count("frame-end"));
}

TEST_F(SetupRun, FailingToolkitCallsEndInOneFatalDialog)
{
    for (const char* call : {"FDoDialogExt", "FSetBitmap", "FAddListItem", "FSetSymbolValue",
                             "FCreateProgManItem", "GrcCopyFilesInCopyList", "FRestoreCursor"}) {
        FreshMachine(mediumDir);
        WriteConfig(FullInstall());
        winsim::FailCall(call, 1, ERROR_GEN_FAILURE);

        EXPECT_EQ(0, Run()) << call;

        EXPECT_EQ(1, Count("dialog 400")) << call;
        EXPECT_EQ(1, Count("frame-end")) << call;
        EXPECT_FALSE(Saw(WarningBox())) << call;
    }
}

TEST_F(SetupRun, FrameThatCannotStartEndsQuietly)
{
    for (const char* call : {"InitializeFrame", "FInitializeInstall"}) {
        FreshMachine(mediumDir);
        WriteConfig(FullInstall());
        winsim::FailCall(call, 1, ERROR_GEN_FAILURE);

        EXPECT_EQ(0, Run()) << call;

        EXPECT_TRUE(Dialogs().empty()) << call;
        EXPECT_TRUE(Lines("msgbox ").empty()) << call;
        // Stopped once, by the start itself: only a frame that came up has anything to close.
        EXPECT_EQ(std::string(call) == "FInitializeInstall" ? 1 : 0, Count("frame-end")) << call;
    }
}

// The last-character walk, with the double-byte code page where 0x5C can be a second byte.
TEST(TrailingBackslash, AddAndStripByCharacters)
{
    struct Case {
        unsigned codePage;
        const char* text;
        const char* added;
        const char* stripped;
    } cases[] = {
        {1252, "", "\\", ""},
        {1252, "C:\\Util", "C:\\Util\\", "C:\\Util"},
        {1252, "C:\\Util\\", "C:\\Util\\", "C:\\Util"},
        {1252, "C:\\Util\\\\", "C:\\Util\\\\", "C:\\Util\\"},
        {1252, "C:\\", "C:\\", "C:"},
        {1252, "C:\\\x95\\", "C:\\\x95\\", "C:\\\x95"},    // 0x95 is no lead byte here
        {932, "C:\\\x95\\", "C:\\\x95\\\\", "C:\\\x95\\"}, // a double-byte character ends it
        {932, "C:\\\x95\\\\", "C:\\\x95\\\\", "C:\\\x95\\"},
    };
    for (const auto& c : cases) {
        winsim::Reset();
        winsim::SetCodePage(c.codePage);
        char buffer[64];
        snprintf(buffer, sizeof buffer, "%s", c.text);
        AddTrailingBackslash(buffer);
        EXPECT_STREQ(c.added, buffer) << c.codePage << " '" << c.text << "'";
        snprintf(buffer, sizeof buffer, "%s", c.text);
        StripTrailingBackslash(buffer);
        EXPECT_STREQ(c.stripped, buffer) << c.codePage << " '" << c.text << "'";
    }
}

} // namespace
