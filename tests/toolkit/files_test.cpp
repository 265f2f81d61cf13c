// Copying the files of INF sections, program groups and items, and the directory test.
#include "fixture.h"
#include "core.h"

namespace
{

const char* const kPrograms = "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs";

class CopyTest : public ToolkitTest
{
  protected:
    void SetUp() override
    {
        ToolkitTest::SetUp();
        InitializeFrame(const_cast<char*>(""));
        WriteInf("C:\\Media\\setupNT.ini", "[Symbols]\r\nA=1\r\n"
                                           "[app]\r\nutil.exe\r\n  help.txt  \r\n\r\n"
                                           "[fonts]\r\nsmall.fon\r\n");
        winsim::PutFile("C:\\Media\\util.exe", "new exe");
        winsim::PutFile("C:\\Media\\help.txt", "new help");
        winsim::PutFile("C:\\Media\\small.fon", "font");
    }
};

TEST_F(CopyTest, CopiesSectionsIntoNewFoldersAndOverReadOnlyFiles)
{
    winsim::PutFile("C:\\Old\\help.txt", "old help", FILE_ATTRIBUTE_READONLY);
    EXPECT_TRUE(ResetCopyList());
    ASSERT_TRUE(FAddSectionFilesToCopyList("app", "C:\\Media\\", "C:\\Old\\"));
    ASSERT_TRUE(FAddSectionFilesToCopyList("fonts", "C:\\Media\\", "C:\\Windows\\Fonts"));
    ASSERT_TRUE(FAddSectionFilesToCopyList("app", "C:\\Media\\", "C:\\New\\Deep\\"));
    ASSERT_TRUE(FAddSectionFilesToCopyList("absent", "C:\\Media\\", "C:\\New\\"));
    EXPECT_LE(GrcCopyFilesInCopyList(HinstFrame()), 0);

    std::string content;
    ASSERT_TRUE(winsim::GetFile("C:\\Old\\help.txt", &content));
    EXPECT_EQ("new help", content);
    ASSERT_TRUE(winsim::GetFile("C:\\New\\Deep\\util.exe", &content));
    EXPECT_EQ("new exe", content);
    EXPECT_TRUE(winsim::Exists("C:\\Windows\\Fonts\\small.fon"));
    EXPECT_EQ(
        (std::vector<std::string>{"copy C:\\Media\\util.exe -> C:\\Old\\util.exe",
                                  "copy C:\\Media\\help.txt -> C:\\Old\\help.txt",
                                  "copy C:\\Media\\small.fon -> C:\\Windows\\Fonts\\small.fon",
                                  "copy C:\\Media\\util.exe -> C:\\New\\Deep\\util.exe",
                                  "copy C:\\Media\\help.txt -> C:\\New\\Deep\\help.txt"}),
        winsim::JournalWith("copy "));
    EXPECT_TRUE(winsim::JournalWith("msgbox").empty());
}

TEST_F(CopyTest, MissingSourceFailsAfterNamingTheFile)
{
    WriteInf("C:\\Media\\setupNT.ini", "[app]\r\nutil.exe\r\ngone.txt\r\nhelp.txt\r\n");
    ASSERT_TRUE(FAddSectionFilesToCopyList("app", "C:\\Media", "C:\\Util"));
    EXPECT_GT(GrcCopyFilesInCopyList(HinstFrame()), 0);
    std::vector<std::string> boxes = winsim::JournalWith("msgbox ");
    ASSERT_EQ(1u, boxes.size());
    EXPECT_NE(std::string::npos, boxes[0].find("C:\\Media\\gone.txt"));
    EXPECT_TRUE(winsim::Exists("C:\\Util\\util.exe"));
    EXPECT_FALSE(winsim::Exists("C:\\Util\\help.txt")); // stops at the failure
}

TEST_F(CopyTest, ResetEmptiesTheListAndSectionsNeedAnOpenInf)
{
    ASSERT_TRUE(FAddSectionFilesToCopyList("app", "C:\\Media\\", "C:\\Util\\"));
    EXPECT_EQ(2u, tk::CopyList().size());
    EXPECT_TRUE(ResetCopyList());
    EXPECT_EQ(0, GrcCopyFilesInCopyList(HinstFrame()));
    EXPECT_TRUE(winsim::JournalWith("copy ").empty());

    TkReset();
    EXPECT_FALSE(FAddSectionFilesToCopyList("app", "C:\\Media\\", "C:\\Util\\"));
}

TEST_F(ToolkitTest, GroupsAndItemsAreFoldersAndLinks)
{
    winsim::PutFile("C:\\Program Files\\Util\\panel.exe", "exe");
    ASSERT_TRUE(FCreateProgManGroup("Display Utility", "", 1));
    ASSERT_TRUE(FCreateProgManGroup("Display Utility", "", 1)); // again: it exists
    ASSERT_TRUE(FShowProgManGroup("Display Utility", "1", 1));
    ASSERT_TRUE(FCreateProgManItem("Display Utility", "Panel",
                                   "C:\\Program Files\\Util\\panel.exe /small", 1024));
    std::string folder = std::string(kPrograms) + "\\Display Utility";
    EXPECT_TRUE(winsim::IsDir(folder));
    std::string link;
    ASSERT_TRUE(winsim::GetFile(folder + "\\Panel.lnk", &link));
    EXPECT_EQ("target=C:\\Program Files\\Util\\panel.exe\r\nargs=/small\r\n", link);
    EXPECT_EQ((std::vector<std::string>{"group Display Utility", "group Display Utility",
                                        "group-shown Display Utility"}),
              winsim::JournalWith("group"));
    EXPECT_EQ((std::vector<std::string>{
                  "item Display Utility|Panel|C:\\Program Files\\Util\\panel.exe /small"}),
              winsim::JournalWith("item "));
}

TEST_F(ToolkitTest, CommandLinesSplitAsWindowsResolvesThem)
{
    winsim::PutFile("C:\\Program Files\\Util\\panel.exe", "exe");
    winsim::PutFile("C:\\Tools\\run.exe", "exe");
    struct Case {
        const char* commandLine;
        const char* target;
        const char* arguments;
    } cases[] = {
        {"\"C:\\Program Files\\Util\\panel.exe\" -a b", "C:\\Program Files\\Util\\panel.exe",
         "-a b"},
        {"\"C:\\Missing Dir\\x.exe\"", "C:\\Missing Dir\\x.exe", ""},
        {"\"C:\\Unclosed\\x.exe -a", "C:\\Unclosed\\x.exe -a", ""},
        {"C:\\Program Files\\Util\\panel.exe", "C:\\Program Files\\Util\\panel.exe", ""},
        {"C:\\Program Files\\Util\\panel.exe  -a  b", "C:\\Program Files\\Util\\panel.exe",
         "-a  b"},
        // Nothing before a blank names a file: the whole text is the program.
        {"C:\\Program Files\\Util\\gone.exe -a", "C:\\Program Files\\Util\\gone.exe -a", ""},
        {"C:\\Tools\\run.exe", "C:\\Tools\\run.exe", ""},
        {"  C:\\Tools\\run.exe x", "C:\\Tools\\run.exe", "x"},
        // A folder is no program.
        {"C:\\Program Files\\Util /x", "C:\\Program Files\\Util /x", ""},
    };
    for (const Case& c : cases) {
        std::string target, arguments;
        tk::SplitCommandLine(c.commandLine, &target, &arguments);
        EXPECT_EQ(c.target, target) << c.commandLine;
        EXPECT_EQ(c.arguments, arguments) << c.commandLine;
    }
}

TEST_F(ToolkitTest, ItemsNeedTheirGroupAndPlainNames)
{
    SetLastError(0);
    EXPECT_FALSE(FCreateProgManItem("Nowhere", "Panel", "C:\\x.exe", 1024));
    EXPECT_EQ(static_cast<DWORD>(ERROR_PATH_NOT_FOUND), GetLastError());
    EXPECT_FALSE(FShowProgManGroup("Nowhere", "1", 1));
    for (const char* name : {"", "..", "..\\Startup", "a/b", "a:b", "a|b", "a*", "a?"})
        EXPECT_FALSE(FCreateProgManGroup(name, "", 1)) << name;
    ASSERT_TRUE(FCreateProgManGroup("Utility", "", 1));
    EXPECT_FALSE(FCreateProgManItem("Utility", "..\\..\\evil", "C:\\x.exe", 1024));
    EXPECT_EQ(std::vector<std::string>{"Utility"}, winsim::ListDir(kPrograms));
}

TEST_F(ToolkitTest, ValidDirAcceptsAbsolutePathsWindowsCouldCreate)
{
    struct Case {
        std::string path;
        bool valid;
    } cases[] = {
        {"C:\\", true},
        {"C:\\Program Files\\Util", true},
        {"c:\\util\\", true},
        {"D:\\a b\\c.d\\", true},
        {"\\\\server\\share", true},
        {"\\\\server\\share\\dir\\", true},
        {"", false},
        {"C:", false},
        {"C:util", false},
        {"Util\\Dir", false},
        {"\\Util", false},
        {"1:\\Util", false},
        {"\\\\server", false},
        {"\\\\server\\", false},
        {"\\\\\\share", false},
        {"\\\\.\\pipe", false},
        {"C:\\a<b", false},
        {"C:\\a>b", false},
        {"C:\\a\"b", false},
        {"C:\\a|b", false},
        {"C:\\a?", false},
        {"C:\\a*", false},
        {"C:\\a:b", false},
        {"C:\\a\tb", false},
        {"\\\\ser|ver\\share", false},
        {"C:\\" + std::string(240, 'a'), true},
        {"C:\\" + std::string(260, 'a'), false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.valid, FValidDir(c.path.c_str()) != 0) << c.path;
    EXPECT_FALSE(FValidDir(nullptr));
}

TEST_F(ToolkitTest, ValidDirLooksAtWholeDoubleByteCharacters)
{
    winsim::SetCodePage(932);
    // 0x83 0x7C is one Shift JIS character whose second byte is '|'.
    EXPECT_TRUE(FValidDir("C:\\\x83\x7C"));
    EXPECT_FALSE(FValidDir("C:\\a|"));
}

} // namespace
