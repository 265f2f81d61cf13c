// Registry, file and profile calls of the simulated Windows, checked the way Windows behaves.
#include "platform.h"
#include "winsim/machine.h"

#include <gtest/gtest.h>

namespace
{

const char kSetupKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Setup";
const std::string kSetupPath = std::string("HKLM\\") + kSetupKey;

class Registry : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        winsim::Reset();
    }
};

TEST_F(Registry, QueryReportsSizeAndMoreDataWithoutWriting)
{
    winsim::RegPut(kSetupPath, "SourcePath", REG_SZ, winsim::Sz("D:\\I386"));
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS,
              RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSetupKey, 0, KEY_QUERY_VALUE, &key));

    DWORD size = 0, type = 0;
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(key, "sourcepath", nullptr, &type, nullptr, &size));
    EXPECT_EQ(8u, size);
    EXPECT_EQ(DWORD(REG_SZ), type);

    char small[4] = {'x', 'x', 'x', 'x'};
    size = sizeof small;
    EXPECT_EQ(ERROR_MORE_DATA,
              RegQueryValueExA(key, "SourcePath", nullptr, nullptr, (LPBYTE)small, &size));
    EXPECT_EQ(8u, size);
    EXPECT_EQ('x', small[0]);

    char buf[16];
    size = sizeof buf;
    EXPECT_EQ(ERROR_SUCCESS,
              RegQueryValueExA(key, "SourcePath", nullptr, nullptr, (LPBYTE)buf, &size));
    EXPECT_STREQ("D:\\I386", buf);
    EXPECT_EQ(ERROR_FILE_NOT_FOUND,
              RegQueryValueExA(key, "Missing", nullptr, nullptr, (LPBYTE)buf, &size));
    EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(key));
    EXPECT_EQ(0, winsim::Open().keys);
}

TEST_F(Registry, AccessRightsOfTheHandleAreHonoured)
{
    winsim::RegPut(kSetupPath, "V", REG_SZ, winsim::Sz("a"));
    HKEY writeOnly, readOnly;
    ASSERT_EQ(ERROR_SUCCESS,
              RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSetupKey, 0, KEY_SET_VALUE, &writeOnly));
    ASSERT_EQ(ERROR_SUCCESS,
              RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSetupKey, 0, KEY_QUERY_VALUE, &readOnly));
    DWORD size = 0;
    EXPECT_EQ(ERROR_ACCESS_DENIED,
              RegQueryValueExA(writeOnly, "V", nullptr, nullptr, nullptr, &size));
    EXPECT_EQ(ERROR_ACCESS_DENIED, RegSetValueExA(readOnly, "V", 0, REG_SZ, (const BYTE*)"b", 1));
    EXPECT_EQ(ERROR_ACCESS_DENIED, RegDeleteValueA(readOnly, "V"));
    HKEY sub;
    EXPECT_EQ(ERROR_ACCESS_DENIED, RegCreateKeyExA(readOnly, "New", 0, nullptr, 0, KEY_ALL_ACCESS,
                                                   nullptr, &sub, nullptr));
    EXPECT_FALSE(winsim::RegHasKey(kSetupPath + "\\New"));
    RegCloseKey(writeOnly);
    RegCloseKey(readOnly);
}

TEST_F(Registry, OpenCreateAndHandleErrors)
{
    HKEY key = (HKEY)1;
    EXPECT_EQ(ERROR_FILE_NOT_FOUND,
              RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Nope", 0, KEY_READ, &key));
    EXPECT_EQ(nullptr, key);
    EXPECT_EQ(ERROR_INVALID_HANDLE, RegOpenKeyExA((HKEY)0x1234, "X", 0, KEY_READ, &key));
    EXPECT_EQ(ERROR_INVALID_HANDLE, RegCloseKey((HKEY)0x1234));

    DWORD disposition = 0;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SYSTEM\\A\\B", 0, (LPSTR) "",
                                             REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key,
                                             &disposition));
    EXPECT_EQ(DWORD(REG_CREATED_NEW_KEY), disposition);
    EXPECT_TRUE(winsim::RegHasKey("HKLM\\system\\a"));
    RegCloseKey(key);
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SYSTEM\\A\\B", 0, nullptr, 0,
                                             KEY_ALL_ACCESS, nullptr, &key, &disposition));
    EXPECT_EQ(DWORD(REG_OPENED_EXISTING_KEY), disposition);
    EXPECT_EQ(1, winsim::Open().keys);
    RegCloseKey(key);
}

