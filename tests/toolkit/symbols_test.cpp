// Reading symbols from the INF file, writing symbols, and lists.
#include "fixture.h"
#include "core.h"

#include <cstring>

namespace
{

const char* const kInf = "C:\\Media\\setupNT.ini";

TEST_F(ToolkitTest, SymbolsReadFromTheInfFile)
{
    std::string long300(300, 'x');
    WriteInf(kInf, "[Symbols]\r\n"
                   "  APP_TITLE =  Display Setup  \r\n"
                   "APP_BITMAP=\" 12ab\"\r\n"
                   "APP_DEST_PATH=\"C:\\Program Files\\Util\\\"\r\n"
                   "EMPTY=\r\n"
                   "QUOTES_ONLY=\"\"\r\n"
                   "INNER=a \"b\" c\r\n"
                   "; a comment\r\n"
                   "DUP=first\r\n"
                   "DUP=second\r\n"
                   "LONG=" +
                       long300 +
                       "\r\n"
                       "[app]\r\n"
                       "NOT_A_SYMBOL=1\r\n");
    struct Case {
        const char* name;
        int limit;
        int length;
        std::string text;
    } cases[] = {
        {"APP_TITLE", 255, 13, "Display Setup"},
        {"app_title", 255, 13, "Display Setup"}, // names ignore letter case
        {"APP_BITMAP", 255, 5, " 12ab"},
        {"APP_DEST_PATH", 255, 22, "C:\\Program Files\\Util\\"},
        {"EMPTY", 255, 0, ""},
        {"QUOTES_ONLY", 255, 0, ""},
        {"INNER", 255, 7, "a \"b\" c"},
        {"DUP", 255, 5, "first"},
        {"UNDEFINED", 255, 0, ""},
        {"NOT_A_SYMBOL", 255, 0, ""},
        {"STF_SRCDIR", 255, 9, "C:\\Media\\"},
        // A value that does not fit says its full length and leaves limit-1 characters.
        {"LONG", 255, 300, std::string(254, 'x')},
        {"APP_TITLE", 13, 13, "Display Setu"},
        {"APP_TITLE", 14, 13, "Display Setup"},
        {"APP_TITLE", 1, 13, ""},
    };
    for (const Case& c : cases) {
        char buffer[512];
        std::memset(buffer, '?', sizeof buffer);
        EXPECT_EQ(c.length, CbGetSymbolValue(c.name, buffer, c.limit)) << c.name << " " << c.limit;
        EXPECT_EQ(c.text, std::string(buffer)) << c.name << " " << c.limit;
        EXPECT_EQ('?', buffer[c.limit]) << "wrote past the limit: " << c.name;
    }
}

TEST_F(ToolkitTest, LimitZeroOnlyMeasures)
{
    WriteInf(kInf, "[Symbols]\r\nA=abc\r\n");
    char buffer[4] = {'?', '?', '?', '?'};
    EXPECT_EQ(3, CbGetSymbolValue("A", buffer, 0));
    EXPECT_EQ('?', buffer[0]);
    EXPECT_EQ(3, CbGetSymbolValue("A", nullptr, 10));
}

TEST_F(ToolkitTest, InfMayOverrideTheSourceDirectory)
{
    WriteInf(kInf, "[Symbols]\r\nstf_srcdir=D:\\Other\\\r\n");
    EXPECT_EQ("D:\\Other\\", Sym("STF_SRCDIR"));
}

TEST_F(ToolkitTest, LargeSymbolSectionIsReadToTheEnd)
{
    std::string inf = "[Symbols]\r\n";
    for (int i = 1; i <= 400; ++i)
        inf +=
            "SYMBOL_" + std::to_string(i) + "=" + std::string(40, 'v') + std::to_string(i) + "\r\n";
    WriteInf(kInf, inf);
    EXPECT_EQ(std::string(40, 'v') + "1", Sym("SYMBOL_1"));
    EXPECT_EQ(std::string(40, 'v') + "400", Sym("SYMBOL_400"));
}

TEST_F(ToolkitTest, OpenInfFailures)
{
    SetLastError(0);
    EXPECT_FALSE(FOpenInf("C:\\Media\\missing.ini", 1, 0));
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), GetLastError());
    winsim::MakeDir("C:\\Media\\folder.ini");
    EXPECT_FALSE(FOpenInf("C:\\Media\\folder.ini", 1, 0));

    // A line without '=' is refused when syntax is checked, and skipped when not.
    winsim::PutFile(kInf, "[Symbols]\r\nA=1\r\nnot a symbol\r\n");
    SetLastError(0);
    EXPECT_FALSE(FOpenInf(kInf, 1, 0));
    EXPECT_EQ(static_cast<DWORD>(ERROR_BAD_FORMAT), GetLastError());
    EXPECT_EQ("", Sym("A"));
    EXPECT_TRUE(FOpenInf(kInf, 0, 0));
    EXPECT_EQ("1", Sym("A"));
}

TEST_F(ToolkitTest, SetSymbolReplacesAndIsReadBack)
{
    EXPECT_TRUE(FSetSymbolValue("EditTextIn", "C:\\Util"));
    EXPECT_TRUE(FSetSymbolValue("EDITTEXTIN", "D:\\Util"));
    EXPECT_EQ("D:\\Util", Sym("EditTextIn"));
    EXPECT_TRUE(FSetSymbolValue("EditFocus", ""));
    EXPECT_EQ(0, CbGetSymbolValue("EditFocus", nullptr, 0));
    SetLastError(0);
    EXPECT_FALSE(FSetSymbolValue("", "x"));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
}

TEST_F(ToolkitTest, ListsAppendAndReadByIndexFromOne)
{
    EXPECT_EQ(0, UsGetListLength("CheckItemsState"));
    EXPECT_TRUE(FAddListItem("CheckItemsState", "ON"));
    EXPECT_TRUE(FAddListItem("CheckItemsState", "OFF"));
    EXPECT_TRUE(FAddListItem("StatusItemsText", std::string(300, 's').c_str()));
    EXPECT_EQ(2, UsGetListLength("checkitemsstate"));
    EXPECT_EQ(1, UsGetListLength("StatusItemsText"));
    EXPECT_EQ("ON", Item("CheckItemsState", 1));
    EXPECT_EQ("OFF", Item("CheckItemsState", 2));

    char buffer[8] = "garbage";
    EXPECT_EQ(0, CbGetListItem("CheckItemsState", 0, buffer, sizeof buffer));
    EXPECT_STREQ("", buffer);
    EXPECT_EQ(0, CbGetListItem("CheckItemsState", 3, buffer, sizeof buffer));
    EXPECT_EQ(0, CbGetListItem("NoSuchList", 1, buffer, sizeof buffer));
    char small[255];
    EXPECT_EQ(300, CbGetListItem("StatusItemsText", 1, small, sizeof small));
    EXPECT_EQ(254u, std::strlen(small));
}

TEST_F(ToolkitTest, ListsAndSymbolsAreSeparate)
{
    FSetSymbolValue("Name", "symbol");
    FAddListItem("Name", "item");
    EXPECT_EQ("symbol", Sym("Name"));
    EXPECT_EQ("item", Item("Name", 1));
}

} // namespace
