// Every platform and toolkit call of the setup program's main runs, made to fail one at a time.
//
// A clean run of each scenario gives the calls in order; then the scenario is run again once for
// each call k, with call k failing with the error Windows would give for it. Every run must end
// with exit code 0, stop the toolkit once, show the fatal dialog at most once and leave no key,
// device set, INF handle, file handle or message buffer open; and the failure must lead to what
// is written down for that call below.
#include "setup_run.h"

#include <algorithm>
#include <cstdio>
#include <functional>
#include <map>
#include <set>

using namespace setuptest;

namespace
{

// What a failure of a call leads to.
enum class Outcome {
    Fatal,  // the fatal dialog, once, as the last thing the setup shows
    Quiet,  // the frame does not start: nothing shown at all
    GoesOn, // the result is not needed: the same dialogs as the clean run, no fatal dialog
    Traced, // device installation: a trace, the same dialogs, no fatal dialog, next device
    Either, // the value read may be empty or an answer may change: any of the above, once
};

// A trace line prefix that must appear; kSilent allows the failure to leave none.
const char kSilent[] = "";

struct CallRule {
    DWORD error;
    Outcome outcome;
    std::vector<std::string> traces = {}; // any one of these (Traced only); empty: no check
    bool stopsPass = false;               // may leave every later device uninstalled
};

const DWORD kNoCompatDrivers = ERROR_NO_COMPAT_DRIVERS;
const DWORD kInvalidWindowHandle = 1400; // ERROR_INVALID_WINDOW_HANDLE

// The usual error of each call, and where its failure leads. Calls Windows cannot fail (message
// pumping, character stepping, comparisons, GetLastError) are not in the table and not swept.
const std::map<std::string, CallRule>& Rules()
{
    static const std::map<std::string, CallRule> rules = {
        // The toolkit: guarded calls end in the fatal dialog.
        {"FOpenInf", {ERROR_GEN_FAILURE, Outcome::Fatal}},
        {"FSetBitmap", {ERROR_GEN_FAILURE, Outcome::Fatal}},
        {"FSetSymbolValue", {ERROR_GEN_FAILURE, Outcome::Fatal}},
        {"FAddListItem", {ERROR_GEN_FAILURE, Outcome::Fatal}},
        {"FDoDialogExt", {ERROR_GEN_FAILURE, Outcome::Fatal}},
        {"FKillNDialogs", {ERROR_GEN_FAILURE, Outcome::Fatal}},
        {"FRestoreCursor", {ERROR_GEN_FAILURE, Outcome::Fatal}},
        {"FAddSectionFilesToCopyList", {ERROR_GEN_FAILURE, Outcome::Fatal}},
        {"GrcCopyFilesInCopyList", {ERROR_GEN_FAILURE, Outcome::Fatal}},
        {"FCreateProgManGroup", {ERROR_GEN_FAILURE, Outcome::Fatal}},
        {"FShowProgManGroup", {ERROR_GEN_FAILURE, Outcome::Fatal}},
        {"FCreateProgManItem", {ERROR_GEN_FAILURE, Outcome::Fatal}},
        {"InitializeFrame", {ERROR_GEN_FAILURE, Outcome::Quiet}},
        {"FInitializeInstall", {ERROR_GEN_FAILURE, Outcome::Quiet}},
        {"ProSetPos", {ERROR_GEN_FAILURE, Outcome::GoesOn}},
        {"SetSizeCheckMode", {ERROR_GEN_FAILURE, Outcome::GoesOn}},
        {"ResetCopyList", {ERROR_GEN_FAILURE, Outcome::GoesOn}},
        {"TerminateFrame", {ERROR_GEN_FAILURE, Outcome::GoesOn}},
        {"TerminateInstall", {ERROR_GEN_FAILURE, Outcome::GoesOn}},
        // A missing cursor or a refused directory changes the road but never the end.
        {"HShowWaitCursor", {ERROR_GEN_FAILURE, Outcome::Either}},
        {"FValidDir", {ERROR_GEN_FAILURE, Outcome::Either}},
        {"DoMsgBox", {ERROR_GEN_FAILURE, Outcome::Either}},
        // Windows, as the setup program uses it directly.
        {"GetModuleFileNameA", {ERROR_INSUFFICIENT_BUFFER, Outcome::Fatal}}, // no INF to open
        {"GetWindowsDirectoryA", {ERROR_GEN_FAILURE, Outcome::Fatal}},       // no place for files
        {"SetWindowPos", {kInvalidWindowHandle, Outcome::GoesOn}},
        {"SetWindowTextA", {kInvalidWindowHandle, Outcome::GoesOn}},
        {"GetSystemMetrics", {ERROR_GEN_FAILURE, Outcome::GoesOn}},
        {"WinExec", {ERROR_FILE_NOT_FOUND, Outcome::GoesOn}},
        {"WritePrivateProfileStringA", {ERROR_ACCESS_DENIED, Outcome::GoesOn}},
        {"RegOpenKeyExA", {ERROR_ACCESS_DENIED, Outcome::Traced, {kSilent}}},
        {"RegSetValueExA", {ERROR_ACCESS_DENIED, Outcome::GoesOn}},
        {"RegCloseKey", {ERROR_INVALID_HANDLE, Outcome::Traced, {kSilent}}},
        {"MessageBoxA", {ERROR_NOT_ENOUGH_MEMORY, Outcome::GoesOn}},
        {"SetupPromptReboot", {ERROR_GEN_FAILURE, Outcome::GoesOn}},
        // The toolkit's own use of Windows: its call reports the failure, or copes.
        {"GetPrivateProfileSectionA", {ERROR_FILE_NOT_FOUND, Outcome::Either}},
        {"GetFileAttributesA", {ERROR_FILE_NOT_FOUND, Outcome::Either}},
        {"CreateDirectoryA", {ERROR_ACCESS_DENIED, Outcome::Either}},
        {"CopyFileA", {ERROR_ACCESS_DENIED, Outcome::Either}},
        {"CreateFileA", {ERROR_ACCESS_DENIED, Outcome::Either}},
        {"WriteFile", {ERROR_WRITE_PROTECT, Outcome::Either}},
        {"CloseHandle", {ERROR_INVALID_HANDLE, Outcome::Either}},
        // Device installation: a trace, and on to the next device.
        {"SetupDiClassGuidsFromNameA",
         {ERROR_INVALID_CLASS,
          Outcome::Traced,
          {"trace (null)|error: SetupDiClassGuidsFromName"},
          true}},
        // Silent in the first pass (its walk just finds nothing), traced in the second.
        {"SetupDiGetClassDevsA",
         {ERROR_INVALID_PARAMETER,
          Outcome::Traced,
          {"trace (null)|error: DiGetClassDevs", kSilent},
          true}},
        {"SetupDiEnumDeviceInfo", {ERROR_NO_MORE_ITEMS, Outcome::Traced, {kSilent}, true}},
        {"CM_Get_Device_IDA", {ERROR_GEN_FAILURE, Outcome::Traced, {kSilent}}},
        {"SetupDiGetDeviceRegistryPropertyA",
         {ERROR_INVALID_DATA,
          Outcome::Traced,
          {"trace SetupDiGetDeviceRegistryProperty|", "trace (null)|ERRROR: RegCreateKeyEx"}}},
        {"SetupDiSetDeviceRegistryPropertyA",
         {ERROR_ACCESS_DENIED,
          Outcome::Traced,
          {"trace ERROR:  SetupDiSetDeviceRegistryProperty|"}}},
        // The read before the change ends the pass; the read for the restart need is silent.
        {"SetupDiGetDeviceInstallParamsA",
         {ERROR_INVALID_PARAMETER,
          Outcome::Traced,
          {"trace (null)|error:SetupDiGetDeviceInstallParams", kSilent},
          true}},
        {"SetupDiSetDeviceInstallParamsA",
         {ERROR_INVALID_PARAMETER,
          Outcome::Traced,
          {"trace (null)|error:SetupDiSetDeviceInstallParams"},
          true}},
        {"SetupDiCallClassInstaller",
         {kNoCompatDrivers,
          Outcome::Traced,
          {"trace Select device|", "trace DIF_INSTALLDEVICE:   ERROR!|"}}},
        {"SetupDiGetSelectedDriverA",
         {ERROR_NO_DRIVER_SELECTED, Outcome::Traced, {"trace ERROR: GetInfNameAndSection|"}}},
        {"SetupDiGetDriverInfoDetailA",
         {ERROR_INVALID_PARAMETER, Outcome::Traced, {"trace ERROR: GetInfNameAndSection|"}}},
        {"SetupOpenInfFileA",
         {ERROR_FILE_NOT_FOUND, Outcome::Traced, {"trace (null)|Can't open inf file"}}},
        {"RegCreateKeyExA",
         {ERROR_ACCESS_DENIED, Outcome::Traced, {"trace (null)|ERRROR: RegCreateKeyEx"}}},
        {"SetupInstallFromInfSectionA",
         {ERROR_SECTION_NOT_FOUND,
          Outcome::Traced,
          {"trace Sample_Install.SoftwareSettings|",
           "trace Sample_Install.OpenGLSoftwareSettings|"}}},
        {"SetupDiDestroyDeviceInfoList", {ERROR_INVALID_HANDLE, Outcome::Traced, {kSilent}}},
        {"FormatMessageA", {ERROR_MR_MID_NOT_FOUND, Outcome::Traced, {kSilent}}},
        {"LocalFree", {ERROR_INVALID_HANDLE, Outcome::Traced, {kSilent}}},
    };
    return rules;
}

// Calls that cannot fail on Windows, and the toolkit's queries, which have no failure result
// (a symbol, list or entry read always answers with a count; the frame queries with the frame).
const std::set<std::string> kInfallible = {
    "CbGetSymbolValue", "CbGetListItem",     "UsGetListLength",  "HwndFrame",
    "HinstFrame",       "CharNextA",         "CharUpperA",       "DispatchMessageA",
    "GetLastError",     "IsWindow",          "PeekMessageA",     "PostQuitMessage",
    "SetLastError",     "SetupCloseInfFile", "TranslateMessage", "lstrcmpA",
    "lstrcmpiA",        "lstrcpynA",         "lstrlenA",
};

struct Scenario {
    const char* name;
    std::function<Config()> config;
    const char* answers;
    int devices;             // matching display devices
    DWORD secondDeviceFlags; // what the second device's installation asks of Windows
};

const Scenario kScenarios[] = {
    {"FullInstall", [] { return FullInstall().Set("UPDATE_SOURCE_PATH", "1"); }, "", 1, 0},
    {"InformationPath", [] { return InfoOnly(); }, "", 1, 0},
    {"QuitFromInformation", [] { return InfoOnly(); }, "[100]\nevent=EXIT\n[200]\nevent=EXIT\n", 0,
     0},
    {"QuitFromCustomInstall", [] { return FullInstall(); },
     "[6200]\nevent=EXIT\n[200]\nevent=EXIT\n", 0, 0},
    {"QuitFromBadPath", [] { return FullInstall(); },
     "[6200]\nedit=\"\"\n[6400]\nevent=EXIT\n[200]\nevent=EXIT\n", 0, 0},
    {"ThreeDevices", [] { return InfoOnly(); }, "", 3, DI_NEEDRESTART},
};

struct RunView {
    std::vector<std::string> calls;
    std::vector<std::string> journal;
    std::vector<std::string> dialogs;
    int installed = 0;
};

int CountOf(const std::vector<std::string>& lines, const std::string& line)
{
    return int(std::count(lines.begin(), lines.end(), line));
}

class FaultSweep : public SetupRun, public ::testing::WithParamInterface<Scenario>
{
  protected:
    void Arrange()
    {
        const Scenario& s = GetParam();
        winsim::Reset();
        TkReset();
        UseMedium(mediumDir);
        WriteConfig(s.config());
        devices.clear();
        const char* ids[] = {"PCI\\VEN_1234&DEV_5678\\3&1&0&10", "PCI\\VEN_1234&DEV_5678\\3&1&0&18",
                             "PCI\\VEN_1234&DEV_5678\\3&1&0&20"};
        for (int i = 0; i < s.devices; i++)
            devices.push_back(AddDisplayDevice(ids[i], i == 1 ? s.secondDeviceFlags : 0));
        if (*s.answers)
            Answers(s.answers);
    }

