// Fault injection, the call log and whole-program runs in a child process.
#include "platform.h"
#include "winsim/machine.h"

#include <gtest/gtest.h>
#include <unistd.h>

namespace
{

class Machine : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        winsim::Reset();
    }
};

TEST_F(Machine, FaultsFireOnTheNthCallByNameOnceWithoutSideEffects)
{
    winsim::FailCall("CopyFileA", 2, ERROR_WRITE_PROTECT);
    winsim::PutFile("C:\\a", "x");
    EXPECT_TRUE(CopyFileA("C:\\a", "C:\\b", FALSE));
    SetLastError(0);
    EXPECT_FALSE(CopyFileA("C:\\a", "C:\\c", FALSE));
    EXPECT_EQ(DWORD(ERROR_WRITE_PROTECT), GetLastError());
    EXPECT_FALSE(winsim::Exists("C:\\c"));
    EXPECT_TRUE(CopyFileA("C:\\a", "C:\\c", FALSE)); // fired once only

    // Reg* functions return the error; handle-returning ones give their failure value.
    winsim::FailCall("RegOpenKeyExA", 1, ERROR_ACCESS_DENIED);
    HKEY key;
    EXPECT_EQ(ERROR_ACCESS_DENIED,
              RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE", 0, KEY_READ, &key));
    EXPECT_EQ(0, winsim::Open().keys);
    winsim::FailCall("SetupDiGetClassDevsA", 1, ERROR_NOT_ENOUGH_MEMORY);
    EXPECT_EQ(INVALID_HANDLE_VALUE,
              SetupDiGetClassDevsA(nullptr, nullptr, nullptr, DIGCF_ALLCLASSES));
    EXPECT_EQ(0, winsim::Open().deviceSets);
    winsim::FailCall("CM_Get_Device_IDA", 1, 0);
    char id[8];
    EXPECT_EQ(CONFIGRET(CR_FAILURE), CM_Get_Device_IDA(0, id, sizeof id, 0));
}

TEST_F(Machine, StarFaultCountsEveryCallAndLogNamesThem)
{
    winsim::FailCall("*", 3, ERROR_GEN_FAILURE);
    EXPECT_TRUE(winsim::ShouldFail("FOpenInf", nullptr) == false);
    char dir[MAX_PATH];
    EXPECT_NE(0u, GetWindowsDirectoryA(dir, sizeof dir));
    DWORD error = 0;
    EXPECT_TRUE(winsim::ShouldFail("FDoDialogExt", &error));
    EXPECT_EQ(DWORD(ERROR_GEN_FAILURE), error);
    EXPECT_EQ(3, winsim::CallCount());
    EXPECT_EQ((std::vector<std::string>{"FOpenInf", "GetWindowsDirectoryA", "FDoDialogExt"}),
              winsim::CallLog());
}

void (*volatile endProcess)(int) = exit;

void DeepExit(int depth)
{
    if (depth == 0) {
        MessageBoxA(nullptr, "bye", "deep", MB_OK);
        endProcess(7);
        return;
    }
    DeepExit(depth - 1);
}

TEST_F(Machine, ChildStateComesBackAfterExitFromDeepInside)
{
    winsim::PutFile("C:\\Setup\\in.txt", "in");
    int code = winsim::RunChild([] {
        HKEY key;
        RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Child", 0, nullptr, 0, KEY_ALL_ACCESS,
                        nullptr, &key, nullptr);
        RegSetValueExA(key, "V", 0, REG_SZ, (const BYTE*)"x", 2); // left open on purpose
        CopyFileA("C:\\Setup\\in.txt", "C:\\Setup\\out.txt", FALSE);
        DeepExit(5);
        return 0;
    });
    EXPECT_EQ(7, code);
    EXPECT_TRUE(winsim::RegHasValue("HKLM\\SOFTWARE\\Child", "V"));
    EXPECT_TRUE(winsim::Exists("C:\\Setup\\out.txt"));
    EXPECT_EQ((std::vector<std::string>{"msgbox 0|deep|bye"}), winsim::Journal());
    EXPECT_EQ(1, winsim::Open().keys);
    EXPECT_EQ("MessageBoxA", winsim::CallLog().back());
}

TEST_F(Machine, ChildThatHangsOrDiesGivesMinusOne)
{
    EXPECT_EQ(-1, winsim::RunChild(
                      [] {
                          for (;;)
                              pause();
                          return 0;
                      },
                      1));
    EXPECT_EQ(-1, winsim::RunChild([] {
        abort();
        return 0;
    }));
    EXPECT_EQ(3, winsim::RunChild([] { return 3; }));
}

} // namespace
