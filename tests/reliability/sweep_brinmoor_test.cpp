// Every call of the source-path helper's redirect and restore runs, made to fail one at a time.
//
// Whatever fails, the run ends with 0, closes every key it opened, and no original source path is
// lost: each survives in its live value or in its backup. A failed key opening skips only the
// work on that key; a failed copy or attribute call does not keep the start-up entry away.
#include "winsim/machine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <map>
#include <string>
#include <vector>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR argumentText, int);

namespace
{

const std::string kSetupKey = "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Setup";
const std::string kRunKey = "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
const std::string kEntry = "SOURCE_PATH_UPDATE_STARTUP_RUNONCE_ZELNORA_TECH";
const std::string kOwnDir = "C:\\Medium\\";
const std::string kModule = kOwnDir + "Brinmoor.EXE";
const std::string kTempDir = "C:\\Windows\\Temp\\";

// The usual error of each call the helper makes.
const std::map<std::string, DWORD> kErrors = {
    {"RegOpenKeyExA", ERROR_ACCESS_DENIED},       {"RegQueryValueExA", ERROR_ACCESS_DENIED},
    {"RegSetValueExA", ERROR_ACCESS_DENIED},      {"RegDeleteValueA", ERROR_ACCESS_DENIED},
    {"RegCloseKey", ERROR_INVALID_HANDLE},        {"GetModuleFileNameA", ERROR_INSUFFICIENT_BUFFER},
    {"GetTempPathA", ERROR_GEN_FAILURE},          {"GetWindowsDirectoryA", ERROR_GEN_FAILURE},
    {"GetFileAttributesA", ERROR_FILE_NOT_FOUND}, {"SetFileAttributesA", ERROR_ACCESS_DENIED},
    {"CopyFileA", ERROR_ACCESS_DENIED},
};

struct Originals {
    std::string source, servicePack; // REG_SZ data as stored, NUL included
};

struct Scenario {
    const char* name;
    int redirectsBefore; // clean redirect runs before the swept one
    const char* argument;
};

const Scenario kScenarios[] = {
    {"Redirect", 0, "0"},
    {"RedirectAgain", 1, "0"},
    {"Restore", 1, "1"},
};

std::string Value(const std::string& key, const std::string& name, bool* present = nullptr)
{
    DWORD type = 0;
    std::string data;
    bool found = winsim::RegGet(key, name, &type, &data);
    if (present)
        *present = found;
    return found ? data : "(absent)";
}

class BrinmoorSweep : public ::testing::TestWithParam<Scenario>
{
  protected:
    void Arrange()
    {
        winsim::Reset();
        winsim::SetModulePath(kModule);
        winsim::PutFile(kModule, "MZ helper", FILE_ATTRIBUTE_READONLY);
        winsim::RegPut(kSetupKey, "SourcePath", REG_SZ, originals.source);
        winsim::RegPut(kSetupKey, "ServicePackSourcePath", REG_SZ, originals.servicePack);
        for (int i = 0; i < GetParam().redirectsBefore; i++)
            EXPECT_EQ(0, RunHelper("0"));
    }

    static int RunHelper(const std::string& argument)
    {
        return winsim::RunChild([argument] {
            std::string text = argument;
            return WinMain(nullptr, nullptr, text.data(), SW_SHOWDEFAULT);
        });
    }

    // The n-th call (1-based) of name among the calls of the swept run.
    static int Occurrence(const std::vector<std::string>& calls, size_t k)
    {
        return int(std::count(calls.begin(), calls.begin() + k, calls[k - 1]));
    }

    Originals originals{winsim::Sz("D:\\I386\\"), winsim::Sz("E:\\SP6\\I386\\")};
};

TEST_P(BrinmoorSweep, EveryCallFailingInTurn)
{
    const Scenario& s = GetParam();
    Arrange();
    size_t before = winsim::CallLog().size();
    ASSERT_EQ(0, RunHelper(s.argument));
    const std::vector<std::string> clean(winsim::CallLog().begin() + before,
                                         winsim::CallLog().end());
    const bool redirect = s.argument[0] == '0';

    int swept = 0;
    for (size_t k = 1; k <= clean.size(); k++) {
        const std::string& failing = clean[k - 1];
        auto error = kErrors.find(failing);
        ASSERT_NE(kErrors.end(), error) << "no usual error for " << failing;
        const int nth = Occurrence(clean, k);
        SCOPED_TRACE("call " + std::to_string(k) + " (" + failing + " #" + std::to_string(nth) +
                     ") fails");
        Arrange();
        const std::string liveBefore = Value(kSetupKey, "SourcePath");
        winsim::FailCall("*", int(k), error->second);
        EXPECT_EQ(0, RunHelper(s.argument));
        swept++;

        EXPECT_EQ(failing == "RegCloseKey" ? 1 : 0, winsim::Open().keys);
        for (const auto& [live, original] :
             {std::pair<std::string, std::string>{"SourcePath", originals.source},
              {"ServicePackSourcePath", originals.servicePack}}) {
            EXPECT_TRUE(Value(kSetupKey, live) == original ||
                        Value(kSetupKey, live + ".BackupByZelnora") == original)
                << live << " lost: live " << Value(kSetupKey, live) << ", backup "
                << Value(kSetupKey, live + ".BackupByZelnora");
        }

        // The Setup key is opened first, the Run key second: a failed opening skips that key only.
        const bool setupKeyRefused = failing == "RegOpenKeyExA" && nth == 1;
        const bool runKeyRefused = failing == "RegOpenKeyExA" && nth == 2;
        bool entry = false;
        Value(kRunKey, kEntry, &entry);
        if (setupKeyRefused) {
            EXPECT_EQ(liveBefore, Value(kSetupKey, "SourcePath")) << "Setup key untouched";
        }
        if (redirect) {
            const bool noModulePath = failing == "GetModuleFileNameA";
            const bool lastWrite = failing == "RegSetValueExA" &&
                                   nth == int(std::count(clean.begin(), clean.end(), failing));
            // An entry from an earlier redirect stays.
            EXPECT_EQ(s.redirectsBefore > 0 || !(runKeyRefused || noModulePath || lastWrite), entry)
                << "start-up entry";
            if (!setupKeyRefused && !noModulePath && failing != "RegQueryValueExA" &&
                failing != "RegSetValueExA") {
                EXPECT_EQ(winsim::Sz(kOwnDir).substr(0, kOwnDir.size()),
                          Value(kSetupKey, "SourcePath").substr(0, kOwnDir.size()));
            }
        } else {
            const bool lastDelete = failing == "RegDeleteValueA" &&
                                    nth == int(std::count(clean.begin(), clean.end(), failing));
            EXPECT_EQ(runKeyRefused || lastDelete, entry) << "start-up entry";
        }
        if (HasFailure())
            break;
    }
    std::printf("[ sweep    ] Brinmoor %s: %zu calls in the clean run, %d failing runs\n", s.name,
                clean.size(), swept);
    RecordProperty("failing_runs", swept);
}

INSTANTIATE_TEST_SUITE_P(Brinmoor, BrinmoorSweep, ::testing::ValuesIn(kScenarios),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
