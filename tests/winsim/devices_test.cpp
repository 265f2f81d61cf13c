// Device sets, properties, the class installer, driver details and INF AddReg sections.
#include "platform.h"
#include "winsim/machine.h"

#include <cstddef>
#include <gtest/gtest.h>

namespace
{

const char kDisplay[] = "{4D36E968-E325-11CE-BFC1-08002BE10318}";
const char kMonitor[] = "{4D36E96E-E325-11CE-BFC1-08002BE10318}";

class Devices : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        winsim::Reset();
        winsim::Device adapter;
        adapter.instanceId = "PCI\\VEN_1234&DEV_5678\\3&1";
        adapter.classGuid = winsim::MakeGuid(kDisplay);
        adapter.className = "Display";
        adapter.driverKey = std::string(kDisplay) + "\\0000";
        adapter.hardwareIds = {"PCI\\VEN_1234&DEV_5678"};
        adapter.infPath = "C:\\Setup\\velvet.inf";
        adapter.installSection = "Velvet";
        adapter.driverHardwareIds = {"PCI\\VEN_1234&DEV_5678", "PCI\\CC_0300"};
        adapter_ = winsim::AddDevice(adapter);

        winsim::Device monitor;
        monitor.instanceId = "DISPLAY\\DEFAULT_MONITOR\\1&1";
        monitor.classGuid = winsim::MakeGuid(kMonitor);
        monitor.className = "Monitor";
        monitor_ = winsim::AddDevice(monitor);

        winsim::Device gone = adapter;
        gone.instanceId = "PCI\\VEN_1234&DEV_5678\\3&2";
        gone.present = false;
        gone_ = winsim::AddDevice(gone);
    }

    std::vector<DWORD> Members(HDEVINFO set)
    {
        std::vector<DWORD> out;
        SP_DEVINFO_DATA data;
        data.cbSize = sizeof data;
        for (DWORD i = 0; SetupDiEnumDeviceInfo(set, i, &data); ++i)
            out.push_back(data.DevInst);
        EXPECT_EQ(DWORD(ERROR_NO_MORE_ITEMS), GetLastError());
        return out;
    }

    SP_DEVINFO_DATA Element(HDEVINFO set, DWORD index)
    {
        SP_DEVINFO_DATA data;
        data.cbSize = sizeof data;
        EXPECT_TRUE(SetupDiEnumDeviceInfo(set, index, &data));
        return data;
    }

    int adapter_, monitor_, gone_;
};

TEST_F(Devices, ClassNamesResolveInOrderAndReportCount)
{
    winsim::AddClass("display", winsim::MakeGuid("{11111111-2222-3333-4444-555555555555}"));
    GUID one;
    DWORD count = 0;
    SetLastError(0);
    EXPECT_FALSE(SetupDiClassGuidsFromNameA("DISPLAY", &one, 1, &count));
    EXPECT_EQ(DWORD(ERROR_INSUFFICIENT_BUFFER), GetLastError());
    EXPECT_EQ(2u, count);
    GUID list[16];
    EXPECT_TRUE(SetupDiClassGuidsFromNameA("Display", list, 16, &count));
    EXPECT_EQ(2u, count);
    EXPECT_EQ(0, memcmp(&list[0], &one, sizeof one));
    EXPECT_EQ(0x11111111u, list[1].Data1);
    EXPECT_TRUE(SetupDiClassGuidsFromNameA("NoSuchClass", list, 16, &count));
    EXPECT_EQ(0u, count);
}

TEST_F(Devices, SetMembershipFollowsFlagsAndIsFixedWhenBuilt)
{
    GUID display = winsim::MakeGuid(kDisplay);
    struct {
        DWORD flags;
        std::vector<DWORD> members;
    } cases[] = {
        {0, {DWORD(adapter_), DWORD(gone_)}},
        {DIGCF_PRESENT, {DWORD(adapter_)}},
        {DIGCF_ALLCLASSES, {DWORD(adapter_), DWORD(monitor_), DWORD(gone_)}},
        {DIGCF_PRESENT | DIGCF_ALLCLASSES, {DWORD(adapter_), DWORD(monitor_)}},
    };
    for (const auto& c : cases) {
        HDEVINFO set = SetupDiGetClassDevsA(&display, nullptr, nullptr, c.flags);
        ASSERT_NE(INVALID_HANDLE_VALUE, set);
        EXPECT_EQ(c.members, Members(set)) << "flags " << c.flags;
        SetupDiDestroyDeviceInfoList(set);
    }
    EXPECT_EQ(0, winsim::Open().deviceSets);

    // Moving the monitor into the display class shows in sets built afterwards only.
    HDEVINFO all =
        SetupDiGetClassDevsA(&display, nullptr, nullptr, DIGCF_PRESENT | DIGCF_ALLCLASSES);
    HDEVINFO before = SetupDiGetClassDevsA(&display, nullptr, nullptr, DIGCF_PRESENT);
    SP_DEVINFO_DATA mon = Element(all, 1);
    EXPECT_TRUE(
        SetupDiSetDeviceRegistryPropertyA(all, &mon, SPDRP_CLASSGUID, (const BYTE*)kDisplay, 38));
    HDEVINFO after = SetupDiGetClassDevsA(&display, nullptr, nullptr, DIGCF_PRESENT);
    EXPECT_EQ((std::vector<DWORD>{DWORD(adapter_)}), Members(before));
    EXPECT_EQ((std::vector<DWORD>{DWORD(adapter_), DWORD(monitor_)}), Members(after));
    EXPECT_EQ("Display", winsim::GetDevice(monitor_).className);
    EXPECT_EQ(3, winsim::Open().deviceSets);
    for (HDEVINFO s : {all, before, after})
        SetupDiDestroyDeviceInfoList(s);
}

