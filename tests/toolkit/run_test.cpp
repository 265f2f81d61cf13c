// A run from frame start to frame end: the answer file named on the command line, and the
// outcome the run reports when the frame closes.
#include "calls.h"
#include "core.h"
#include "fixture.h"

#include <functional>

namespace
{

const char* const kLib = "mscuistf.dll";

BOOL Show(int id, const char* proc)
{
    return FDoDialogExt(HwndFrame(), kLib, id, proc, kLib, 0, nullptr);
}

std::vector<std::string> Outcomes()
{
    return TkOutcomes();
}

class RunTest : public ToolkitTest
{
  protected:
    void Start(const char* commandLine = "")
    {
        ASSERT_EQ(1, InitializeFrame(const_cast<char*>(commandLine)));
        ASSERT_TRUE(FInitializeInstall(HinstFrame(), HwndFrame()));
    }
};

TEST(EventCodes, OurEventTextsClassifyAsTheProgramExpects)
{
    EXPECT_EQ(tk::kEventProceed, tk::EventCode("CONTINUE"));
    EXPECT_EQ(tk::kEventCancel, tk::EventCode("CANCEL"));
    EXPECT_EQ(tk::kEventExit, tk::EventCode("EXIT"));
    EXPECT_EQ(tk::EventCode("XE"), tk::EventCode("EXIT")); // the first two bytes, either order
    EXPECT_EQ('X', tk::EventCode("X"));
    EXPECT_EQ(0, tk::EventCode(""));
}

// The last line of an unattended log: what the run came to, and why when it failed.
TEST_F(RunTest, OutcomeOfTheRun)
{
    struct Case {
        const char* name;
        const char* script;
        std::function<void()> run;
        const char* outcome; // a failure's reason is matched by its beginning
    } cases[] = {
        {"finished", "",
         [] {
             Show(100, "FInfoDlgProc");
             FKillNDialogs(1);
         },
         "completed"},
        {"quit confirmed", "[200]\nevent=EXIT\n",
         [] {
             Show(100, "FInfoDlgProc");
             Show(200, "FQuitDlgProc");
             FKillNDialogs(-1);
         },
         "abandoned by the user"},
        {"quit declined, then finished", "[200]\nevent.1=CANCEL\n",
         [] {
             Show(200, "FQuitDlgProc");
             FKillNDialogs(1);
         },
         "completed"},
        {"failed call, then the fatal dialog", "",
         [] {
             FOpenInf("C:\\Media\\missing.ini", 1, 0);
             Show(400, "FInfo0DlgProc");
         },
         "failed: FOpenInf failed: "},
        {"error message, then the fatal dialog", "",
         [] {
             winsim::QueueMsgBoxAnswer(IDOK);
             DoMsgBox("Buffer Overflow", "MS-Setup Error", 16);
             Show(400, "FInfo0DlgProc");
         },
         "failed: Buffer Overflow"},
        {"quit confirmed, then a failure", "[200]\nevent=EXIT\n",
         [] {
             Show(200, "FQuitDlgProc");
             FKillNDialogs(-1);
             Show(400, "FInfo0DlgProc");
         },
         "failed: "},
    };
    for (const Case& c : cases) {
        winsim::Reset();
        TkReset();
        TkSetAnswerScript(c.script);
        Start();
        c.run();
        EXPECT_TRUE(TerminateFrame()) << c.name;
        TerminateInstall();
        std::vector<std::string> outcomes = Outcomes();
        ASSERT_EQ(1u, outcomes.size()) << c.name;
        EXPECT_EQ(0u, outcomes[0].find(c.outcome)) << c.name << ": " << outcomes[0];
    }
}

TEST_F(RunTest, CopyFailureNamesTheFileAsTheReason)
{
    Start();
    WriteInf("C:\\Media\\setupNT.ini", "[Symbols]\r\n[app]\r\nmissing.exe\r\n");
    ASSERT_TRUE(FAddSectionFilesToCopyList("app", "C:\\Media\\", "C:\\Util\\"));
    winsim::QueueMsgBoxAnswer(IDOK);
    EXPECT_GT(GrcCopyFilesInCopyList(HinstFrame()), 0);
    Show(400, "FInfo0DlgProc");
    TerminateFrame();
    ASSERT_EQ(1u, Outcomes().size());
    EXPECT_NE(std::string::npos, Outcomes()[0].find("C:\\Media\\missing.exe")) << Outcomes()[0];
}

TEST_F(RunTest, InstallLibraryThatNeverStartedIsAFailure)
{
    ASSERT_EQ(1, InitializeFrame(const_cast<char*>("")));
    winsim::FailCall("FInitializeInstall", 1, ERROR_ACCESS_DENIED);
    EXPECT_FALSE(FInitializeInstall(HinstFrame(), HwndFrame()));
    TerminateFrame();
    EXPECT_FALSE(TerminateFrame()); // a second end reports nothing more
    ASSERT_EQ(1u, Outcomes().size());
    EXPECT_EQ(0u, Outcomes()[0].find("failed: FInitializeInstall failed: ")) << Outcomes()[0];
}

TEST_F(RunTest, AnswerFileFromTheCommandLine)
{
    winsim::PutFile("C:\\My Answers\\a.ini", "[100]\r\nevent.2=EXIT\r\n");
    Start("/unattended=\"C:\\My Answers\\a.ini\" /log=C:\\setup.log");
    char event[16];
    for (const char* expected : {"CONTINUE", "EXIT", "CONTINUE"}) {
        ASSERT_TRUE(Show(100, "FInfoDlgProc"));
        CbGetSymbolValue("DLGEVENT", event, sizeof event);
        EXPECT_STREQ(expected, event);
    }
}

TEST_F(RunTest, UnusableAnswerFileStopsTheRunBeforeTheFrame)
{
    winsim::PutFile("C:\\bad.ini", "[100]\r\nevent=CONTINUE\r\n[7]\r\n");
    struct Case {
        const char* commandLine;
        const char* reason;
    } cases[] = {
        {"/unattended=C:\\bad.ini", "failed: answer file C:\\bad.ini, line 3: unknown section [7]"},
        {"/unattended=C:\\none.ini", "failed: answer file C:\\none.ini: "},
    };
    for (const Case& c : cases) {
        winsim::Reset();
        TkReset();
        winsim::PutFile("C:\\bad.ini", "[100]\r\nevent=CONTINUE\r\n[7]\r\n");
        SetLastError(0);
        EXPECT_EQ(0, InitializeFrame(const_cast<char*>(c.commandLine))) << c.commandLine;
        EXPECT_NE(0u, GetLastError());
        EXPECT_EQ(nullptr, HwndFrame());
        ASSERT_EQ(1u, Outcomes().size()) << c.commandLine;
        EXPECT_EQ(0u, Outcomes()[0].find(c.reason)) << Outcomes()[0];
        // The program's StopSetup that follows adds nothing.
        EXPECT_FALSE(TerminateFrame());
        EXPECT_EQ(1u, Outcomes().size());
    }
}

// What the dialog library's custom-install procedure writes back into the caller's list.
TEST_F(RunTest, ReplacingAListEntryNeedsAnExistingEntry)
{
    FAddListItem("CheckItemsState", "ON");
    FAddListItem("CheckItemsState", "ON");
    EXPECT_TRUE(TkFReplaceListItem("CheckItemsState", 2, "OFF"));
    EXPECT_EQ("ON", Item("CheckItemsState", 1));
    EXPECT_EQ("OFF", Item("CheckItemsState", 2));
    for (unsigned short index : {0, 3})
        EXPECT_FALSE(TkFReplaceListItem("CheckItemsState", index, "OFF")) << index;
    EXPECT_FALSE(TkFReplaceListItem("NoSuchList", 1, "OFF"));
    EXPECT_EQ(2, UsGetListLength("CheckItemsState"));
}

} // namespace