TEST_F(Registry, SetStoresExactlyTheBytesGiven)
{
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSetupKey, 0, 3, &key));
    EXPECT_EQ(ERROR_SUCCESS, RegSetValueExA(key, "NoNul", 0, REG_SZ, (const BYTE*)"C:\\X\\", 5));
    DWORD type;
    std::string data;
    ASSERT_TRUE(winsim::RegGet(kSetupPath, "NoNul", &type, &data));
    EXPECT_EQ(std::string("C:\\X\\"), data);
    EXPECT_EQ(ERROR_SUCCESS, RegDeleteValueA(key, "nonul"));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegDeleteValueA(key, "NoNul"));
    RegCloseKey(key);
}

class Files : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        winsim::Reset();
    }
};

TEST_F(Files, CopyFileFollowsWindowsRules)
{
    winsim::PutFile("C:\\Src\\a.txt", "new", FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE);
    winsim::PutFile("C:\\Dst\\ro.txt", "old", FILE_ATTRIBUTE_READONLY);
    winsim::PutFile("C:\\Dst\\rw.txt", "old");
    struct Case {
        const char* from;
        const char* to;
        BOOL failIfExists;
        BOOL result;
        DWORD error;
    } cases[] = {
        {"C:\\Src\\missing", "C:\\Dst\\x", FALSE, FALSE, ERROR_FILE_NOT_FOUND},
        {"C:\\Nowhere\\a", "C:\\Dst\\x", FALSE, FALSE, ERROR_PATH_NOT_FOUND},
        {"C:\\Src\\a.txt", "C:\\NoDir\\x", FALSE, FALSE, ERROR_PATH_NOT_FOUND},
        {"C:\\Src\\a.txt", "C:\\Dst\\ro.txt", FALSE, FALSE, ERROR_ACCESS_DENIED},
        {"C:\\Src\\a.txt", "C:\\Dst\\rw.txt", TRUE, FALSE, ERROR_FILE_EXISTS},
        {"C:\\Src\\a.txt", "c:\\dst\\RW.TXT", FALSE, TRUE, 0xBEEF},
    };
    for (const Case& c : cases) {
        SetLastError(0xBEEF);
        EXPECT_EQ(c.result, CopyFileA(c.from, c.to, c.failIfExists)) << c.from << " -> " << c.to;
        EXPECT_EQ(c.error, GetLastError()) << c.from << " -> " << c.to;
    }
    std::string content;
    ASSERT_TRUE(winsim::GetFile("C:\\Dst\\rw.txt", &content));
    EXPECT_EQ("new", content);
    EXPECT_EQ(DWORD(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE),
              GetFileAttributesA("C:\\Dst\\rw.txt"));
}

TEST_F(Files, RelativePathsResolveAgainstTheProgramsFolder)
{
    winsim::SetModulePath("C:\\Media\\Setup.exe");
    winsim::PutFile("C:\\Media\\a.txt", "medium");

    EXPECT_TRUE(CopyFileA("a.txt", "C:\\copy.txt", FALSE));
    EXPECT_TRUE(CopyFileA("..\\Media\\a.txt", "sub.txt", FALSE));

    std::string content;
    EXPECT_TRUE(winsim::GetFile("C:\\copy.txt", &content));
    EXPECT_EQ("medium", content);
    EXPECT_TRUE(winsim::Exists("C:\\Media\\sub.txt"));
}

