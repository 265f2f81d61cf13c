// The frame, bitmaps, cursors, message boxes, and faults injected into toolkit calls.
#include "fixture.h"
#include "core.h"

#include <functional>

namespace
{

TEST_F(ToolkitTest, FrameStartsAndEnds)
{
    EXPECT_EQ(nullptr, HwndFrame());
    EXPECT_EQ(1, InitializeFrame(const_cast<char*>("")));
    EXPECT_NE(nullptr, HwndFrame());
    EXPECT_NE(nullptr, HinstFrame());
    EXPECT_TRUE(FInitializeInstall(HinstFrame(), HwndFrame()));
    EXPECT_TRUE(TerminateFrame());
    EXPECT_TRUE(TerminateInstall());
    EXPECT_EQ(nullptr, HwndFrame());
    EXPECT_EQ((std::vector<std::string>{"frame-end"}), winsim::JournalWith("frame-end"));
    EXPECT_EQ((std::vector<std::string>{"install-end"}), winsim::JournalWith("install-end"));
    EXPECT_TRUE(winsim::JournalWith("msgbox").empty());
}

TEST_F(ToolkitTest, UsageRequestEndsAtOnce)
{
    for (const char* commandLine : {"/?", "  /? /unattended"}) {
        TkReset();
        winsim::Reset();
        EXPECT_EQ(-1, InitializeFrame(const_cast<char*>(commandLine))) << commandLine;
        EXPECT_EQ(1u, winsim::JournalWith("msgbox ").size());
        EXPECT_EQ(nullptr, HwndFrame());
    }
    EXPECT_EQ(1, InitializeFrame(const_cast<char*>("/?x")));
}

TEST(FrameOptions, UnattendedAndLog)
{
    struct Case {
        const char* commandLine;
        bool usage, unattended;
        const char* answers;
        const char* log;
    } cases[] = {
        {"", false, false, "", ""},
        {"  /?", true, false, "", ""},
        {"/x /?", false, false, "", ""},
        {"/unattended", false, true, "", ""},
        {"/UNATTENDED=a.ini /log=C:\\setup.log", false, true, "a.ini", "C:\\setup.log"},
        {"/unattended=\"C:\\My Files\\a.ini\" other", false, true, "C:\\My Files\\a.ini", ""},
        {"/log", false, false, "", ""},
        {"/unattendedly", false, false, "", ""},
    };
    for (const Case& c : cases) {
        tk::FrameOptions options = tk::ParseFrameOptions(c.commandLine);
        EXPECT_EQ(c.usage, options.usage) << c.commandLine;
        EXPECT_EQ(c.unattended, options.unattended) << c.commandLine;
        EXPECT_EQ(c.answers, options.answerFile) << c.commandLine;
        EXPECT_EQ(c.log, options.logFile) << c.commandLine;
    }
}

TEST_F(ToolkitTest, BitmapsOfTheDialogLibrary)
{
    struct Case {
        const char* library;
        int id;
        bool ok;
    } cases[] = {
        {"mscuistf.dll", 0, true},  {"mscuistf.dll", 1, true},   {"MSCUISTF.DLL", 1, true},
        {"mscuistf.dll", 2, false}, {"mscuistf.dll", -1, false}, {"other.dll", 1, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.ok, FSetBitmap(c.library, c.id) != 0) << c.library << " " << c.id;
    EXPECT_EQ((std::vector<std::string>{"bitmap mscuistf.dll|0", "bitmap mscuistf.dll|1",
                                        "bitmap MSCUISTF.DLL|1"}),
              winsim::JournalWith("bitmap "));
}

TEST_F(ToolkitTest, WaitCursorTokensComeBackOnce)
{
    HCURSOR first = HShowWaitCursor();
    HCURSOR second = HShowWaitCursor();
    ASSERT_NE(nullptr, first);
    EXPECT_NE(first, second);
    EXPECT_TRUE(FRestoreCursor(second));
    EXPECT_FALSE(FRestoreCursor(second));
    EXPECT_TRUE(FRestoreCursor(first));
    EXPECT_FALSE(FRestoreCursor(nullptr));
}

TEST_F(ToolkitTest, MessageBoxGoesToTheFrame)
{
    InitializeFrame(const_cast<char*>(""));
    winsim::QueueMsgBoxAnswer(IDOK);
    EXPECT_EQ(IDOK, DoMsgBox("Buffer Overflow", "MS-Setup Error", 16));
    EXPECT_EQ((std::vector<std::string>{"msgbox 16|MS-Setup Error|Buffer Overflow"}),
              winsim::JournalWith("msgbox "));
}

// Every function fails as its contract says when the machine injects a fault into it.
TEST_F(ToolkitTest, InjectedFaultsFailWithTheirError)
{
    InitializeFrame(const_cast<char*>(""));
    winsim::PutFile("C:\\Media\\setupNT.ini", "[Symbols]\r\nA=abc\r\n");
    FOpenInf("C:\\Media\\setupNT.ini", 1, 0);
    FAddListItem("L", "x");
    char buffer[16];
    struct Case {
        const char* name;
        std::function<bool()> failed;
    } cases[] = {
        {"InitializeFrame", [] { return InitializeFrame(const_cast<char*>("")) == 0; }},
        {"HwndFrame", [] { return HwndFrame() == nullptr; }},
        {"HinstFrame", [] { return HinstFrame() == nullptr; }},
        {"FOpenInf", [] { return !FOpenInf("C:\\Media\\setupNT.ini", 1, 0); }},
        {"CbGetSymbolValue",
         [&] { return CbGetSymbolValue("A", buffer, 16) == 0 && buffer[0] == '\0'; }},
        {"UsGetListLength", [] { return UsGetListLength("L") == 0; }},
        {"CbGetListItem", [&] { return CbGetListItem("L", 1, buffer, 16) == 0; }},
        {"FAddListItem", [] { return !FAddListItem("L", "y"); }},
        {"FSetSymbolValue", [] { return !FSetSymbolValue("A", "b"); }},
        {"FSetBitmap", [] { return !FSetBitmap("mscuistf.dll", 1); }},
        {"HShowWaitCursor", [] { return HShowWaitCursor() == nullptr; }},
        {"FInitializeInstall", [] { return !FInitializeInstall(HinstFrame(), HwndFrame()); }},
        {"GrcCopyFilesInCopyList", [] { return GrcCopyFilesInCopyList(HinstFrame()) > 0; }},
        {"FCreateProgManGroup", [] { return !FCreateProgManGroup("G", "", 1); }},
        {"FDoDialogExt",
         [] {
             return !FDoDialogExt(HwndFrame(), "mscuistf.dll", 100, "FInfoDlgProc", "mscuistf.dll",
                                  900, "FHelpDlgProc");
         }},
        {"FKillNDialogs", [] { return !FKillNDialogs(-1); }},
        {"FValidDir", [] { return !FValidDir("C:\\Util"); }},
        {"DoMsgBox", [] { return DoMsgBox("t", "c", 0) == 0; }},
    };
    for (const Case& c : cases) {
        winsim::FailCall(c.name, 1, ERROR_ACCESS_DENIED);
        SetLastError(0);
        EXPECT_TRUE(c.failed()) << c.name;
        EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), GetLastError()) << c.name;
        winsim::ClearFaults();
    }
    EXPECT_TRUE(winsim::JournalWith("dialog ").empty());
    EXPECT_TRUE(winsim::JournalWith("msgbox").empty());
    EXPECT_EQ("abc", Sym("A")); // a failed call changed nothing
}

} // namespace