TEST_F(Devices, EnumAndPropertyErrors)
{
    HDEVINFO set = SetupDiGetClassDevsA(nullptr, nullptr, nullptr, DIGCF_ALLCLASSES);
    SP_DEVINFO_DATA data;
    data.cbSize = sizeof data + 1;
    SetLastError(0);
    EXPECT_FALSE(SetupDiEnumDeviceInfo(set, 0, &data));
    EXPECT_EQ(DWORD(ERROR_INVALID_USER_BUFFER), GetLastError());
    EXPECT_EQ(0u, Element(set, 0).DevInst); // device instances start at 0

    SP_DEVINFO_DATA adapter = Element(set, 0), monitor = Element(set, 1);
    char text[64];
    DWORD type = 0, need = 0;
    EXPECT_FALSE(SetupDiGetDeviceRegistryPropertyA(set, &adapter, SPDRP_CLASS, &type, (PBYTE)text,
                                                   4, &need));
    EXPECT_EQ(DWORD(ERROR_INSUFFICIENT_BUFFER), GetLastError());
    EXPECT_EQ(8u, need);
    EXPECT_TRUE(SetupDiGetDeviceRegistryPropertyA(set, &adapter, SPDRP_CLASSGUID, &type,
                                                  (PBYTE)text, sizeof text, &need));
    EXPECT_STREQ(kDisplay, text);
    EXPECT_EQ(DWORD(REG_SZ), type);
    // The monitor has no software key.
    EXPECT_FALSE(SetupDiGetDeviceRegistryPropertyA(set, &monitor, SPDRP_DRIVER, nullptr,
                                                   (PBYTE)text, sizeof text, nullptr));
    EXPECT_EQ(DWORD(ERROR_INVALID_DATA), GetLastError());
    // A malformed class text is refused and changes nothing.
    EXPECT_FALSE(SetupDiSetDeviceRegistryPropertyA(
        set, &monitor, SPDRP_CLASSGUID, (const BYTE*)"{4D36E968-E325-11CE-BFC1-08002BE1031}", 38));
    EXPECT_EQ(DWORD(ERROR_INVALID_DATA), GetLastError());
    EXPECT_EQ("Monitor", winsim::GetDevice(monitor_).className);

    char id[8];
    EXPECT_EQ(CONFIGRET(CR_BUFFER_SMALL), CM_Get_Device_IDA(adapter.DevInst, id, sizeof id, 0));
    char full[256];
    EXPECT_EQ(CONFIGRET(CR_SUCCESS), CM_Get_Device_IDA(adapter.DevInst, full, sizeof full, 0));
    EXPECT_STREQ("PCI\\VEN_1234&DEV_5678\\3&1", full);
    SetupDiDestroyDeviceInfoList(set);
}

