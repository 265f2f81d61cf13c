// Brinmoor's redirect and restore runs as Windows sees them: registry, copy, start-up entry.
#include "winsim/machine.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR argumentText, int);

namespace
{

const std::string setupKey = "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Setup";
const std::string runKey = "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
const std::string entryName = "SOURCE_PATH_UPDATE_STARTUP_RUNONCE_ZELNORA_TECH";
const std::string ownDir = "C:\\Medium\\Setup\\";
const std::string modulePath = ownDir + "Brinmoor.EXE";
const std::string moduleContent = "MZ brinmoor image";
// As on an NT-family system: the temporary directory holds blanks.
const std::string tempDir = "C:\\Documents and Settings\\User\\Local Settings\\Temp\\";
const std::string tempCopy = tempDir + "Brinmoor.EXE";

const char* const liveNames[] = {"SourcePath", "ServicePackSourcePath"};

std::string BackupName(const std::string& live)
{
    return live + ".BackupByZelnora";
}

std::string Quoted(const std::string& path)
{
    return "\"" + path + "\" 1";
}

struct Value {
    bool present = false;
    DWORD type = REG_SZ;
    std::string data;
    bool operator==(const Value& other) const
    {
        return present == other.present && (!present || (type == other.type && data == other.data));
    }
};

std::ostream& operator<<(std::ostream& out, const Value& value)
{
    if (!value.present)
        return out << "(absent)";
    return out << "type " << value.type << ", " << value.data.size() << " bytes \""
               << value.data.substr(0, 40) << (value.data.size() > 40 ? "...\"" : "\"");
}

Value Absent()
{
    return Value{};
}

Value Of(DWORD type, const std::string& data)
{
    return Value{true, type, data};
}

Value Get(const std::string& key, const std::string& name)
{
    Value value;
    value.present = winsim::RegGet(key, name, &value.type, &value.data);
    return value;
}

void Put(const std::string& key, const std::string& name, const Value& value)
{
    if (value.present)
        winsim::RegPut(key, name, value.type, value.data);
    else
        winsim::RegDropValue(key, name);
}

using Snapshot = std::map<std::string, Value>;

Snapshot Values(const std::string& key)
{
    Snapshot values;
    for (const std::string& name : winsim::RegValueNames(key))
        values[name] = Get(key, name);
    return values;
}

// One run of the program with the given argument text; every run must end with 0 and leave no
// key open (but the one whose closing was made to fail).
void RunBrinmoor(const std::string& argumentText, int keysLeftOpen = 0)
{
    int exitCode = winsim::RunChild([argumentText] {
        std::string text = argumentText;
        return WinMain(nullptr, nullptr, text.data(), SW_SHOWDEFAULT);
    });
    EXPECT_EQ(exitCode, 0) << "argument text \"" << argumentText << "\"";
    EXPECT_EQ(winsim::Open().keys, keysLeftOpen) << "argument text \"" << argumentText << "\"";
}

class Brinmoor : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        winsim::Reset();
        winsim::SetModulePath(modulePath);
        // Files on the medium are read-only.
        winsim::PutFile(modulePath, moduleContent, FILE_ATTRIBUTE_READONLY);
        winsim::MakeDir(tempDir);
        winsim::SetTempDir(tempDir);
    }
};

// ---- Registry states through a redirect, a second redirect and the restore

// Data are made per value so that one pair's data cannot pass for the other's.
enum Kind { None, Text, Empty, NoNul, Long, Huge, Expand };

Value Make(Kind kind, const std::string& tag)
{
    switch (kind) {
    case None:
        return Absent();
    case Text:
        return Of(REG_SZ, winsim::Sz("C:\\" + tag + "\\I386\\"));
    case Empty:
        return Of(REG_SZ, "");
    case NoNul:
        return Of(REG_SZ, "C:\\" + tag);
    case Long: // past the 256 bytes of an ordinary read
        return Of(REG_SZ, winsim::Sz("\\\\server\\" + tag + "\\" + std::string(300, 'p')));
    case Huge: // past any path text: cannot be kept, so never overwritten
        return Of(REG_SZ, std::string(70000, 'h'));
    case Expand:
        return Of(REG_EXPAND_SZ, winsim::Sz("%SystemRoot%\\" + tag));
    }
    return Absent();
}

