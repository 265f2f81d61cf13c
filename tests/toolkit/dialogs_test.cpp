// The stack of open dialogs and the answer script that plays them.
#include "fixture.h"
#include "core.h"

namespace
{

const char* const kLib = "mscuistf.dll";

BOOL Show(int id, const char* proc = "FInfoDlgProc")
{
    return FDoDialogExt(HwndFrame(), kLib, id, proc, kLib, 900, "FHelpDlgProc");
}

BOOL ShowCustom(int id)
{
    return Show(id, "FCustInstDlgProc");
}

class DialogTest : public ToolkitTest
{
  protected:
    void SetUp() override
    {
        ToolkitTest::SetUp();
        ASSERT_EQ(1, InitializeFrame(const_cast<char*>("")));
    }

    // Symbols and lists as the custom-install conversation sets them before the first showing.
    static void PrepareCustom()
    {
        FSetSymbolValue("EditTextIn", "C:\\Util");
        FSetSymbolValue("EditFocus", "END");
        FAddListItem("CheckItemsState", "ON");
        FAddListItem("CheckItemsState", "ON");
        FAddListItem("StatusItemsText", "Utility");
        FAddListItem("StatusItemsText", "Drivers");
    }

    static bool QuitQueued()
    {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            if (msg.message == WM_QUIT)
                return true;
        return false;
    }
};

TEST_F(DialogTest, StackShowsTopAgainAndClosesInOrder)
{
    EXPECT_FALSE(FKillNDialogs(1)); // nothing open
    EXPECT_TRUE(FKillNDialogs(-1));
    ASSERT_TRUE(ShowCustom(6200));
    ASSERT_TRUE(Show(6400, "FInfo0DlgProc"));
    ASSERT_TRUE(Show(6400, "FInfo0DlgProc")); // shown again, not opened twice
    ASSERT_TRUE(Show(200, "FQuitDlgProc"));
    EXPECT_EQ((std::vector<int>{6200, 6400, 200}), tk::OpenDialogs());
    EXPECT_TRUE(FKillNDialogs(1));
    EXPECT_TRUE(FKillNDialogs(1));
    ASSERT_TRUE(ShowCustom(6200)); // the conversation beneath is on top again
    EXPECT_TRUE(FKillNDialogs(1));
    EXPECT_FALSE(FKillNDialogs(1));
    EXPECT_EQ((std::vector<std::string>{"dialog 6200", "dialog 6400", "dialog 6400", "dialog 200",
                                        "dialog 6200"}),
              winsim::JournalWith("dialog "));
    EXPECT_EQ((std::vector<std::string>{"close 200", "close 6400", "close 6200"}),
              winsim::JournalWith("close "));
}

TEST_F(DialogTest, KillAllClosesFromTheTop)
{
    Show(100);
    Show(200, "FQuitDlgProc");
    EXPECT_TRUE(FKillNDialogs(-1));
    EXPECT_EQ((std::vector<std::string>{"close 200", "close 100"}), winsim::JournalWith("close "));
    EXPECT_TRUE(tk::OpenDialogs().empty());
    EXPECT_FALSE(FKillNDialogs(0));
}

TEST_F(DialogTest, UnknownDialogsFailWithoutOpening)
{
    SetLastError(0);
    EXPECT_FALSE(Show(123));
    EXPECT_NE(0u, GetLastError());
    EXPECT_FALSE(FDoDialogExt(HwndFrame(), "other.dll", 100, "FInfoDlgProc", kLib, 900, nullptr));
    EXPECT_FALSE(FDoDialogExt(HwndFrame(), kLib, 100, "NoSuchProc", kLib, 900, nullptr));
    EXPECT_TRUE(FDoDialogExt(HwndFrame(), "C:\\Media\\MSCUISTF.DLL", 400, "FInfo0DlgProc", kLib, 0,
                             nullptr));
    EXPECT_EQ((std::vector<int>{400}), tk::OpenDialogs());
}

TEST_F(DialogTest, UnscriptedDialogsContinueAndQuitIsDeclined)
{
    for (int id : {100, 400, 6400, 6200}) {
        ASSERT_TRUE(Show(id, id == 6200 ? "FCustInstDlgProc" : "FInfo0DlgProc"));
        EXPECT_EQ("CONTINUE", Sym("DLGEVENT")) << id;
    }
    ASSERT_TRUE(Show(200, "FQuitDlgProc"));
    EXPECT_EQ("CANCEL", Sym("DLGEVENT"));
    EXPECT_FALSE(QuitQueued());
}

TEST_F(DialogTest, EventsPerShowing)
{
    TkSetAnswerScript("[100]\n"
                      "event.1 = EXIT\n"
                      "event.3 = \"\"\n"
                      "event = CONTINUE\n"
                      "event.4 = \" A very long event text\"\n"
                      "[200]\n"
                      "event.2=EXIT\n");
    const char* expected[] = {"EXIT", "CONTINUE", "", " A very long event text", "CONTINUE"};
    for (const char* event : expected) {
        ASSERT_TRUE(Show(100));
        char buffer[16];
        EXPECT_EQ(static_cast<int>(strlen(event)), CbGetSymbolValue("DLGEVENT", buffer, 15));
        EXPECT_EQ(event, Sym("DLGEVENT"));
    }
    // The count is per dialog id over the whole run, across openings.
    Show(200, "FQuitDlgProc");
    EXPECT_EQ("CANCEL", Sym("DLGEVENT"));
    FKillNDialogs(1);
    Show(200, "FQuitDlgProc");
    EXPECT_EQ("EXIT", Sym("DLGEVENT"));
}

TEST_F(DialogTest, CustomInstallEditAndChecks)
{
    PrepareCustom();
    TkSetAnswerScript("[6200]\n"
                      "edit.2 = D:\\New Place\n"
                      "check.2 = OFF ON\n"
                      "check.3 = on\n");
    ASSERT_TRUE(ShowCustom(6200));
    EXPECT_EQ("C:\\Util", Sym("EditTextOut")); // no edit: the offered text comes back
    EXPECT_EQ("ON", Item("CheckItemsState", 1));
    ASSERT_TRUE(ShowCustom(6200));
    EXPECT_EQ("D:\\New Place", Sym("EditTextOut"));
    EXPECT_EQ("OFF", Item("CheckItemsState", 1));
    EXPECT_EQ("ON", Item("CheckItemsState", 2));
    ASSERT_TRUE(ShowCustom(6200));
    EXPECT_EQ("C:\\Util", Sym("EditTextOut"));
    EXPECT_EQ("on", Item("CheckItemsState", 1)); // one state given: the second is left alone
    EXPECT_EQ("ON", Item("CheckItemsState", 2));
    EXPECT_EQ(2, UsGetListLength("CheckItemsState"));
    EXPECT_EQ((std::vector<std::string>{"dialog-symbols 6200|EditTextIn=C:\\Util|EditFocus=END|"
                                        "StatusItemsText=Utility;Drivers|CheckItemsState=ON;ON",
                                        "dialog-symbols 6200|EditTextIn=C:\\Util|EditFocus=END|"
                                        "StatusItemsText=Utility;Drivers|CheckItemsState=ON;ON",
                                        "dialog-symbols 6200|EditTextIn=C:\\Util|EditFocus=END|"
                                        "StatusItemsText=Utility;Drivers|CheckItemsState=OFF;ON"}),
              winsim::JournalWith("dialog-symbols "));
}

TEST_F(DialogTest, DriverComponentIsFixedInTheNoDriverDialog)
{
    PrepareCustom();
    TkSetAnswerScript("[6201]\ncheck = OFF OFF\n");
    ASSERT_TRUE(ShowCustom(6201));
    EXPECT_EQ("OFF", Item("CheckItemsState", 1));
    EXPECT_EQ("ON", Item("CheckItemsState", 2));
}

TEST_F(DialogTest, ChecksAddNoEntriesTheCallerDidNotList)
{
    FAddListItem("CheckItemsState", "ON");
    TkSetAnswerScript("[6200]\ncheck = OFF OFF\n");
    ASSERT_TRUE(ShowCustom(6200));
    EXPECT_EQ(1, UsGetListLength("CheckItemsState"));
    EXPECT_EQ("OFF", Item("CheckItemsState", 1));
}

TEST_F(DialogTest, QuitActionPostsQuitOnThatShowingOnly)
{
    TkSetAnswerScript("[100]\naction.2 = quit\n");
    ASSERT_TRUE(Show(100));
    EXPECT_FALSE(QuitQueued());
    ASSERT_TRUE(Show(100));
    EXPECT_EQ("CONTINUE", Sym("DLGEVENT"));
    EXPECT_TRUE(QuitQueued());
    ASSERT_TRUE(Show(100));
    EXPECT_FALSE(QuitQueued());
}

TEST_F(DialogTest, EndlessScriptMeetsTheGuard)
{
    // Information dialog asks to quit, quit is declined, for ever: the open information
    // dialog is shown 100 times, then the toolkit gives up.
    TkSetAnswerScript("[100]\nevent = EXIT\n");
    int shown = 0;
    while (Show(100)) {
        ASSERT_LT(++shown, 1000);
        ASSERT_TRUE(Show(200, "FQuitDlgProc"));
        ASSERT_TRUE(FKillNDialogs(1));
    }
    EXPECT_EQ(tk::kMaxShowingsInARow, shown);
    // Closed and opened anew, the dialog counts from the start again.
    ASSERT_TRUE(FKillNDialogs(-1));
    EXPECT_TRUE(Show(100));
}

TEST(AnswerScriptParse, RejectsMistakes)
{
    const char* bad[] = {
        "event=EXIT\n",           // outside a section
        "[6200]\nevnt=EXIT\n",    // unknown key
        "[6200]\nevent.0=EXIT\n", // showings count from 1
        "[6200]\nevent.x=EXIT\n",
        "[6200]\nevent=A\nevent=B\n", // twice
        "[123]\nevent=EXIT\n",        // no such dialog
        "[6200\nevent=EXIT\n",
        "[6200]\naction=explode\n",
        "[6200]\ncheck=ON ON ON\n",
        "[msgbox]\nanswer=MAYBE\n",
        "[6200]\njust text\n",
    };
    for (const char* text : bad) {
        tk::AnswerScript script;
        std::string error;
        EXPECT_FALSE(script.Parse(text, &error)) << text;
        EXPECT_FALSE(error.empty());
    }
    tk::AnswerScript script;
    std::string error;
    EXPECT_TRUE(script.Parse("; comment\r\n# also\r\n\r\n[ 6200 ]\r\nEVENT.2 = EXIT\r\n"
                             "[MsgBox]\r\nanswer.1=yes\r\n",
                             &error))
        << error;
    EXPECT_EQ("EXIT", script.Answer(6200, 2).event);
    EXPECT_EQ("CONTINUE", script.Answer(6200, 1).event);
}

TEST(AnswerScriptMessageBoxes, ScriptedThenDefault)
{
    tk::AnswerScript script;
    std::string error;
    ASSERT_TRUE(script.Parse("[msgbox]\nanswer.1 = YES\nanswer.2 = RETRY\n", &error));
    struct Case {
        UINT style;
        int box;
        int answer;
    } cases[] = {
        {MB_YESNO, 1, IDYES},
        {MB_OK, 1, IDOK}, // YES is no button of an OK box: the default
        {MB_RETRYCANCEL | MB_ICONSTOP, 2, IDRETRY},
        {MB_OK | MB_ICONSTOP, 3, IDOK},
        {MB_YESNO, 3, IDNO},
        {MB_YESNOCANCEL, 3, IDNO},
        {MB_OKCANCEL, 3, IDCANCEL},
        {MB_RETRYCANCEL, 3, IDCANCEL},
        {MB_ABORTRETRYIGNORE, 3, IDABORT},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.answer, script.MessageBoxAnswer(c.style, c.box)) << c.style << " " << c.box;
}

} // namespace
