// A fresh simulated machine with a setup medium, and whole runs of the setup program on it.
#pragma once
#include "platform.h"
#include "winsim/machine.h"
#include "toolkit_host.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int);

namespace setuptest
{

extern const char kDisplayGuid[];
extern const char kWarning[];

// The configuration, as symbols and file sections of setupNT.ini. An empty value is written as
// given; Drop() leaves a symbol out of the file.
struct Config {
    std::map<std::string, std::string> symbols;
    std::map<std::string, std::vector<std::string>> sections;
    Config& Set(const std::string& name, const std::string& value);
    Config& Drop(const std::string& name);
};

// A full custom install: utility and driver, two items, a start-up file, one device request.
Config FullInstall();
// The information path: no utility offered, the driver on.
Config InfoOnly();

class SetupRun : public ::testing::Test
{
  protected:
    void SetUp() override;

    // A new machine and toolkit with the medium in dir, as each case of a table needs.
    void FreshMachine(const std::string& dir = "C:\\Setup\\");
    // The medium lives in mediumDir (with final backslash); the program is Tarnwick.exe there.
    void UseMedium(const std::string& dir);
    void WriteConfig(const Config& config);
    // One present display device whose instance ID holds "VEN_1234", with a sample driver.
    int AddDisplayDevice(const std::string& instanceId = "PCI\\VEN_1234&DEV_5678\\3&1&0&10",
                         DWORD flagsAfterInstall = 0);
    void Answers(const std::string& script);
    int Run(const std::string& commandLine = "");

    std::vector<std::string> Dialogs() const; // "dialog <id>" lines as ids, in order
    std::vector<std::string> Lines(const std::string& prefix) const;
    bool Saw(const std::string& line) const;
    int Count(const std::string& line) const;
    std::string OverflowBox() const
    {
        return "msgbox 16|MS-Setup Error|Buffer Overflow";
    }
    std::string WarningBox() const;

    std::string mediumDir = "C:\\Setup\\";
    int exitCode = -99;
    int devicesAdded = 0;
};

} // namespace setuptest
