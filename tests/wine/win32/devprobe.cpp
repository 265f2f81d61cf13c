// Walks the device installation the setup program makes, step by step, and prints each result.
//
// Usage: devprobe <driver folder> <hardware ID>
// It moves every present device whose instance ID contains the hardware ID into the Display
// class, installs the driver from the folder through the class installer, and applies the
// driver's two settings sections below Control\Class\<driver key>\Settings. Results go to
// standard output as name=value lines; a failed step prints "FAIL <step>: error <n>" and the
// exit code is the number of failed steps.
#include <windows.h>
#include <setupapi.h>
#include <cfgmgr32.h>
#include <stdio.h>
#include <string.h>

static int failures = 0;

static void Fail(const char* step)
{
    printf("FAIL %s: error %lu\n", step, (unsigned long)GetLastError());
    failures++;
}

static bool Matches(DEVINST devInst, const char* upperId)
{
    char instanceId[MAX_DEVICE_ID_LEN + 1];
    if (CM_Get_Device_IDA(devInst, instanceId, sizeof(instanceId), 0) != CR_SUCCESS)
        return false;
    CharUpperA(instanceId);
    return strstr(instanceId, upperId) != nullptr;
}

static void MoveIntoClass(const GUID& classGuid, const char* upperId)
{
    HDEVINFO all =
        SetupDiGetClassDevsA(&classGuid, nullptr, nullptr, DIGCF_PRESENT | DIGCF_ALLCLASSES);
    if (all == INVALID_HANDLE_VALUE) {
        Fail("all-class device set");
        return;
    }
    char guidText[40];
    snprintf(guidText, sizeof(guidText), "{%08lX-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
             (unsigned long)classGuid.Data1, classGuid.Data2, classGuid.Data3, classGuid.Data4[0],
             classGuid.Data4[1], classGuid.Data4[2], classGuid.Data4[3], classGuid.Data4[4],
             classGuid.Data4[5], classGuid.Data4[6], classGuid.Data4[7]);
    printf("class_guid=%s\n", guidText);
    int moved = 0;
    SP_DEVINFO_DATA device;
    for (DWORD index = 0;; index++) {
        device.cbSize = sizeof(device);
        if (!SetupDiEnumDeviceInfo(all, index, &device))
            break;
        if (!Matches(device.DevInst, upperId))
            continue;
        if (SetupDiSetDeviceRegistryPropertyA(all, &device, SPDRP_CLASSGUID, (BYTE*)guidText,
                                              (DWORD)strlen(guidText)))
            moved++;
        else
            Fail("SPDRP_CLASSGUID");
    }
    printf("moved_into_class=%d\n", moved);
    SetupDiDestroyDeviceInfoList(all);
}

// The detail record as the setup program reads it: first with its fixed size, then again with
// the size the platform asks for.
static bool ReadDriver(HDEVINFO set, SP_DEVINFO_DATA* device, char* inf, char* section)
{
    SP_DRVINFO_DATA_V2_A driver;
    driver.cbSize = sizeof(driver);
    if (!SetupDiGetSelectedDriverA(set, device, &driver)) {
        Fail("SetupDiGetSelectedDriverA");
        return false;
    }
    static DWORD storage[4096];
    SP_DRVINFO_DETAIL_DATA_A* detail = (SP_DRVINFO_DETAIL_DATA_A*)storage;
    detail->cbSize = sizeof(SP_DRVINFO_DETAIL_DATA_A);
    DWORD required = 0;
    BOOL ok = SetupDiGetDriverInfoDetailA(set, device, &driver, detail,
                                          sizeof(SP_DRVINFO_DETAIL_DATA_A), &required);
    printf("detail_first_read=%d error=%lu required=%lu\n", ok ? 1 : 0,
           ok ? 0UL : (unsigned long)GetLastError(), (unsigned long)required);
    if (required > sizeof(SP_DRVINFO_DETAIL_DATA_A)) {
        if (required > sizeof(storage)) {
            printf("FAIL detail: %lu bytes do not fit\n", (unsigned long)required);
            failures++;
            return false;
        }
        if (!SetupDiGetDriverInfoDetailA(set, device, &driver, detail, required, nullptr)) {
            Fail("SetupDiGetDriverInfoDetailA");
            return false;
        }
    } else if (!ok) {
        Fail("SetupDiGetDriverInfoDetailA");
        return false;
    }
    lstrcpynA(inf, detail->InfFileName, MAX_PATH);
    lstrcpynA(section, detail->SectionName, LINE_LEN);
    printf("inf=%s\nsection=%s\nhardware_id=%s\n", inf, section, detail->HardwareID);
    return true;
}