// What a value holds at a moment: absent, what the live value or the backup held at the start,
// the own directory, or zero bytes.
enum Expect { Gone, OrigLive, OrigBackup, OwnDir, Nothing };

struct StateCase {
    const char* name;
    Kind live, backup;
    Expect backupAfterRedirect, liveAfterRedirect, backupAfterSecond, liveAfterRestore,
        backupAfterRestore;
};

const StateCase stateCases[] = {
    // Columns: at the start live, backup; after the redirect backup, live; after the second
    // redirect backup (live as after the first); after the restore live, backup.
    {"LiveNoBackup", Text, None, OrigLive, OwnDir, OrigLive, OrigLive, Gone},
    {"LiveWithoutNul", NoNul, None, OrigLive, OwnDir, OrigLive, OrigLive, Gone},
    {"LiveAbsent", None, None, Gone, OwnDir, OwnDir, OwnDir, Gone},
    {"LiveEmpty", Empty, None, OrigLive, OwnDir, OwnDir, OwnDir, Gone},
    {"LiveLong", Long, None, OrigLive, OwnDir, OrigLive, OrigLive, Gone},
    {"LiveExpandable", Expand, None, OrigLive, OwnDir, OrigLive, OrigLive, Gone},
    {"LiveTooLongToKeep", Huge, None, Gone, OrigLive, Gone, OrigLive, Gone},
    {"BackupEmpty", Text, Empty, OrigLive, OwnDir, OrigLive, OrigLive, Gone},
    {"BackupEmptyLiveAbsent", None, Empty, Nothing, OwnDir, OwnDir, OwnDir, Gone},
    {"BackupPresent", Text, Text, OrigBackup, OwnDir, OrigBackup, OrigBackup, Gone},
    {"BackupLong", Text, Long, OrigBackup, OwnDir, OrigBackup, OrigBackup, Gone},
    {"BackupExpandable", Text, Expand, OrigBackup, OwnDir, OrigBackup, OrigBackup, Gone},
};

class RegistryStates : public Brinmoor, public ::testing::WithParamInterface<StateCase>
{
  protected:
    struct Pair {
        std::string live, backup;
        Value originalLive, originalBackup;
    };
    std::vector<Pair> pairs;

    void SetUp() override
    {
        Brinmoor::SetUp();
        const StateCase& c = GetParam();
        for (const char* live : liveNames) {
            Pair pair{live, BackupName(live), Make(c.live, std::string(live) + "-live"),
                      Make(c.backup, std::string(live) + "-backup")};
            Put(setupKey, pair.live, pair.originalLive);
            Put(setupKey, pair.backup, pair.originalBackup);
            pairs.push_back(pair);
        }
    }

    static Value Expected(Expect expect, const Pair& pair)
    {
        switch (expect) {
        case Gone:
            return Absent();
        case OrigLive:
            return pair.originalLive;
        case OrigBackup:
            return pair.originalBackup;
        case OwnDir: // a text of its own: no NUL counted
            return Of(REG_SZ, ownDir);
        case Nothing:
            return Of(REG_SZ, "");
        }
        return Absent();
    }

    void ExpectPairs(const char* moment, Expect live, Expect backup)
    {
        for (const Pair& pair : pairs) {
            EXPECT_EQ(Get(setupKey, pair.live), Expected(live, pair))
                << moment << ": " << pair.live;
            EXPECT_EQ(Get(setupKey, pair.backup), Expected(backup, pair))
                << moment << ": " << pair.backup;
        }
    }
};

TEST_P(RegistryStates, RedirectTwiceThenRestore)
{
    const StateCase& c = GetParam();

    RunBrinmoor("0");
    ExpectPairs("after redirect", c.liveAfterRedirect, c.backupAfterRedirect);
    EXPECT_EQ(Get(runKey, entryName), Of(REG_SZ, Quoted(tempCopy)));

    RunBrinmoor("0");
    ExpectPairs("after second redirect", c.liveAfterRedirect, c.backupAfterSecond);

    RunBrinmoor("1");
    ExpectPairs("after restore", c.liveAfterRestore, c.backupAfterRestore);
    EXPECT_EQ(Get(runKey, entryName), Absent());
    EXPECT_EQ(Values(setupKey).size(), 2u); // the two live values, no stray backup
}