TEST_F(Files, DirectoriesAndAttributes)
{
    SetLastError(0);
    EXPECT_FALSE(CreateDirectoryA("C:\\A\\B", nullptr));
    EXPECT_EQ(DWORD(ERROR_PATH_NOT_FOUND), GetLastError());
    EXPECT_TRUE(CreateDirectoryA("C:\\A", nullptr));
    EXPECT_FALSE(CreateDirectoryA("C:\\a\\", nullptr));
    EXPECT_EQ(DWORD(ERROR_ALREADY_EXISTS), GetLastError());
    EXPECT_EQ(DWORD(FILE_ATTRIBUTE_DIRECTORY), GetFileAttributesA("C:\\A"));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA("C:\\A\\none"));
    EXPECT_EQ(DWORD(ERROR_FILE_NOT_FOUND), GetLastError());
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA("C:\\Z\\none"));
    EXPECT_EQ(DWORD(ERROR_PATH_NOT_FOUND), GetLastError());

    winsim::PutFile("C:\\A\\f", "x", FILE_ATTRIBUTE_READONLY);
    EXPECT_FALSE(DeleteFileA("C:\\A\\f"));
    EXPECT_EQ(DWORD(ERROR_ACCESS_DENIED), GetLastError());
    EXPECT_TRUE(SetFileAttributesA("C:\\A\\f", FILE_ATTRIBUTE_NORMAL));
    EXPECT_EQ(DWORD(FILE_ATTRIBUTE_NORMAL), winsim::Attributes("C:\\A\\f"));
    EXPECT_TRUE(DeleteFileA("C:\\A\\f"));
    EXPECT_FALSE(winsim::Exists("C:\\A\\f"));
}

TEST_F(Files, HandlesReadWriteAndSize)
{
    HANDLE h = CreateFileA("C:\\Windows\\Temp\\out.bin", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, h);
    DWORD n = 0;
    EXPECT_TRUE(WriteFile(h, "hello", 5, &n, nullptr));
    EXPECT_EQ(5u, GetFileSize(h, nullptr));
    char buf[8];
    EXPECT_FALSE(ReadFile(h, buf, sizeof buf, &n, nullptr));
    EXPECT_EQ(DWORD(ERROR_ACCESS_DENIED), GetLastError());
    EXPECT_FALSE(DeleteFileA("C:\\Windows\\Temp\\out.bin"));
    EXPECT_EQ(DWORD(ERROR_SHARING_VIOLATION), GetLastError());
    EXPECT_TRUE(CloseHandle(h));
    EXPECT_FALSE(CloseHandle(h));
    EXPECT_EQ(DWORD(ERROR_INVALID_HANDLE), GetLastError());

    h = CreateFileA("C:\\Windows\\Temp\\out.bin", GENERIC_READ, FILE_SHARE_READ, nullptr,
                    OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, h);
    EXPECT_TRUE(ReadFile(h, buf, 3, &n, nullptr));
    EXPECT_EQ(3u, n);
    EXPECT_EQ(0, memcmp(buf, "hel", 3));
    EXPECT_EQ(1, winsim::Open().files);
    CloseHandle(h);
    EXPECT_EQ(INVALID_HANDLE_VALUE,
              CreateFileA("C:\\none", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    EXPECT_EQ(DWORD(ERROR_FILE_NOT_FOUND), GetLastError());
}

TEST_F(Files, FolderQueriesReportNeededSize)
{
    winsim::SetWindowsDir("C:\\WINNT");
    char buf[6];
    EXPECT_EQ(9u, GetWindowsDirectoryA(buf, 5)); // needs 9 with its NUL
    char big[MAX_PATH];
    EXPECT_EQ(8u, GetWindowsDirectoryA(big, MAX_PATH));
    EXPECT_STREQ("C:\\WINNT", big);
    EXPECT_EQ(16u, GetTempPathA(MAX_PATH, big));
    EXPECT_STREQ("C:\\Windows\\Temp\\", big);

    SetLastError(0);
    EXPECT_EQ(5u, GetModuleFileNameA(nullptr, buf, 5));
    EXPECT_STREQ("C:\\S", buf);
    EXPECT_EQ(DWORD(ERROR_INSUFFICIENT_BUFFER), GetLastError());
}

class Profiles : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        winsim::Reset();
        winsim::PutFile("C:\\Setup\\setupNT.ini", "; comment\r\n"
                                                  "[App]\r\n"
                                                  "  Name =  Velvet Tools  \r\n"
                                                  "\r\n"
                                                  ";Name=commented\r\n"
                                                  "Bare line\r\n"
                                                  "Quoted=\"  spaced  \"\r\n"
                                                  "[Other]\r\n"
                                                  "K=V\r\n");
    }
};