    RunView RunOnce()
    {
        const size_t before = winsim::CallLog().size();
        Run();
        RunView view;
        view.calls.assign(winsim::CallLog().begin() + before, winsim::CallLog().end());
        view.journal = winsim::Journal();
        view.dialogs = Dialogs();
        for (int d : devices)
            view.installed += winsim::DriverInstalled(d);
        return view;
    }

    // What every run must keep, whatever failed.
    void ExpectInvariants(const RunView& run, const std::string& failing)
    {
        EXPECT_EQ(0, exitCode);
        EXPECT_EQ(1, CountOf(run.calls, "TerminateFrame")) << "the toolkit is stopped once";
        EXPECT_EQ(1, CountOf(run.calls, "TerminateInstall"));
        EXPECT_LE(CountOf(run.dialogs, "400"), 1) << "the fatal dialog at most once";
        winsim::OpenHandles open = winsim::Open();
        EXPECT_EQ(failing == "RegCloseKey" ? 1 : 0, open.keys);
        EXPECT_EQ(failing == "SetupDiDestroyDeviceInfoList" ? 1 : 0, open.deviceSets);
        EXPECT_EQ(0, open.infHandles);
        EXPECT_EQ(failing == "CloseHandle" ? 1 : 0, open.files);
        EXPECT_EQ(failing == "LocalFree" ? 1 : 0, winsim::LocalBlocks());
    }