static void ApplySettings(HDEVINFO set, SP_DEVINFO_DATA* device, const char* driverFolder,
                          const char* inf, const char* section)
{
    HINF infHandle = SetupOpenInfFileA(inf, nullptr, INF_STYLE_WIN4, nullptr);
    if (infHandle == INVALID_HANDLE_VALUE) {
        Fail("SetupOpenInfFileA");
        return;
    }
    char driverKey[256];
    if (!SetupDiGetDeviceRegistryPropertyA(set, device, SPDRP_DRIVER, nullptr, (BYTE*)driverKey,
                                           sizeof(driverKey), nullptr)) {
        Fail("SPDRP_DRIVER");
        SetupCloseInfFile(infHandle);
        return;
    }
    char keyPath[400];
    snprintf(keyPath, sizeof(keyPath), "SYSTEM\\CurrentControlSet\\Control\\Class\\%s\\Settings",
             driverKey);
    printf("driver_key=%s\nsettings_key=%s\n", driverKey, keyPath);
    HKEY settings;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_ALL_ACCESS, &settings) == 0) {
        printf("settings_key_existed=1\n");
    } else if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, keyPath, 0, (char*)"", REG_OPTION_NON_VOLATILE,
                               KEY_ALL_ACCESS, nullptr, &settings, nullptr) == 0) {
        printf("settings_key_existed=0\n");
    } else {
        Fail("settings key");
        SetupCloseInfFile(infHandle);
        return;
    }
    static const char* const endings[] = {"SoftwareSettings", "OpenGLSoftwareSettings"};
    for (const char* ending : endings) {
        char name[LINE_LEN + 32];
        snprintf(name, sizeof(name), "%s.%s", section, ending);
        if (SetupInstallFromInfSectionA(nullptr, infHandle, name, SPINST_INIFILES | SPINST_REGISTRY,
                                        settings, driverFolder, 0, nullptr, nullptr, nullptr,
                                        nullptr))
            printf("section_applied=%s\n", name);
        else
            Fail(name);
    }
    RegCloseKey(settings);
    SetupCloseInfFile(infHandle);
}

static void InstallOne(HDEVINFO set, SP_DEVINFO_DATA* device, const char* driverFolder)
{
    SP_DEVINSTALL_PARAMS_A params;
    params.cbSize = sizeof(params);
    if (!SetupDiGetDeviceInstallParamsA(set, device, &params)) {
        Fail("SetupDiGetDeviceInstallParamsA");
        return;
    }
    lstrcpynA(params.DriverPath, driverFolder, MAX_PATH);
    params.Flags |= DI_NOBROWSE;
    params.FlagsEx |= DI_FLAGSEX_USECLASSFORCOMPAT;
    if (!SetupDiSetDeviceInstallParamsA(set, device, &params)) {
        Fail("SetupDiSetDeviceInstallParamsA");
        return;
    }
    if (!SetupDiCallClassInstaller(DIF_SELECTDEVICE, set, device)) {
        Fail("DIF_SELECTDEVICE");
        return;
    }
    printf("select_device=ok\n");
    if (!SetupDiCallClassInstaller(DIF_INSTALLDEVICE, set, device)) {
        Fail("DIF_INSTALLDEVICE");
        return;
    }
    printf("install_device=ok\n");
    params.cbSize = sizeof(params);
    if (SetupDiGetDeviceInstallParamsA(set, device, &params))
        printf("flags_after_install=0x%lx\nrestart_needed=%d\n", (unsigned long)params.Flags,
               (params.Flags & (DI_NEEDRESTART | DI_NEEDREBOOT)) ? 1 : 0);
    else
        Fail("reading the flags after installation");
    char inf[MAX_PATH], section[LINE_LEN];
    if (ReadDriver(set, device, inf, section))
        ApplySettings(set, device, driverFolder, inf, section);
}

int main(int argc, char** argv)
{
    if (argc != 3) {
        fprintf(stderr, "usage: devprobe <driver folder> <hardware ID>\n");
        return 100;
    }
    // Given without its final backslash: one before a closing quote would escape the quote.
    static char driverFolder[MAX_PATH];
    size_t length = strlen(argv[1]);
    if (length == 0 || length + 2 > sizeof(driverFolder)) {
        fprintf(stderr, "driver folder empty or too long\n");
        return 100;
    }
    memcpy(driverFolder, argv[1], length + 1);
    if (driverFolder[length - 1] != '\\')
        lstrcatA(driverFolder, "\\");
    char upperId[MAX_DEVICE_ID_LEN + 1];
    lstrcpynA(upperId, argv[2], sizeof(upperId));
    CharUpperA(upperId);

    GUID guids[16];
    DWORD count = 0;
    if (!SetupDiClassGuidsFromNameA("Display", guids, 16, &count) || count == 0) {
        Fail("SetupDiClassGuidsFromNameA");
        return failures;
    }
    MoveIntoClass(guids[0], upperId);

    HDEVINFO set = SetupDiGetClassDevsA(&guids[0], nullptr, nullptr, DIGCF_PRESENT);
    if (set == INVALID_HANDLE_VALUE) {
        Fail("class device set");
        return failures;
    }
    int matched = 0;
    SP_DEVINFO_DATA device;
    for (DWORD index = 0;; index++) {
        device.cbSize = sizeof(device);
        if (!SetupDiEnumDeviceInfo(set, index, &device))
            break;
        if (!Matches(device.DevInst, upperId))
            continue;
        char instanceId[MAX_DEVICE_ID_LEN + 1] = "";
        CM_Get_Device_IDA(device.DevInst, instanceId, sizeof(instanceId), 0);
        printf("device=%s\n", instanceId);
        matched++;
        InstallOne(set, &device, driverFolder);
    }
    SetupDiDestroyDeviceInfoList(set);
    printf("matched=%d\n", matched);
    if (matched == 0) {
        printf("FAIL no present Display device matches %s\n", upperId);
        failures++;
    }
    return failures;
}
