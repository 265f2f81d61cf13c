// The setup tests' machine: medium, configuration file, sample device and driver, whole runs.
#include "setup_run.h"

#include <algorithm>

namespace setuptest
{

const char kDisplayGuid[] = "{4D36E968-E325-11CE-BFC1-08002BE10318}";
const char kWarning[] = "The device is not present or not configured correctly!\n\n"
                        "Please check then restart your Windows.";

Config& Config::Set(const std::string& name, const std::string& value)
{
    symbols[name] = value;
    return *this;
}

Config& Config::Drop(const std::string& name)
{
    symbols.erase(name);
    return *this;
}

Config FullInstall()
{
    Config c;
    c.Set("UPDATE_SOURCE_PATH", "0")
        .Set("APP_BITMAP", "1")
        .Set("APP_TITLE", "Display Setup")
        .Set("APP_DEST_PATH", "C:\\Program Files\\Display Utility\\")
        .Set("APP_PROGRAM_GROUP", "Display Utility")
        .Set("APP_PROGRAM_ITEM_NAME1", "Display Settings")
        .Set("APP_PROGRAM_ITEM_FILE1", "DispCpl.exe")
        .Set("APP_PROGRAM_ITEM_NAME2", "Read Me")
        .Set("APP_PROGRAM_ITEM_FILE2", "ReadMe.txt")
        .Set("APP_STARTUP", "DispCpl.exe /tray")
        .Set("APP_INSTALL_UTILITY", "1")
        .Set("APP_INSTALL_DRIVER", "1")
        .Set("CLASS", "Display")
        .Set("ID_1", "ven_1234");
    c.sections["app"] = {"DispCpl.exe", "ReadMe.txt"};
    c.sections["win"] = {"dispcpl.ini"};
    c.sections["fonts"] = {"dispcpl.fon"};
    return c;
}

Config InfoOnly()
{
    return FullInstall().Set("APP_INSTALL_UTILITY", "0");
}

void SetupRun::SetUp()
{
    FreshMachine(mediumDir);
}

void SetupRun::FreshMachine(const std::string& dir)
{
    winsim::Reset();
    TkReset();
    devicesAdded = 0;
    UseMedium(dir);
}

void SetupRun::UseMedium(const std::string& dir)
{
    mediumDir = dir;
    winsim::SetModulePath(dir + "Tarnwick.exe");
    winsim::PutFile(dir + "Tarnwick.exe", "MZ setup");
    winsim::PutFile(dir + "Brinmoor.EXE", "MZ helper");
    for (const char* name : {"DispCpl.exe", "ReadMe.txt", "dispcpl.ini", "dispcpl.fon"})
        winsim::PutFile(dir + name, std::string("content of ") + name);
    winsim::PutFile(dir + "sample.inf", "[Version]\r\n"
                                        "Signature=\"$Windows NT$\"\r\n"
                                        "Class=Display\r\n"
                                        "[Sample_Install]\r\n"
                                        "[Sample_Install.SoftwareSettings]\r\n"
                                        "AddReg=Sample_Soft\r\n"
                                        "[Sample_Install.OpenGLSoftwareSettings]\r\n"
                                        "AddReg=Sample_GL\r\n"
                                        "[Sample_Soft]\r\n"
                                        "HKR,,Acceleration,0x10001,3\r\n"
                                        "HKR,,Mode,,\"fast\"\r\n"
                                        "[Sample_GL]\r\n"
                                        "HKR,,OpenGLDriver,,\"sample_gl.dll\"\r\n");
}

void SetupRun::WriteConfig(const Config& config)
{
    std::string text = "[Symbols]\r\n";
    for (const auto& [name, value] : config.symbols)
        text += name + "=\"" + value + "\"\r\n";
    for (const auto& [section, files] : config.sections) {
        text += "[" + section + "]\r\n";
        for (const auto& file : files)
            text += file + "\r\n";
    }
    winsim::PutFile(mediumDir + "setupNT.ini", text);
}

int SetupRun::AddDisplayDevice(const std::string& instanceId, DWORD flagsAfterInstall)
{
    winsim::Device device;
    device.instanceId = instanceId;
    device.classGuid = winsim::MakeGuid(kDisplayGuid);
    device.className = "Display";
    device.hardwareIds = {"PCI\\VEN_1234&DEV_5678"};
    device.infPath = mediumDir + "sample.inf";
    device.installSection = "Sample_Install";
    device.driverHardwareIds = {"PCI\\VEN_1234&DEV_5678"};
    // Devices are numbered from 0 in the order they are added; the driver key follows suit.
    char key[64];
    snprintf(key, sizeof key, "%s\\%04d", kDisplayGuid, devicesAdded++);
    device.driverKey = key;
    int devInst = winsim::AddDevice(device);
    winsim::InstallerOutcome outcome;
    outcome.setFlags = flagsAfterInstall;
    winsim::SetInstallerOutcome(devInst, DIF_INSTALLDEVICE, outcome);
    return devInst;
}

void SetupRun::Answers(const std::string& script)
{
    TkSetAnswerScript(script.c_str());
}

int SetupRun::Run(const std::string& commandLine)
{
    exitCode = winsim::RunChild([&] {
        std::vector<char> line(commandLine.begin(), commandLine.end());
        line.push_back('\0');
        return WinMain(NULL, NULL, line.data(), 1);
    });
    return exitCode;
}

std::vector<std::string> SetupRun::Dialogs() const
{
    std::vector<std::string> ids;
    for (const auto& line : winsim::JournalWith("dialog "))
        ids.push_back(line.substr(7));
    return ids;
}

std::vector<std::string> SetupRun::Lines(const std::string& prefix) const
{
    return winsim::JournalWith(prefix);
}

bool SetupRun::Saw(const std::string& line) const
{
    return Count(line) > 0;
}

int SetupRun::Count(const std::string& line) const
{
    const auto& journal = winsim::Journal();
    return (int)std::count(journal.begin(), journal.end(), line);
}

std::string SetupRun::WarningBox() const
{
    return std::string("msgbox 48|SETUP WARNING:|") + kWarning;
}

} // namespace setuptest