INSTANTIATE_TEST_SUITE_P(Brinmoor, RegistryStates, ::testing::ValuesIn(stateCases),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- Argument texts: only the first character counts

struct ArgumentCase {
    const char* name;
    const char* text;
    char mode; // '0' redirect, '1' restore, '-' nothing
};

const ArgumentCase argumentCases[] = {
    {"Empty", "", '-'},          {"Zero", "0", '0'},           {"One", "1", '1'},
    {"ZeroThenMore", "0x", '0'}, {"OneThenMore", "1abc", '1'}, {"Two", "2", '-'},
    {"Blank", " 1", '-'},
};

class ArgumentTexts : public Brinmoor, public ::testing::WithParamInterface<ArgumentCase>
{
};

TEST_P(ArgumentTexts, SelectTheMode)
{
    // Midway: "SourcePath" not yet redirected, "ServicePackSourcePath" redirected earlier.
    const Value source = Of(REG_SZ, winsim::Sz("C:\\I386\\"));
    const Value servicePack = Of(REG_SZ, winsim::Sz("C:\\SP\\"));
    Put(setupKey, "SourcePath", source);
    Put(setupKey, "ServicePackSourcePath", Of(REG_SZ, ownDir));
    Put(setupKey, BackupName("ServicePackSourcePath"), servicePack);
    Put(runKey, entryName, Of(REG_SZ, Quoted(tempCopy)));
    const Snapshot setupBefore = Values(setupKey), runBefore = Values(runKey);

    RunBrinmoor(GetParam().text);

    switch (GetParam().mode) {
    case '0':
        EXPECT_EQ(Get(setupKey, "SourcePath"), Of(REG_SZ, ownDir));
        EXPECT_EQ(Get(setupKey, BackupName("SourcePath")), source);
        EXPECT_EQ(Get(setupKey, BackupName("ServicePackSourcePath")), servicePack);
        EXPECT_TRUE(winsim::Exists(tempCopy));
        EXPECT_EQ(Values(runKey), runBefore);
        break;
    case '1':
        EXPECT_EQ(Get(setupKey, "SourcePath"), source);
        EXPECT_EQ(Get(setupKey, "ServicePackSourcePath"), servicePack);
        EXPECT_EQ(Values(setupKey).size(), 2u);
        EXPECT_TRUE(Values(runKey).empty());
        break;
    default:
        EXPECT_EQ(Values(setupKey), setupBefore);
        EXPECT_EQ(Values(runKey), runBefore);
        EXPECT_FALSE(winsim::Exists(tempCopy));
    }
}

INSTANTIATE_TEST_SUITE_P(Brinmoor, ArgumentTexts, ::testing::ValuesIn(argumentCases),
                         [](const auto& info) { return std::string(info.param.name); });

// Windows hands the start-up command to the copy at log-on; with blanks in its path the copy
// must still see "1", restore the paths and remove its entry.
TEST_F(Brinmoor, StartupCommandRestoresAtLogOn)
{
    const Value original = Of(REG_EXPAND_SZ, winsim::Sz("%SystemRoot%\\I386"));
    Put(setupKey, "SourcePath", original);

    RunBrinmoor("0");
    Value entry = Get(runKey, entryName);
    ASSERT_TRUE(entry.present);
    EXPECT_EQ(entry.type, DWORD(REG_SZ));
    EXPECT_EQ(entry.data, "\"" + tempCopy + "\" 1"); // no NUL counted
    const std::string argumentText = winsim::ArgumentText(entry.data);
    EXPECT_EQ(argumentText, "1");

    RunBrinmoor(argumentText);
    EXPECT_EQ(Get(setupKey, "SourcePath"), original);
    EXPECT_EQ(Get(runKey, entryName), Absent());
    EXPECT_TRUE(winsim::Exists(tempCopy)); // the restore run leaves its copy
}

// ---- Where the copy goes

struct CopyCase {
    const char* name;
    std::string temp; // as GetTempPathA returns it
    bool tempExists;
    DWORD tempAttributes;
    std::string windows; // as GetWindowsDirectoryA returns it
    std::string copy;
};

const CopyCase copyCases[] = {
    {"Temporary", tempDir, true, FILE_ATTRIBUTE_DIRECTORY, "C:\\WINDOWS", tempCopy},
    {"TemporaryIsOwnDirectory", "c:\\MEDIUM\\setup\\", true, FILE_ATTRIBUTE_DIRECTORY,
     "C:\\WINDOWS", "C:\\WINDOWS\\Brinmoor.EXE"},
    {"TemporaryReadOnly", tempDir, true, FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY,
     "C:\\WINDOWS", "C:\\WINDOWS\\Brinmoor.EXE"},
    {"TemporaryMissing", "C:\\Gone\\", false, 0, "C:\\WINDOWS", "C:\\WINDOWS\\Brinmoor.EXE"},
    {"WindowsIsRoot", "C:\\Gone\\", false, 0, "C:\\", "C:\\Brinmoor.EXE"},
};

class CopyDirectory : public Brinmoor, public ::testing::WithParamInterface<CopyCase>
{
};

TEST_P(CopyDirectory, CopyIsWritableAndRegistered)
{
    const CopyCase& c = GetParam();
    winsim::SetTempDir(c.temp);
    if (c.tempExists) {
        winsim::MakeDir(c.temp);
        winsim::SetAttributes(c.temp, c.tempAttributes);
    }
    winsim::MakeDir(c.windows);
    winsim::SetWindowsDir(c.windows);

    RunBrinmoor("0");

    std::string content;
    ASSERT_TRUE(winsim::GetFile(c.copy, &content)) << c.copy;
    EXPECT_EQ(content, moduleContent);
    EXPECT_EQ(winsim::Attributes(c.copy) & FILE_ATTRIBUTE_READONLY, 0u);
    EXPECT_EQ(Get(runKey, entryName), Of(REG_SZ, Quoted(c.copy)));
    EXPECT_EQ(Get(setupKey, "SourcePath"), Of(REG_SZ, ownDir));
    // The medium's own file is left as it was.
    EXPECT_EQ(winsim::Attributes(modulePath), DWORD(FILE_ATTRIBUTE_READONLY));
}

INSTANTIATE_TEST_SUITE_P(Brinmoor, CopyDirectory, ::testing::ValuesIn(copyCases),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- Every call failing in turn: the original paths are never lost, and the run ends with 0

struct FaultCase {
    const char* name;
    int cleanRuns; // redirects made before the run under test
    const char* text;
};

const FaultCase faultCases[] = {
    {"FirstRedirect", 0, "0"},
    {"SecondRedirect", 1, "0"},
    {"Restore", 1, "1"},
};

class EveryCallFailing : public Brinmoor, public ::testing::WithParamInterface<FaultCase>
{
};

TEST_P(EveryCallFailing, KeepsTheOriginals)
{
    const FaultCase& c = GetParam();
    // One ordinary value, one too long for an ordinary read, one expandable.
    const std::map<std::string, Value> originals = {
        {"SourcePath", Make(Long, "source")},
        {"ServicePackSourcePath", Make(Expand, "servicepack")},
    };

    auto arrange = [&] {
        SetUp();
        for (const auto& [name, value] : originals)
            Put(setupKey, name, value);
        for (int i = 0; i < c.cleanRuns; i++)
            RunBrinmoor("0");
    };

    arrange();
    const size_t before = winsim::CallLog().size();
    RunBrinmoor(c.text);
    const std::vector<std::string> names(winsim::CallLog().begin() + before,
                                         winsim::CallLog().end());
    ASSERT_FALSE(names.empty());

    for (DWORD error : {DWORD(ERROR_ACCESS_DENIED), DWORD(ERROR_NOT_ENOUGH_MEMORY)}) {
        for (size_t k = 1; k <= names.size(); k++) {
            const std::string& failing = names[k - 1];
            SCOPED_TRACE("call " + std::to_string(k) + " (" + failing + ") fails with " +
                         std::to_string(error));
            arrange();
            winsim::FailCall("*", int(k), error);
            RunBrinmoor(c.text, failing == "RegCloseKey" ? 1 : 0);
            for (const auto& [name, original] : originals) {
                EXPECT_TRUE(Get(setupKey, name) == original ||
                            Get(setupKey, BackupName(name)) == original)
                    << name << " is lost: live " << Get(setupKey, name) << ", backup "
                    << Get(setupKey, BackupName(name));
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Brinmoor, EveryCallFailing, ::testing::ValuesIn(faultCases),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
