// Device installation on a simulated machine: matching, class moves, driver installation and the
// settings sections, as Windows and the diagnostic hook see them.
#include "devices.h"
#include "winsim/machine.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace
{

const char kDisplayGuid[] = "{4D36E968-E325-11CE-BFC1-08002BE10318}";
const char kMonitorGuid[] = "{4D36E96E-E325-11CE-BFC1-08002BE10318}";
const char kSourceRoot[] = "C:\\Setup\\";
const char kInfPath[] = "C:\\Setup\\vel.inf";
const char kDriverHwid[] = "PCI\\VEN_1234&DEV_5678";
const char kSettingsRoot[] = "HKLM\\SYSTEM\\CurrentControlSet\\Control\\Class\\";

const char kInfText[] = "[Version]\r\n"
                        "Signature=\"$Windows NT$\"\r\n"
                        "Class=Display\r\n"
                        "ClassGUID={4D36E968-E325-11CE-BFC1-08002BE10318}\r\n"
                        "\r\n"
                        "[vel.SoftwareSettings]\r\n"
                        "AddReg=vel_sw\r\n"
                        "\r\n"
                        "[vel.OpenGLSoftwareSettings]\r\n"
                        "AddReg=vel_gl\r\n"
                        "\r\n"
                        "[vel_sw]\r\n"
                        "HKR,,VideoMode,0,\"fast\"\r\n"
                        "\r\n"
                        "[vel_gl]\r\n"
                        "HKR,,OpenGLDriver,0,\"velgl.dll\"\r\n";

std::string T(const std::string& caption, const std::string& text)
{
    return "trace " + caption + "|" + text;
}
// A line that goes through the system's message text: "#<error>" is expanded after the run,
// "*" accepts any text.
std::string Sys(const std::string& caption, DWORD error)
{
    return T(caption, "#" + std::to_string(error));
}
std::string SysAny(const std::string& caption)
{
    return T(caption, "*");
}

std::string SystemText(DWORD error)
{
    char* text = nullptr;
    FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM, nullptr, error,
                   LANG_USER_DEFAULT, (LPSTR)&text, 0, nullptr);
    std::string result = text ? text : "(null)";
    if (text)
        LocalFree(text);
    return result;
}

std::string DriverKey(int n)
{
    char text[8];
    snprintf(text, sizeof(text), "%04d", n);
    return std::string(kDisplayGuid) + "\\" + text;
}

std::string SettingsKey(int n)
{
    return kSettingsRoot + DriverKey(n) + "\\Settings";
}

winsim::Device DisplayDevice(const std::string& instanceId, int driverNumber = 0)
{
    winsim::Device d;
    d.instanceId = instanceId;
    d.classGuid = winsim::MakeGuid(kDisplayGuid);
    d.className = "Display";
    d.driverKey = DriverKey(driverNumber);
    d.hardwareIds = {kDriverHwid};
    d.infPath = kInfPath;
    d.installSection = "vel";
    d.driverHardwareIds = {kDriverHwid, "PCI\\VEN_1234"};
    return d;
}

winsim::Device MonitorDevice(const std::string& instanceId)
{
    winsim::Device d = DisplayDevice(instanceId);
    d.classGuid = winsim::MakeGuid(kMonitorGuid);
    d.className = "Monitor";
    return d;
}

bool SameGuid(const GUID& a, const char* braced)
{
    GUID b = winsim::MakeGuid(braced);
    return memcmp(&a, &b, sizeof(GUID)) == 0;
}