TEST_F(Devices, ClassInstallerSelectsInstallsAndReportsDetail)
{
    winsim::SetInstallerOutcome(adapter_, DIF_INSTALLDEVICE, {true, 0, DI_NEEDREBOOT});
    GUID display = winsim::MakeGuid(kDisplay);
    HDEVINFO set = SetupDiGetClassDevsA(&display, nullptr, nullptr, DIGCF_PRESENT);
    SP_DEVINFO_DATA dev = Element(set, 0);

    SP_DEVINSTALL_PARAMS_A params;
    params.cbSize = sizeof params - 4;
    EXPECT_FALSE(SetupDiGetDeviceInstallParamsA(set, &dev, &params));
    EXPECT_EQ(DWORD(ERROR_INVALID_USER_BUFFER), GetLastError());
    params.cbSize = sizeof params;
    ASSERT_TRUE(SetupDiGetDeviceInstallParamsA(set, &dev, &params));
    strcpy(params.DriverPath, "C:\\Setup\\");
    params.Flags |= DI_NOBROWSE;
    ASSERT_TRUE(SetupDiSetDeviceInstallParamsA(set, &dev, &params));

    EXPECT_FALSE(SetupDiCallClassInstaller(DIF_INSTALLDEVICE, set, &dev));
    EXPECT_EQ(DWORD(ERROR_NO_DRIVER_SELECTED), GetLastError());
    SP_DRVINFO_DATA_A drv;
    drv.cbSize = sizeof drv;
    EXPECT_FALSE(SetupDiGetSelectedDriverA(set, &dev, &drv));
    EXPECT_EQ(DWORD(ERROR_NO_DRIVER_SELECTED), GetLastError());

    ASSERT_TRUE(SetupDiCallClassInstaller(DIF_SELECTDEVICE, set, &dev));
    ASSERT_TRUE(SetupDiGetSelectedDriverA(set, &dev, &drv));

    const std::string list("PCI\\VEN_1234&DEV_5678\0PCI\\CC_0300\0\0", 35);
    const DWORD required = DWORD(offsetof(SP_DRVINFO_DETAIL_DATA_A, HardwareID) + list.size());
    SP_DRVINFO_DETAIL_DATA_A detail;
    detail.cbSize = sizeof detail;
    DWORD need = 0;
    EXPECT_FALSE(SetupDiGetDriverInfoDetailA(set, &dev, &drv, &detail, sizeof detail, &need));
    EXPECT_EQ(DWORD(ERROR_INSUFFICIENT_BUFFER), GetLastError());
    EXPECT_EQ(required, need);
    EXPECT_STREQ("Velvet", detail.SectionName); // the fixed part is filled all the same
    EXPECT_STREQ("C:\\Setup\\velvet.inf", detail.InfFileName);

    std::vector<char> big(need);
    auto* full = reinterpret_cast<SP_DRVINFO_DETAIL_DATA_A*>(big.data());
    full->cbSize = sizeof(SP_DRVINFO_DETAIL_DATA_A);
    ASSERT_TRUE(SetupDiGetDriverInfoDetailA(set, &dev, &drv, full, need, &need));
    EXPECT_EQ(list, std::string(full->HardwareID, list.size()));

    ASSERT_TRUE(SetupDiCallClassInstaller(DIF_INSTALLDEVICE, set, &dev));
    ASSERT_TRUE(SetupDiGetDeviceInstallParamsA(set, &dev, &params));
    EXPECT_EQ(DWORD(DI_NOBROWSE | DI_NEEDREBOOT), params.Flags);
    EXPECT_TRUE(winsim::DriverInstalled(adapter_));
    EXPECT_EQ("C:\\Setup\\", winsim::GetInstallParams(adapter_).driverPath);
    EXPECT_EQ(DWORD(DI_NOBROWSE | DI_NEEDREBOOT), winsim::GetInstallParams(adapter_).flags);
    SetupDiDestroyDeviceInfoList(set);
}

TEST_F(Devices, InstallerOutcomesAndMissingDrivers)
{
    winsim::SetInstallerOutcome(adapter_, DIF_SELECTDEVICE, {false, ERROR_DI_DO_DEFAULT, 0});
    HDEVINFO set =
        SetupDiGetClassDevsA(nullptr, nullptr, nullptr, DIGCF_ALLCLASSES | DIGCF_PRESENT);
    SP_DEVINFO_DATA adapter = Element(set, 0), monitor = Element(set, 1);
    EXPECT_FALSE(SetupDiCallClassInstaller(DIF_SELECTDEVICE, set, &adapter));
    EXPECT_EQ(DWORD(ERROR_DI_DO_DEFAULT), GetLastError());
    EXPECT_FALSE(SetupDiCallClassInstaller(DIF_SELECTDEVICE, set, &monitor));
    EXPECT_EQ(DWORD(ERROR_NO_COMPAT_DRIVERS), GetLastError());
    EXPECT_FALSE(winsim::DriverInstalled(adapter_));
    SetupDiDestroyDeviceInfoList(set);
}

TEST(DevicesDeathTest, ForbiddenSelectionCallsEndTheProcess)
{
    EXPECT_DEATH(SetupDiSelectDevice(nullptr, nullptr), "SetupDiSelectDevice");
    EXPECT_DEATH(SetupDiSetSelectedDriverA(nullptr, nullptr, nullptr), "SetupDiSetSelectedDriverA");
}