TEST_F(Profiles, ReadsKeysCaseInsensitivelyTrimmedAndTruncated)
{
    char buf[64];
    EXPECT_EQ(12u, GetPrivateProfileStringA("app", "NAME", "", buf, sizeof buf,
                                            "C:\\Setup\\setupNT.ini"));
    EXPECT_STREQ("Velvet Tools", buf);
    EXPECT_EQ(5u, GetPrivateProfileStringA("App", "Name", "", buf, 6, "C:\\Setup\\setupNT.ini"));
    EXPECT_STREQ("Velve", buf);
    EXPECT_EQ(10u, GetPrivateProfileStringA("App", "Quoted", "", buf, sizeof buf,
                                            "C:\\Setup\\setupNT.ini"));
    EXPECT_STREQ("  spaced  ", buf);
    EXPECT_EQ(3u, GetPrivateProfileStringA("App", "Missing", "def  ", buf, sizeof buf,
                                           "C:\\Setup\\setupNT.ini"));
    EXPECT_STREQ("def", buf);
    EXPECT_EQ(1u, GetPrivateProfileStringA("App", "K", "d", buf, sizeof buf, "C:\\none.ini"));
}

TEST_F(Profiles, SectionListsLinesAndTruncatesWithTwoNuls)
{
    char buf[64];
    DWORD n = GetPrivateProfileSectionA("APP", buf, sizeof buf, "C:\\Setup\\setupNT.ini");
    std::string expected("Name=Velvet Tools\0Bare line\0Quoted=\"  spaced  \"\0", 48);
    EXPECT_EQ(expected.size(), n);
    EXPECT_EQ(expected + '\0', std::string(buf, n + 1));

    char small[10];
    EXPECT_EQ(8u, GetPrivateProfileSectionA("App", small, sizeof small, "C:\\Setup\\setupNT.ini"));
    EXPECT_EQ(std::string("Name=Vel\0\0", 10), std::string(small, 10));
    EXPECT_EQ(0u, GetPrivateProfileSectionA("None", buf, sizeof buf, "C:\\Setup\\setupNT.ini"));
    EXPECT_EQ(0, buf[0]);
}

TEST_F(Profiles, WriteCreatesReplacesInPlaceAndKeepsTheRest)
{
    // A bare name lives in the Windows folder.
    EXPECT_TRUE(WritePrivateProfileStringA("program group", "name", "Velvet", "velsetup.log"));
    std::string content;
    ASSERT_TRUE(winsim::GetFile("C:\\Windows\\velsetup.log", &content));
    EXPECT_EQ("[program group]\r\nname=Velvet\r\n", content);

    EXPECT_TRUE(WritePrivateProfileStringA("App", "name", "New", "C:\\Setup\\setupNT.ini"));
    EXPECT_TRUE(WritePrivateProfileStringA("Other", "Added", "1", "C:\\Setup\\setupNT.ini"));
    ASSERT_TRUE(winsim::GetFile("C:\\Setup\\setupNT.ini", &content));
    EXPECT_EQ("; comment\r\n[App]\r\nname=New\r\n\r\n;Name=commented\r\nBare line\r\n"
              "Quoted=\"  spaced  \"\r\n[Other]\r\nK=V\r\nAdded=1\r\n",
              content);

    winsim::SetAttributes("C:\\Setup\\setupNT.ini", FILE_ATTRIBUTE_READONLY);
    EXPECT_FALSE(WritePrivateProfileStringA("App", "x", "y", "C:\\Setup\\setupNT.ini"));
    EXPECT_EQ(DWORD(ERROR_ACCESS_DENIED), GetLastError());
}

} // namespace