    static bool ShowedFatal(const RunView& run)
    {
        return CountOf(run.dialogs, "400") == 1;
    }

    // Once the fatal dialog is up, nothing of the setup happens any more.
    static void ExpectFatalLast(const RunView& run)
    {
        auto it = std::find(run.journal.begin(), run.journal.end(), "dialog 400");
        ASSERT_NE(run.journal.end(), it);
        for (++it; it != run.journal.end(); ++it) {
            const std::string& line = *it;
            bool closing = line.rfind("close ", 0) == 0 || line.rfind("dialog-symbols ", 0) == 0 ||
                           line == "frame-end" || line == "install-end";
            EXPECT_TRUE(closing) << "after the fatal dialog: " << line;
        }
    }

    void ExpectOutcome(const RunView& clean, const RunView& run, const std::string& failing,
                       const CallRule& rule)
    {
        switch (rule.outcome) {
        case Outcome::Fatal:
            EXPECT_TRUE(ShowedFatal(run)) << "expected the fatal dialog";
            if (ShowedFatal(run))
                ExpectFatalLast(run);
            break;
        case Outcome::Quiet:
            EXPECT_TRUE(run.dialogs.empty());
            EXPECT_TRUE(JournalLines(run, "msgbox ").empty());
            break;
        case Outcome::GoesOn:
            EXPECT_EQ(clean.dialogs, run.dialogs);
            break;
        case Outcome::Traced: {
            EXPECT_EQ(clean.dialogs, run.dialogs);
            bool silentAllowed = false, seen = false;
            for (const std::string& trace : rule.traces) {
                if (trace.empty()) {
                    silentAllowed = true;
                    continue;
                }
                for (const std::string& line : run.journal)
                    seen = seen || line.rfind(trace, 0) == 0;
            }
            if (!rule.traces.empty()) {
                EXPECT_TRUE(seen || silentAllowed) << "no trace for the failure of " << failing;
            }
            if (!rule.stopsPass) {
                EXPECT_GE(run.installed, clean.installed - 1) << "later devices still installed";
            }
            break;
        }
        case Outcome::Either:
            if (ShowedFatal(run))
                ExpectFatalLast(run);
            break;
        }
    }