class Inf : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        winsim::Reset();
        winsim::PutFile("C:\\Setup\\velvet.inf",
                        "[Version]\r\n"
                        "Signature=\"$Windows NT$\"\r\n"
                        "Class=Display\r\n"
                        "[Velvet.SoftwareSettings]\r\n"
                        "AddReg = Velvet_SW, Velvet_More ; two sections\r\n"
                        "[Velvet_SW]\r\n"
                        "HKR,, InstalledDisplayDrivers, %REG_MULTI_SZ%, velvet\r\n"
                        "HKR,, VideoMemory, 0x00010001, 0x400\r\n"
                        "HKR,, Name, , \"%Vendor% Tools\"\r\n"
                        "HKR,Sub, Path, 0x00020000, \"%%SystemRoot%%\\x\"\r\n"
                        "HKLM,SOFTWARE\\Velvet, Version, 0, 2\r\n"
                        "[Velvet_More]\r\n"
                        "HKR,, Bin, 1, 0a, ff\r\n"
                        "[Broken]\r\n"
                        "AddReg = NoSuchSection\r\n"
                        "[Strings]\r\n"
                        "REG_MULTI_SZ = 0x00010000\r\n"
                        "Vendor = \"Velvet\"\r\n");
    }
};

TEST_F(Inf, AddRegWritesBelowTheRelativeRootAndAtFixedRoots)
{
    HINF inf = SetupOpenInfFileA("C:\\Setup\\velvet.inf", nullptr, INF_STYLE_WIN4, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, inf);
    HKEY settings;
    ASSERT_EQ(ERROR_SUCCESS,
              RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SYSTEM\\Class\\0000\\Settings", 0, (LPSTR) "", 0,
                              KEY_ALL_ACCESS, nullptr, &settings, nullptr));
    ASSERT_TRUE(SetupInstallFromInfSectionA(nullptr, inf, "velvet.softwaresettings",
                                            SPINST_INIFILES | SPINST_REGISTRY, settings,
                                            "C:\\Setup\\", 0, nullptr, nullptr, nullptr, nullptr));
    const std::string root = "HKLM\\SYSTEM\\Class\\0000\\Settings";
    struct {
        std::string key, name;
        DWORD type;
        std::string data;
    } expected[] = {
        {root, "InstalledDisplayDrivers", REG_MULTI_SZ, std::string("velvet\0\0", 8)},
        {root, "VideoMemory", REG_DWORD, std::string("\0\4\0\0", 4)},
        {root, "Name", REG_SZ, winsim::Sz("Velvet Tools")},
        {root + "\\Sub", "Path", REG_EXPAND_SZ, winsim::Sz("%SystemRoot%\\x")},
        {"HKLM\\SOFTWARE\\Velvet", "Version", REG_SZ, winsim::Sz("2")},
        {root, "Bin", REG_BINARY, std::string("\x0a\xff", 2)},
    };
    for (const auto& e : expected) {
        DWORD type = 0;
        std::string data;
        ASSERT_TRUE(winsim::RegGet(e.key, e.name, &type, &data)) << e.name;
        EXPECT_EQ(e.type, type) << e.name;
        EXPECT_EQ(e.data, data) << e.name;
    }

    SetLastError(0);
    EXPECT_FALSE(SetupInstallFromInfSectionA(nullptr, inf, "Velvet.OpenGLSoftwareSettings", 6,
                                             settings, nullptr, 0, nullptr, nullptr, nullptr,
                                             nullptr));
    EXPECT_EQ(DWORD(ERROR_SECTION_NOT_FOUND), GetLastError());
    EXPECT_FALSE(SetupInstallFromInfSectionA(nullptr, inf, "Broken", 6, settings, nullptr, 0,
                                             nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ(DWORD(ERROR_SECTION_NOT_FOUND), GetLastError());
    EXPECT_EQ(1, winsim::Open().infHandles);
    SetupCloseInfFile(inf);
    RegCloseKey(settings);
    EXPECT_EQ(0, winsim::Open().infHandles);
}

TEST_F(Inf, OpenFailsForMissingOrUnsignedFiles)
{
    SetLastError(0);
    EXPECT_EQ(INVALID_HANDLE_VALUE,
              SetupOpenInfFileA("C:\\Setup\\none.inf", nullptr, INF_STYLE_WIN4, nullptr));
    EXPECT_EQ(DWORD(ERROR_FILE_NOT_FOUND), GetLastError());
    winsim::PutFile("C:\\Setup\\plain.inf", "[Strings]\r\nA=B\r\n");
    EXPECT_EQ(INVALID_HANDLE_VALUE,
              SetupOpenInfFileA("C:\\Setup\\plain.inf", nullptr, INF_STYLE_WIN4, nullptr));
    EXPECT_EQ(DWORD(ERROR_WRONG_INF_STYLE), GetLastError());
    EXPECT_EQ(0, winsim::Open().infHandles);
}

} // namespace
