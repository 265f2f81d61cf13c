// The setup medium and devices the whole-run fuzz targets start from, and the checks after a run.
#pragma once
#include "fuzz_support.h"
#include "platform.h"
#include "toolkit_host.h"
#include "core.h"

#include <algorithm>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int);

namespace fuzzsupport
{

const char kMedium[] = "C:\\Setup\\";

inline void MakeMedium(const std::string& config)
{
    winsim::Reset();
    TkReset();
    const std::string dir = kMedium;
    winsim::SetModulePath(dir + "Tarnwick.exe");
    winsim::PutFile(dir + "Tarnwick.exe", "MZ setup");
    winsim::PutFile(dir + "Brinmoor.EXE", "MZ helper");
    for (const char* name : {"DispCpl.exe", "ReadMe.txt", "dispcpl.ini", "dispcpl.fon"})
        winsim::PutFile(dir + name, name);
    winsim::PutFile(dir + "sample.inf",
                    "[Version]\r\nSignature=\"$Windows NT$\"\r\nClass=Display\r\n"
                    "[Sample_Install]\r\n[Sample_Install.SoftwareSettings]\r\n"
                    "AddReg=Soft\r\n[Soft]\r\nHKR,,Mode,,\"fast\"\r\n");
    winsim::PutFile(dir + "setupNT.ini", config);
    const GUID display = winsim::MakeGuid("{4D36E968-E325-11CE-BFC1-08002BE10318}");
    const char* ids[] = {"PCI\\VEN_1234&DEV_5678\\3&1", "PCI\\VEN_1234&DEV_5678\\3&2",
                         "USB\\VID_0001\\7"};
    for (int i = 0; i < 3; i++) {
        winsim::Device device;
        device.instanceId = ids[i];
        device.classGuid = display;
        device.className = "Display";
        device.driverKey =
            std::string("{4D36E968-E325-11CE-BFC1-08002BE10318}\\000") + char('0' + i);
        device.infPath = dir + "sample.inf";
        device.installSection = "Sample_Install";
        device.driverHardwareIds = {"PCI\\VEN_1234&DEV_5678"};
        winsim::AddDevice(device);
    }
}

// The answer script, when the toolkit takes it; false for a script it refuses.
inline bool UseAnswers(const std::string& script)
{
    std::string error;
    tk::AnswerScript probe;
    if (!probe.Parse(script, &error))
        return false;
    TkSetAnswerScript(script.c_str());
    return true;
}

// The simulated machine has no current directory, so a source directory that is not a full
// path cannot be copied from; such a configuration is passed over.
inline bool SourceDirectoryIsFull()
{
    char value[512] = "";
    if (FOpenInf((std::string(kMedium) + "setupNT.ini").c_str(), 1, 0))
        CbGetSymbolValue("STF_SRCDIR", value, sizeof value);
    TkReset();
    const std::string dir = value;
    return dir.empty()
               ? true
               : (dir.size() >= 3 && dir[1] == ':' && dir[2] == '\\') || dir.rfind("\\\\", 0) == 0;
}

inline void RunSetupAndCheck()
{
    const size_t before = winsim::CallLog().size();
    int code = RunWhole([] {
        char line[] = "";
        return WinMain(nullptr, nullptr, line, 1);
    });
    Require(code == 0, "the setup program did not end with exit code 0");
    const std::vector<std::string> calls(winsim::CallLog().begin() + before,
                                         winsim::CallLog().end());
    Require(std::count(calls.begin(), calls.end(), "TerminateFrame") <= 1,
            "the toolkit was stopped twice");
    const auto& journal = winsim::Journal();
    // The fatal dialog may be shown again until it is acknowledged, but once it is up no other
    // dialog follows it.
    auto fatal = std::find(journal.begin(), journal.end(), "dialog 400");
    for (auto it = fatal; it != journal.end(); ++it)
        Require(it->rfind("dialog ", 0) != 0 || *it == "dialog 400",
                "a dialog followed the fatal dialog");
    winsim::OpenHandles open = winsim::Open();
    Require(open.keys == 0 && open.deviceSets == 0 && open.infHandles == 0 && open.files == 0,
            "a handle was left open");
    Require(winsim::LocalBlocks() == 0, "a message buffer was not freed");
}

} // namespace fuzzsupport