class DeviceInstall : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        winsim::Reset();
        winsim::PutFile(kInfPath, kInfText);
        frame = winsim::AddWindow("Setup");
    }

    void TearDown() override
    {
        winsim::OpenHandles open = winsim::Open();
        EXPECT_EQ(0, open.keys);
        EXPECT_EQ(0, open.deviceSets);
        EXPECT_EQ(0, open.infHandles);
    }

    int Install(const char* className = "Display", const char* hardwareId = "ven_1234")
    {
        restart = -1;
        count = InstallDevices(className, hardwareId, frame, kSourceRoot, &restart);
        return count;
    }

    static std::vector<std::string> Traces()
    {
        return winsim::JournalWith("trace ");
    }

    static int CallsTo(const std::string& name)
    {
        int n = 0;
        for (const std::string& call : winsim::CallLog())
            n += call == name;
        return n;
    }

    // Compares the trace lines with the expected ones, expanding system-text placeholders.
    static void ExpectTraces(const std::vector<std::string>& expected)
    {
        std::vector<std::string> actual = Traces();
        std::vector<std::string> wanted;
        for (size_t i = 0; i < expected.size(); i++) {
            std::string line = expected[i];
            size_t bar = line.find('|');
            std::string text = line.substr(bar + 1);
            if (text == "*" && i < actual.size() &&
                actual[i].compare(0, bar + 1, line, 0, bar + 1) == 0)
                line = actual[i];
            else if (text.size() > 1 && text[0] == '#')
                line = line.substr(0, bar + 1) + SystemText(std::stoul(text.substr(1)));
            wanted.push_back(line);
        }
        EXPECT_EQ(wanted, actual);
    }

    HWND frame = nullptr;
    int restart = -1;
    int count = -1;
};

// ---- Every trace point, with the scenario that reaches it.

const std::string kId = "PCI\\VEN_1234&DEV_5678&SUBSYS_00000000\\3&11&0&08";

