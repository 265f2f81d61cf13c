// Character stepping, upper-casing, message texts, WinExec and the message queue.
#include "platform.h"
#include "winsim/machine.h"

#include <gtest/gtest.h>

namespace
{

class Text : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        winsim::Reset();
    }
};

TEST_F(Text, CharNextInShiftJisKeepsTrailBytesAndStopsAtNul)
{
    winsim::SetCodePage(932);
    // 0x95 0x5C is one character whose trail byte is a backslash; a lone lead byte before NUL.
    const char s[] = "\x95\x5C"
                     "a\x81";
    const char* p = s;
    p = CharNextA(p);
    EXPECT_EQ(s + 2, p);
    p = CharNextA(p);
    EXPECT_EQ(s + 3, p);
    p = CharNextA(p);
    EXPECT_EQ(s + 4, p);
    EXPECT_EQ(s + 4, CharNextA(p));

    winsim::SetCodePage(1252);
    EXPECT_EQ(s + 1, CharNextA(s));
}

TEST_F(Text, CharUpperByCodePage)
{
    char latin[] = "pci\\ven_abc\xE9\xF7\xFF";
    CharUpperA(latin);
    EXPECT_STREQ("PCI\\VEN_ABC\xC9\xF7\x9F", latin);

    winsim::SetCodePage(932);
    char sjis[] = "a\x82\x61z";
    CharUpperA(sjis);
    EXPECT_STREQ("A\x82\x61Z", sjis);
}

TEST_F(Text, CompareAndCopy)
{
    EXPECT_EQ(0, lstrcmpA("C:\\A", "C:\\A"));
    EXPECT_NE(0, lstrcmpA("C:\\A", "c:\\a"));
    EXPECT_EQ(0, lstrcmpiA("C:\\A", "c:\\a"));
    EXPECT_LT(lstrcmpA("a", "b"), 0);
    EXPECT_GT(lstrcmpiA("B", "a"), 0);
    char buf[4];
    EXPECT_EQ(buf, lstrcpynA(buf, "abcdef", sizeof buf));
    EXPECT_STREQ("abc", buf);
    EXPECT_EQ(3, lstrlenA(buf));
}

TEST_F(Text, FormatMessageAllocatesSystemTextsOnly)
{
    char* text = nullptr;
    DWORD n = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM, nullptr,
                             ERROR_NO_COMPAT_DRIVERS, LANG_USER_DEFAULT, (LPSTR)&text, 0, nullptr);
    ASSERT_NE(nullptr, text);
    EXPECT_EQ(strlen(text), n);
    EXPECT_EQ("\r\n", std::string(text + n - 2));
    EXPECT_EQ(1, winsim::LocalBlocks());
    EXPECT_EQ(nullptr, LocalFree(text));
    EXPECT_EQ(0, winsim::LocalBlocks());

    text = nullptr;
    SetLastError(0);
    EXPECT_EQ(0u, FormatMessageA(0x1100, nullptr, 0xDEAD, 0x400, (LPSTR)&text, 0, nullptr));
    EXPECT_EQ(DWORD(ERROR_MR_MID_NOT_FOUND), GetLastError());
    EXPECT_EQ(nullptr, text);
    EXPECT_EQ(0, winsim::LocalBlocks());
}

class Exec : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        winsim::Reset();
    }
};

TEST_F(Exec, ArgumentTextRule)
{
    struct {
        const char* line;
        const char* args;
    } cases[] = {
        {"\"C:\\Program Files\\b.exe\"  0", "0"},
        {"C:\\Setup\\b.EXE 0", "0"},
        {"C:\\Setup\\b.EXE\t \t1 x", "1 x"},
        {"b.exe", ""},
        {"\"unclosed 0", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.args, winsim::ArgumentText(c.line)) << c.line;
}

TEST_F(Exec, UnquotedPathWithBlanksResolvesLikeWindows)
{
    winsim::PutFile("C:\\Program Files\\Setup\\Brinmoor.EXE", "MZ");
    // Without C:\Program.exe the whole path is found.
    EXPECT_EQ(33u, WinExec("C:\\Program Files\\Setup\\Brinmoor.EXE 0", SW_HIDE));
    // With it, the shortest prefix wins and starts the wrong program.
    winsim::PutFile("C:\\Program.exe", "MZ");
    EXPECT_EQ(33u, WinExec("C:\\Program Files\\Setup\\Brinmoor.EXE 0", SW_HIDE));
    EXPECT_EQ(33u, WinExec("\"C:\\Program Files\\Setup\\Brinmoor.EXE\" 0", SW_HIDE));
    EXPECT_EQ(DWORD(ERROR_FILE_NOT_FOUND), WinExec("C:\\Nowhere\\x.exe 0", SW_HIDE));

    auto processes = winsim::Processes();
    ASSERT_EQ(3u, processes.size());
    EXPECT_EQ("C:\\Program Files\\Setup\\Brinmoor.EXE", processes[0].program);
    EXPECT_EQ("C:\\Program.exe", processes[1].program);
    EXPECT_EQ("Files\\Setup\\Brinmoor.EXE 0", processes[1].argumentText);
    EXPECT_EQ("C:\\Program Files\\Setup\\Brinmoor.EXE", processes[2].program);
    EXPECT_EQ("0", processes[2].argumentText);
    EXPECT_EQ(0u, processes[2].show);
    EXPECT_EQ("winexec 0|C:\\Program Files\\Setup\\Brinmoor.EXE 0", winsim::Journal()[0]);
}

TEST_F(Exec, MessageBoxesAndQueue)
{
    HWND frame = winsim::AddWindow("Frame");
    winsim::QueueMsgBoxAnswer(IDNO);
    EXPECT_EQ(IDNO, MessageBoxA(frame, "Quit?", "Setup", MB_YESNO));
    EXPECT_EQ(IDYES, MessageBoxA(nullptr, "Again?", "Setup", MB_YESNO));
    EXPECT_EQ(IDOK, MessageBoxA(nullptr, "Buffer Overflow", "MS-Setup Error", 16));
    EXPECT_EQ((std::vector<std::string>{"msgbox 4|Setup|Quit?", "msgbox 4|Setup|Again?",
                                        "msgbox 16|MS-Setup Error|Buffer Overflow"}),
              winsim::JournalWith("msgbox"));

    EXPECT_TRUE(SetWindowPos(frame, nullptr, 0, 0, GetSystemMetrics(SM_CXSCREEN),
                             GetSystemMetrics(SM_CYSCREEN), SWP_NOZORDER));
    EXPECT_EQ(1024, winsim::WindowPlacement(frame).cx);
    EXPECT_EQ(768, winsim::WindowPlacement(frame).cy);

    winsim::QueueMessage(frame, WM_USER);
    winsim::PostQuit();
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(UINT(WM_USER), msg.message);
    DispatchMessageA(&msg);
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(UINT(WM_QUIT), msg.message);
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(1, winsim::Dispatched());
}

} // namespace