    static std::vector<std::string> JournalLines(const RunView& run, const std::string& prefix)
    {
        std::vector<std::string> lines;
        for (const auto& line : run.journal)
            if (line.rfind(prefix, 0) == 0)
                lines.push_back(line);
        return lines;
    }

    std::vector<int> devices;
};

TEST_P(FaultSweep, EveryCallFailingInTurn)
{
    Arrange();
    const RunView clean = RunOnce();
    ExpectInvariants(clean, "");
    EXPECT_EQ(0, CountOf(clean.dialogs, "400")) << "the clean run is not clean";
    EXPECT_EQ(GetParam().devices, clean.installed);

    int swept = 0;
    for (size_t k = 1; k <= clean.calls.size(); k++) {
        const std::string& failing = clean.calls[k - 1];
        if (kInfallible.count(failing))
            continue;
        auto rule = Rules().find(failing);
        ASSERT_NE(Rules().end(), rule) << "no rule for " << failing << ": add it to the table";
        SCOPED_TRACE("call " + std::to_string(k) + " (" + failing + ") fails with " +
                     std::to_string(rule->second.error));
        Arrange();
        winsim::FailCall("*", int(k), rule->second.error);
        const RunView run = RunOnce();
        ExpectInvariants(run, failing);
        ExpectOutcome(clean, run, failing, rule->second);
        swept++;
        if (HasFailure())
            break; // one broken call is enough to read; the rest would repeat it
    }
    std::printf("[ sweep    ] %s: %zu calls in the clean run, %d failing runs\n", GetParam().name,
                clean.calls.size(), swept);
    RecordProperty("failing_runs", swept);
}

INSTANTIATE_TEST_SUITE_P(Setup, FaultSweep, ::testing::ValuesIn(kScenarios),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