std::vector<std::string> FirstPassOk()
{
    return {T("Display", kDisplayGuid), T("MATCH:instance id", kId), T("CLASS NAME", "Display"),
            T("OK", "SetupDiSetDeviceRegistryProperty")};
}
std::vector<std::string> UpToSelect()
{
    std::vector<std::string> lines = FirstPassOk();
    lines.push_back(T("DEVICE FOUND", kId));
    lines.push_back(T("(null)", "modify devinstall para"));
    lines.push_back(T("(null)", "call :SetupDiSelectDevice"));
    return lines;
}
std::vector<std::string> UpToDriver()
{
    std::vector<std::string> lines = UpToSelect();
    lines.push_back(T("install device", "Install device OK"));
    lines.push_back(T("(null)", "Driver selected for HdevInfo"));
    return lines;
}
std::vector<std::string> UpToKey()
{
    std::vector<std::string> lines = UpToDriver();
    lines.push_back(T("*** InstallDevice Step 6  ",
                      "Get or Create Key: Control\\Class\\{Display_GUID}\\xxxx\\Settings"));
    lines.push_back(T("control key", SettingsKey(0).substr(5)));
    return lines;
}
std::vector<std::string> Tail(const std::vector<std::string>& lines, size_t from)
{
    return std::vector<std::string>(lines.begin() + from, lines.end());
}
std::vector<std::string> operator+(std::vector<std::string> a, const std::vector<std::string>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

struct TraceCase {
    const char* name;
    const char* className;
    std::function<void(int devInst)> arrange;
    int count;
    std::vector<std::string> traces;
};

void PrintTo(const TraceCase& c, std::ostream* os)
{
    *os << c.name;
}

class TracePoints : public DeviceInstall, public ::testing::WithParamInterface<TraceCase>
{
};

TEST_P(TracePoints, AppearInOrder)
{
    const TraceCase& c = GetParam();
    int dev = winsim::AddDevice(DisplayDevice(kId));
    if (c.arrange)
        c.arrange(dev);
    EXPECT_EQ(c.count, Install(c.className));
    EXPECT_EQ(0, restart);
    ExpectTraces(c.traces);
}

const std::vector<std::string> kSectionsOk = {
    T("******** InstallDevice Step 7", "install SoftwareSettings for control key"),
    T("SoftwareSettings Section name", "vel.SoftwareSettings"),
    T("SetupInstallFromInfSection OK", "vel.SoftwareSettings"),
    T("******** InstallDevice Step 8", "install OpenGL for control key"),
    T("SoftwareSettings Section name", "vel.OpenGLSoftwareSettings"),
    T("SetupInstallFromInfSection OK", "vel.OpenGLSoftwareSettings")};

INSTANTIATE_TEST_SUITE_P(
    DeviceInstall, TracePoints,
    ::testing::Values(
        TraceCase{"UnknownClass", "Printer", nullptr, 0,
                  {T("(null)", "error: SetupDiClassGuidsFromName")}},
        TraceCase{"Success", "Display", nullptr, 1, UpToKey() + kSectionsOk},
        TraceCase{"ClassNameUnreadableAndGuidNotWritten", "Display",
                  [](int) {
                      winsim::Device other = MonitorDevice("USB\\VID_1234&VEN_1234\\7");
                      other.className = "";
                      winsim::AddDevice(other);
                      winsim::FailCall("SetupDiSetDeviceRegistryPropertyA", 2, ERROR_ACCESS_DENIED);
                  },
                  1,
                  FirstPassOk() +
                      std::vector<std::string>{
                          T("MATCH:instance id", "USB\\VID_1234&VEN_1234\\7"),
                          SysAny("SetupDiGetDeviceRegistryProperty"),
                          Sys("ERROR:  SetupDiSetDeviceRegistryProperty", ERROR_ACCESS_DENIED)} +
                      Tail(UpToKey(), 4) + kSectionsOk},
        TraceCase{"DeviceSetNotBuilt", "Display",
                  [](int) {
                      winsim::FailCall("SetupDiGetClassDevsA", 2, ERROR_INVALID_PARAMETER);
                  },
                  0, FirstPassOk() + std::vector<std::string>{T("(null)", "error: DiGetClassDevs")}},
        TraceCase{"ParamsNotRead", "Display",
                  [](int) {
                      winsim::FailCall("SetupDiGetDeviceInstallParamsA", 1, ERROR_INVALID_PARAMETER);
                  },
                  0,
                  FirstPassOk() + std::vector<std::string>{
                                      T("DEVICE FOUND", kId), T("(null)", "modify devinstall para"),
                                      T("(null)", "error:SetupDiGetDeviceInstallParams")}},
        TraceCase{"ParamsNotWritten", "Display",
                  [](int) {
                      winsim::FailCall("SetupDiSetDeviceInstallParamsA", 1, ERROR_INVALID_PARAMETER);
                  },
                  0,
                  FirstPassOk() + std::vector<std::string>{
                                      T("DEVICE FOUND", kId), T("(null)", "modify devinstall para"),
                                      T("(null)", "error:SetupDiSetDeviceInstallParams")}},
        TraceCase{"SelectFails", "Display",
                  [](int dev) {
                      winsim::SetInstallerOutcome(dev, DIF_SELECTDEVICE,
                                                  {false, ERROR_DI_DO_DEFAULT, 0});
                  },
                  1, UpToSelect() + std::vector<std::string>{Sys("Select device", ERROR_DI_DO_DEFAULT)}},
        TraceCase{"InstallFails", "Display",
                  [](int dev) {
                      winsim::SetInstallerOutcome(dev, DIF_INSTALLDEVICE,
                                                  {false, ERROR_NO_DRIVER_SELECTED, 0});
                  },
                  1,
                  UpToSelect() + std::vector<std::string>{Sys("DIF_INSTALLDEVICE:   ERROR!",
                                                              ERROR_NO_DRIVER_SELECTED)}},
        TraceCase{"NoSelectedDriver", "Display",
                  [](int) {
                      winsim::FailCall("SetupDiGetSelectedDriverA", 1, ERROR_NO_DRIVER_SELECTED);
                  },
                  1,
                  UpToSelect() + std::vector<std::string>{
                                     T("install device", "Install device OK"),
                                     Sys("ERROR: GetInfNameAndSection", ERROR_NO_DRIVER_SELECTED)}},
        TraceCase{"InfNotOpened", "Display",
                  [](int) { winsim::FailCall("SetupOpenInfFileA", 1, ERROR_FILE_NOT_FOUND); }, 1,
                  UpToDriver() + std::vector<std::string>{T("(null)", "Can't open inf file")}},
        TraceCase{"SettingsKeyNeitherOpenedNorCreated", "Display",
                  [](int) {
                      winsim::FailCall("RegOpenKeyExA", 1, ERROR_FILE_NOT_FOUND);
                      winsim::FailCall("RegCreateKeyExA", 1, ERROR_ACCESS_DENIED);
                  },
                  1, UpToKey() + std::vector<std::string>{T("(null)", "ERRROR: RegCreateKeyEx")}},
        TraceCase{"FirstSectionFails", "Display",
                  [](int) {
                      winsim::FailCall("SetupInstallFromInfSectionA", 1, ERROR_SECTION_NOT_FOUND);
                  },
                  1,
                  UpToKey() + std::vector<std::string>{
                                  kSectionsOk[0], kSectionsOk[1],
                                  Sys("vel.SoftwareSettings", ERROR_SECTION_NOT_FOUND),
                                  kSectionsOk[3], kSectionsOk[4], kSectionsOk[5]}}),
    [](const ::testing::TestParamInfo<TraceCase>& info) { return std::string(info.param.name); });

// ---- The matching rule

struct MatchCase {
    const char* hardwareId;
    const char* instanceId;
    bool present;
    bool matches;
};

void PrintTo(const MatchCase& c, std::ostream* os)
{
    *os << c.instanceId;
}

class Matching : public DeviceInstall, public ::testing::WithParamInterface<MatchCase>
{
};

TEST_P(Matching, KeyOccursInUpperCasedInstanceId)
{
    const MatchCase& c = GetParam();
    winsim::Device d = MonitorDevice(c.instanceId);
    d.present = c.present;
    d.driverHardwareIds = {""};
    int dev = winsim::AddDevice(d);

    EXPECT_EQ(c.matches ? 1 : 0, Install("Display", c.hardwareId));
    EXPECT_EQ(c.matches, winsim::DriverInstalled(dev));
    EXPECT_EQ(c.matches, SameGuid(winsim::GetDevice(dev).classGuid, kDisplayGuid));
    if (c.matches)
        EXPECT_EQ(T("MATCH:instance id", c.instanceId), Traces().at(1)); // as read, not upper-cased
    else
        EXPECT_EQ(1u, Traces().size());
}

INSTANTIATE_TEST_SUITE_P(
    DeviceInstall, Matching,
    ::testing::Values(MatchCase{"ven_1234", "PCI\\VEN_1234&DEV_5678\\3", true, true},
                      MatchCase{"Dev_5678", "pci\\ven_1234&dev_5678\\3", true, true},
                      MatchCase{"PCI\\VEN", "PCI\\VEN_1234&DEV_5678\\3", true, true},
                      MatchCase{"&3", "PCI\\VEN_1234&DEV_5678\\4&3", true, true},
                      MatchCase{"VEN_12345", "PCI\\VEN_1234&DEV_5678\\3", true, false},
                      MatchCase{"VEN_1234", "PCI\\VEN_1234&DEV_5678\\3", false, false}));

// The installation pass matches against the first hardware ID of each installed driver as the
// INF gives it, so devices the first pass moved may still be passed over.
TEST_F(DeviceInstall, KeyBecomesDriverHardwareIdAfterFirstInstall)
{
    int first = winsim::AddDevice(DisplayDevice("PCI\\VEN_1234&DEV_5678\\1"));
    int other = winsim::AddDevice(DisplayDevice("PCI\\VEN_1234&DEV_9999\\2"));
    int second = winsim::AddDevice(DisplayDevice("PCI\\VEN_1234&DEV_5678\\3", 1));

    EXPECT_EQ(2, Install("Display", "VEN_1234"));
    EXPECT_TRUE(winsim::DriverInstalled(first));
    EXPECT_FALSE(winsim::DriverInstalled(other));
    EXPECT_TRUE(winsim::DriverInstalled(second));
    EXPECT_EQ(3, CallsTo("SetupDiSetDeviceRegistryPropertyA")); // all three moved
}

TEST_F(DeviceInstall, LowerCaseHardwareIdInInfStopsLaterMatches)
{
    winsim::Device d = DisplayDevice("PCI\\VEN_1234&DEV_5678\\1");
    d.driverHardwareIds = {"pci\\ven_1234&dev_5678"};
    int first = winsim::AddDevice(d);
    int second = winsim::AddDevice(DisplayDevice("PCI\\VEN_1234&DEV_5678\\2", 1));

    EXPECT_EQ(1, Install());
    EXPECT_TRUE(winsim::DriverInstalled(first));
    EXPECT_FALSE(winsim::DriverInstalled(second));
}

TEST_F(DeviceInstall, EmptyFirstHardwareIdMatchesEveryLaterDeviceOfTheClass)
{
    winsim::Device d = DisplayDevice("PCI\\VEN_1234&DEV_5678\\1");
    d.driverHardwareIds = {""};
    winsim::AddDevice(d);
    int unrelated = winsim::AddDevice(DisplayDevice("ACPI\\PNP0A03\\0", 1));
    int monitor = winsim::AddDevice(MonitorDevice("DISPLAY\\DEF0001\\1"));

    EXPECT_EQ(2, Install());
    EXPECT_TRUE(winsim::DriverInstalled(unrelated));
    EXPECT_FALSE(winsim::DriverInstalled(monitor)); // not in the class, not moved
}

// A device that drops out before its driver is read leaves the key as it was.
TEST_F(DeviceInstall, FailedSelectionKeepsKey)
{
    winsim::Device d = DisplayDevice("PCI\\VEN_1234&DEV_1111\\1");
    d.driverHardwareIds = {"NOTHING_ELSE"};
    int failing = winsim::AddDevice(d);
    winsim::SetInstallerOutcome(failing, DIF_SELECTDEVICE, {false, ERROR_DI_DO_DEFAULT, 0});
    int later = winsim::AddDevice(DisplayDevice("PCI\\VEN_1234&DEV_2222\\2", 1));

    EXPECT_EQ(2, Install());
    EXPECT_TRUE(winsim::DriverInstalled(later));
}

TEST_F(DeviceInstall, OverlongHardwareIdMatchesNothing)
{
    int dev = winsim::AddDevice(DisplayDevice(kId));
    std::string key(256, 'A');

    EXPECT_EQ(0, Install("Display", key.c_str()));
    EXPECT_FALSE(winsim::DriverInstalled(dev));
    EXPECT_EQ(0, CallsTo("SetupDiSetDeviceRegistryPropertyA"));
}

// ---- The first pass

TEST_F(DeviceInstall, FirstPassMovesMatchingDevicesOfAnyClass)
{
    int inClass = winsim::AddDevice(DisplayDevice("PCI\\VEN_1234&DEV_5678\\1"));
    int moved = winsim::AddDevice(MonitorDevice("PCI\\VEN_1234&DEV_5678\\2"));
    int stays = winsim::AddDevice(MonitorDevice("DISPLAY\\DEF0001\\1"));

    EXPECT_EQ(2, Install());
    EXPECT_TRUE(SameGuid(winsim::GetDevice(inClass).classGuid, kDisplayGuid));
    EXPECT_TRUE(SameGuid(winsim::GetDevice(moved).classGuid, kDisplayGuid));
    EXPECT_TRUE(SameGuid(winsim::GetDevice(stays).classGuid, kMonitorGuid));
    EXPECT_TRUE(winsim::DriverInstalled(moved));
    // The device already in the class has its GUID written again.
    EXPECT_EQ(2, CallsTo("SetupDiSetDeviceRegistryPropertyA"));
}

struct FirstPassCase {
    const char* name;
    std::string className; // empty: the property cannot be read
    bool writeFails;
    bool moved;
};

void PrintTo(const FirstPassCase& c, std::ostream* os)
{
    *os << c.name;
}

class FirstPass : public DeviceInstall, public ::testing::WithParamInterface<FirstPassCase>
{
};

TEST_P(FirstPass, ReportsAndGoesOn)
{
    const FirstPassCase& c = GetParam();
    winsim::Device d = MonitorDevice("PCI\\VEN_1234&DEV_5678\\1");
    d.className = c.className;
    int dev = winsim::AddDevice(d);
    int next = winsim::AddDevice(MonitorDevice("PCI\\VEN_1234&DEV_5678\\2"));
    if (c.writeFails)
        winsim::FailCall("SetupDiSetDeviceRegistryPropertyA", 1, ERROR_ACCESS_DENIED);

    Install();
    std::vector<std::string> lines = Traces();
    ASSERT_GE(lines.size(), 4u);
    if (c.className.empty())
        EXPECT_EQ(0u, lines[2].rfind("trace SetupDiGetDeviceRegistryProperty|", 0)) << lines[2];
    else
        EXPECT_EQ(T("CLASS NAME", c.className), lines[2]);
    EXPECT_EQ(c.writeFails
                  ? T("ERROR:  SetupDiSetDeviceRegistryProperty", SystemText(ERROR_ACCESS_DENIED))
                  : T("OK", "SetupDiSetDeviceRegistryProperty"),
              lines[3]);
    EXPECT_EQ(c.moved, SameGuid(winsim::GetDevice(dev).classGuid, kDisplayGuid));
    EXPECT_EQ(c.moved, winsim::DriverInstalled(dev));
    EXPECT_TRUE(winsim::DriverInstalled(next)); // the pass went on
}

INSTANTIATE_TEST_SUITE_P(DeviceInstall, FirstPass,
                         ::testing::Values(FirstPassCase{"Readable", "Monitor", false, true},
                                           FirstPassCase{"ClassNameUnreadable", "", false, true},
                                           FirstPassCase{"GuidNotWritten", "Monitor", true, false}),
                         [](const ::testing::TestParamInfo<FirstPassCase>& info) {
                             return std::string(info.param.name);
                         });

TEST_F(DeviceInstall, SharedClassNameUsesFirstGuidOfThePlatform)
{
    const char otherGuid[] = "{11111111-2222-3333-4455-66778899AABB}";
    winsim::AddClass("Display", winsim::MakeGuid(otherGuid));
    int dev = winsim::AddDevice(MonitorDevice(kId));

    EXPECT_EQ(1, Install());
    EXPECT_EQ(T("Display", kDisplayGuid), Traces().at(0));
    EXPECT_TRUE(SameGuid(winsim::GetDevice(dev).classGuid, kDisplayGuid));
}

TEST_F(DeviceInstall, GuidTextIsUpperCaseAndZeroPadded)
{
    GUID guid = winsim::MakeGuid("{0000ABCD-000E-0F00-0102-0A0B0C0D0E0F}");
    char text[GUID_TEXT_SIZE];
    memset(text, 'x', sizeof(text));
    FormatGuid(&guid, text);
    EXPECT_STREQ("0000ABCD-000E-0F00-0102-0A0B0C0D0E0F", text);
}

// ---- The installation pass

struct PassCase {
    const char* name;
    std::function<void(const std::vector<int>& devs)> arrange;
    int count;
    int restart;
    std::vector<bool> installed;
};

void PrintTo(const PassCase& c, std::ostream* os)
{
    *os << c.name;
}

class InstallPass : public DeviceInstall, public ::testing::WithParamInterface<PassCase>
{
};

TEST_P(InstallPass, CountsRestartAndInstalls)
{
    const PassCase& c = GetParam();
    std::vector<int> devs;
    for (int n = 0; n < 3; n++)
        devs.push_back(winsim::AddDevice(
            DisplayDevice(std::string(kDriverHwid) + "\\" + std::to_string(n), n)));
    c.arrange(devs);

    EXPECT_EQ(c.count, Install());
    EXPECT_EQ(c.restart, restart);
    for (int n = 0; n < 3; n++)
        EXPECT_EQ(c.installed[n], winsim::DriverInstalled(devs[n])) << "device " << n;
}

void Outcome(int dev, DWORD dif, bool ok, DWORD error, DWORD flags)
{
    winsim::SetInstallerOutcome(dev, dif, {ok, error, flags});
}

INSTANTIATE_TEST_SUITE_P(
    DeviceInstall, InstallPass,
    ::testing::Values(
        PassCase{"AllInstalled", [](const std::vector<int>&) {}, 3, 0, {true, true, true}},
        PassCase{"RestartOnly",
                 [](const std::vector<int>& d) {
                     Outcome(d[0], DIF_INSTALLDEVICE, true, 0, DI_NEEDRESTART);
                 },
                 3,
                 1,
                 {true, true, true}},
        PassCase{"RebootOnly",
                 [](const std::vector<int>& d) {
                     Outcome(d[1], DIF_INSTALLDEVICE, true, 0, DI_NEEDREBOOT);
                 },
                 3,
                 1,
                 {true, true, true}},
        PassCase{"EverySelectionFails",
                 [](const std::vector<int>& d) {
                     for (int dev : d)
                         Outcome(dev, DIF_SELECTDEVICE, false, ERROR_DI_DO_DEFAULT, 0);
                 },
                 3,
                 0,
                 {false, false, false}},
        PassCase{"SecondInstallFails",
                 [](const std::vector<int>& d) {
                     Outcome(d[1], DIF_INSTALLDEVICE, false, ERROR_GEN_FAILURE, 0);
                 },
                 3,
                 0,
                 {true, false, true}},
        PassCase{"ThirdParamsNotReadAfterRestart",
                 [](const std::vector<int>& d) {
                     Outcome(d[0], DIF_INSTALLDEVICE, true, 0, DI_NEEDRESTART);
                     // Two reads per installed device: the third device's first read.
                     winsim::FailCall("SetupDiGetDeviceInstallParamsA", 5, ERROR_INVALID_PARAMETER);
                 },
                 0,
                 1,
                 {true, true, false}},
        PassCase{"SecondParamsNotWritten",
                 [](const std::vector<int>&) {
                     winsim::FailCall("SetupDiSetDeviceInstallParamsA", 2, ERROR_INVALID_PARAMETER);
                 },
                 0,
                 0,
                 {true, false, false}},
        PassCase{"RestartReadFailsSilently",
                 [](const std::vector<int>& d) {
                     Outcome(d[0], DIF_INSTALLDEVICE, true, 0, DI_NEEDREBOOT);
                     winsim::FailCall("SetupDiGetDeviceInstallParamsA", 2, ERROR_INVALID_PARAMETER);
                 },
                 3,
                 0,
                 {true, true, true}}),
    [](const ::testing::TestParamInfo<PassCase>& info) { return std::string(info.param.name); });

TEST_F(DeviceInstall, DriverPathAndFlagsAreSetBeforeSelection)
{
    int dev = winsim::AddDevice(DisplayDevice(kId));
    Install();
    winsim::InstallParams params = winsim::GetInstallParams(dev);
    EXPECT_EQ(kSourceRoot, params.driverPath);
    EXPECT_EQ((DWORD)DI_NOBROWSE, params.flags & DI_NOBROWSE);
    EXPECT_EQ((DWORD)DI_FLAGSEX_USECLASSFORCOMPAT, params.flagsEx & DI_FLAGSEX_USECLASSFORCOMPAT);
    EXPECT_EQ(0, CallsTo("SetupDiSelectDevice"));
    EXPECT_EQ(0, CallsTo("SetupDiSetSelectedDriverA"));
}

TEST_F(DeviceInstall, DriverPathThatDoesNotFitIsNotWritten)
{
    int dev = winsim::AddDevice(DisplayDevice(kId));
    std::string root = "C:\\" + std::string(MAX_PATH, 'd') + "\\";
    restart = -1;
    EXPECT_EQ(0, InstallDevices("Display", "VEN_1234", frame, root.c_str(), &restart));
    EXPECT_EQ(T("(null)", "error:SetupDiSetDeviceInstallParams"), Traces().back());
    EXPECT_FALSE(winsim::DriverInstalled(dev));
}

// ---- The selected driver's detail record

struct DetailCase {
    const char* name;
    std::vector<std::string> driverHardwareIds;
    bool delivered;
};

void PrintTo(const DetailCase& c, std::ostream* os)
{
    *os << c.name;
}

class DriverDetail : public DeviceInstall, public ::testing::WithParamInterface<DetailCase>
{
};

// Whether the detail was delivered shows in the settings sections and in what the key became:
// the later device matches the original key but not the driver's first hardware ID.
TEST_P(DriverDetail, FirstHardwareIdBecomesKey)
{
    const DetailCase& c = GetParam();
    winsim::Device d = DisplayDevice("PCI\\VEN_1234&DEV_5678\\1");
    d.driverHardwareIds = c.driverHardwareIds;
    winsim::AddDevice(d);
    int later = winsim::AddDevice(DisplayDevice("PCI\\VEN_1234&DEV_0000\\2", 1));

    Install();
    EXPECT_EQ(c.delivered, winsim::RegHasValue(SettingsKey(0), "VideoMode"));
    EXPECT_EQ(!c.delivered, winsim::DriverInstalled(later));
    EXPECT_EQ(c.delivered ? 0u : 1u,
              winsim::JournalWith("trace ERROR: GetInfNameAndSection|").size());
}

std::vector<std::string> ManyIds(size_t bytes)
{
    std::vector<std::string> ids = {"PCI\\VEN_1234&DEV_5678"};
    for (size_t used = 0; used < bytes; used += 64)
        ids.push_back("PCI\\VEN_1234&DEV_5678&SUBSYS_" + std::string(34, '0'));
    return ids;
}

INSTANTIATE_TEST_SUITE_P(
    DeviceInstall, DriverDetail,
    ::testing::Values(DetailCase{"SeveralIds", {"PCI\\VEN_1234&DEV_5678", "PCI\\VEN_1234"}, true},
                      DetailCase{"LongListWithinRoom", ManyIds(6000), true},
                      DetailCase{"ListBeyondRoom", ManyIds(9000), false},
                      DetailCase{"FirstIdTooLongForKey",
                                 {"PCI\\VEN_1234&DEV_5678" + std::string(240, 'X')},
                                 false}),
    [](const ::testing::TestParamInfo<DetailCase>& info) { return std::string(info.param.name); });

// ---- Settings sections

TEST_F(DeviceInstall, MissingSettingsKeyIsCreatedAndBothSectionsApplied)
{
    winsim::AddDevice(DisplayDevice(kId));
    ASSERT_FALSE(winsim::RegHasKey(SettingsKey(0)));

    Install();
    DWORD type = 0;
    std::string data;
    ASSERT_TRUE(winsim::RegGet(SettingsKey(0), "VideoMode", &type, &data));
    EXPECT_EQ(winsim::Sz("fast"), data);
    ASSERT_TRUE(winsim::RegGet(SettingsKey(0), "OpenGLDriver", &type, &data));
    EXPECT_EQ(winsim::Sz("velgl.dll"), data);
}

TEST_F(DeviceInstall, ExistingSettingsKeyIsOpenedAndKept)
{
    winsim::AddDevice(DisplayDevice(kId));
    winsim::RegPut(SettingsKey(0), "Kept", REG_SZ, winsim::Sz("yes"));

    Install();
    EXPECT_EQ(0, CallsTo("RegCreateKeyExA"));
    EXPECT_TRUE(winsim::RegHasValue(SettingsKey(0), "Kept"));
    EXPECT_TRUE(winsim::RegHasValue(SettingsKey(0), "VideoMode"));
    EXPECT_TRUE(winsim::RegHasValue(SettingsKey(0), "OpenGLDriver"));
}

TEST_F(DeviceInstall, SecondSectionAppliedWhenFirstFails)
{
    winsim::AddDevice(DisplayDevice(kId));
    winsim::FailCall("SetupInstallFromInfSectionA", 1, ERROR_SECTION_NOT_FOUND);

    EXPECT_EQ(1, Install());
    EXPECT_FALSE(winsim::RegHasValue(SettingsKey(0), "VideoMode"));
    EXPECT_TRUE(winsim::RegHasValue(SettingsKey(0), "OpenGLDriver"));
}

TEST_F(DeviceInstall, UnreadableDriverKeySkipsSettings)
{
    int dev = winsim::AddDevice(DisplayDevice(kId));
    int next = winsim::AddDevice(DisplayDevice("PCI\\VEN_1234&DEV_5678\\2", 1));
    // The first pass reads the two class names; the third read is the first driver key.
    winsim::FailCall("SetupDiGetDeviceRegistryPropertyA", 3, ERROR_INVALID_DATA);

    EXPECT_EQ(2, Install());
    EXPECT_TRUE(winsim::DriverInstalled(dev));
    EXPECT_EQ(1u, winsim::JournalWith("trace (null)|ERRROR: RegCreateKeyEx").size());
    EXPECT_EQ(1u, winsim::JournalWith("trace control key|").size()); // the next device's only
    EXPECT_TRUE(winsim::DriverInstalled(next));                      // the pass goes on
    EXPECT_TRUE(winsim::RegHasValue(SettingsKey(1), "VideoMode"));
    EXPECT_EQ(1, CallsTo("RegCreateKeyExA"));
}

// ---- The system's message text

TEST_F(DeviceInstall, MissingSystemTextTracesNoText)
{
    int dev = winsim::AddDevice(DisplayDevice(kId));
    winsim::SetInstallerOutcome(dev, DIF_SELECTDEVICE, {false, ERROR_DI_DO_DEFAULT, 0});
    winsim::FailCall("FormatMessageA", 1, ERROR_MR_MID_NOT_FOUND);

    Install();
    EXPECT_EQ(T("Select device", "(null)"), Traces().back());
    EXPECT_EQ(0, CallsTo("LocalFree"));
}

} // namespace
