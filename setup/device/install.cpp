// Device installation: the installation pass, the selected driver's INF and section, and the
// settings sections applied below each device's settings key.
#include "devices.h"
#include "passes.h"
#include "text.h"

#include <stddef.h>

// The detail record with its hardware-ID list. A fixed buffer rather than one sized from the
// required size: the program allocates nothing of its own, and 8 KiB holds any realistic list.
// A driver whose list needs more is treated as having no readable detail.
enum { DETAIL_ROOM = 8192 };
static union {
    SP_DRVINFO_DETAIL_DATA_A record;
    char bytes[DETAIL_ROOM];
} detailBuffer;

// Room for the longest install section name, a dot and the longer ending.
enum { SETTINGS_SECTION_SIZE = SECTION_NAME_SIZE + 32, SETTINGS_PATH_SIZE = 320 };

// Reads the detail record into detailBuffer; returns the number of bytes the platform filled
// in, or 0 when the record was not filled. The buffer is cleared before each read so that a
// record the platform left unfilled is never copied from; cbSize stays the fixed size on the
// second read, as the platform expects.
static DWORD ReadDriverDetail(HDEVINFO deviceSet, SP_DEVINFO_DATA* device,
                              SP_DRVINFO_DATA_V2_A* driver)
{
    DWORD required = 0;
    DWORD size = sizeof(SP_DRVINFO_DETAIL_DATA_A);

    memset(&detailBuffer, 0, sizeof(detailBuffer));
    detailBuffer.record.cbSize = sizeof(SP_DRVINFO_DETAIL_DATA_A);
    BOOL read = SetupDiGetDriverInfoDetailA(deviceSet, device, (SP_DRVINFO_DATA_A*)driver,
                                            &detailBuffer.record, size, &required);
    if (!read && GetLastError() != ERROR_INSUFFICIENT_BUFFER)
        return 0;
    if (required > size) {
        if (required > sizeof(detailBuffer))
            return 0;
        size = required;
        memset(&detailBuffer, 0, sizeof(detailBuffer));
        detailBuffer.record.cbSize = sizeof(SP_DRVINFO_DETAIL_DATA_A);
        read = SetupDiGetDriverInfoDetailA(deviceSet, device, (SP_DRVINFO_DATA_A*)driver,
                                           &detailBuffer.record, size, &required);
    }
    return read ? size : 0;
}

BOOL GetInfNameAndSection(HDEVINFO deviceSet, SP_DEVINFO_DATA* device, char infName[INF_NAME_SIZE],
                          char sectionName[SECTION_NAME_SIZE], char firstHardwareId[MATCH_KEY_SIZE])
{
    SP_DRVINFO_DATA_V2_A driver;

    driver.cbSize = sizeof(driver);
    if (SetupDiGetSelectedDriverA(deviceSet, device, (SP_DRVINFO_DATA_A*)&driver) != TRUE)
        return FALSE;
    Trace("Driver selected for HdevInfo", NULL);

    DWORD filled = ReadDriverDetail(deviceSet, device, &driver);
    if (filled == 0)
        return FALSE;
    const SP_DRVINFO_DETAIL_DATA_A* detail = &detailBuffer.record;
    size_t listRoom = filled - offsetof(SP_DRVINFO_DETAIL_DATA_A, HardwareID);
    // All three must fit whole before any is written: a cut name is no name.
    if (strnlen(detail->SectionName, sizeof(detail->SectionName)) >= SECTION_NAME_SIZE ||
        strnlen(detail->InfFileName, sizeof(detail->InfFileName)) >= INF_NAME_SIZE ||
        strnlen(detail->HardwareID, listRoom) >= MATCH_KEY_SIZE ||
        strnlen(detail->HardwareID, listRoom) == listRoom) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    CopyText(sectionName, SECTION_NAME_SIZE, detail->SectionName);
    CopyText(infName, INF_NAME_SIZE, detail->InfFileName);
    CopyText(firstHardwareId, MATCH_KEY_SIZE, detail->HardwareID);
    return TRUE;
}

static void ApplySettingsSection(HWND parentWindow, HINF inf, const char* installSection,
                                 const char* ending, HKEY settingsKey, const char* sourceRoot)
{
    char section[SETTINGS_SECTION_SIZE];

    if (!FormatText(section, sizeof(section), "%s.%s", installSection, ending)) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        ReportSystemError(section);
        return;
    }
    Trace(section, "SoftwareSettings Section name");
    if (SetupInstallFromInfSectionA(parentWindow, inf, section, SPINST_INIFILES | SPINST_REGISTRY,
                                    settingsKey, sourceRoot, 0, NULL, NULL, NULL, NULL))
        Trace(section, "SetupInstallFromInfSection OK");
    else
        ReportSystemError(section);
}

// Opens the device's settings key below its driver key, creating it when missing. Returns NULL
// when the driver key cannot be read or the key can be neither opened nor created.
static HKEY OpenSettingsKey(HDEVINFO deviceSet, SP_DEVINFO_DATA* device,
                            char deviceText[DEVICE_TEXT_SIZE])
{
    char keyPath[SETTINGS_PATH_SIZE];
    DWORD propertyType;
    DWORD disposition;
    HKEY key = NULL;

    if (!SetupDiGetDeviceRegistryPropertyA(deviceSet, device, SPDRP_DRIVER, &propertyType,
                                           (BYTE*)deviceText, DEVICE_TEXT_SIZE, NULL) ||
        memchr(deviceText, '\0', DEVICE_TEXT_SIZE) == NULL)
        return NULL;
    if (!FormatText(keyPath, sizeof(keyPath),
                    "SYSTEM\\CurrentControlSet\\Control\\Class\\%s\\Settings", deviceText))
        return NULL;
    Trace(keyPath, "control key");
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS)
        return key;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, keyPath, 0, (LPSTR) "", REG_OPTION_NON_VOLATILE,
                        KEY_ALL_ACCESS, NULL, &key, &disposition) == ERROR_SUCCESS)
        return key;
    return NULL;
}

// The settings steps for one device whose driver is installed.
static void InstallSettings(HDEVINFO deviceSet, SP_DEVINFO_DATA* device,
                            char deviceText[DEVICE_TEXT_SIZE], const char* infName,
                            const char* installSection, HWND parentWindow, const char* sourceRoot)
{
    HINF inf = SetupOpenInfFileA(infName, NULL, INF_STYLE_WIN4, NULL);
    if (inf == INVALID_HANDLE_VALUE) {
        Trace("Can't open inf file", NULL);
        return;
    }
    Trace("Get or Create Key: Control\\Class\\{Display_GUID}\\xxxx\\Settings",
          "*** InstallDevice Step 6  ");
    HKEY settingsKey = OpenSettingsKey(deviceSet, device, deviceText);
    if (settingsKey == NULL) {
        Trace("ERRROR: RegCreateKeyEx", NULL);
        SetupCloseInfFile(inf);
        return;
    }
    Trace("install SoftwareSettings for control key", "******** InstallDevice Step 7");
    ApplySettingsSection(parentWindow, inf, installSection, "SoftwareSettings", settingsKey,
                         sourceRoot);
    Trace("install OpenGL for control key", "******** InstallDevice Step 8");
    ApplySettingsSection(parentWindow, inf, installSection, "OpenGLSoftwareSettings", settingsKey,
                         sourceRoot);
    RegCloseKey(settingsKey);
    SetupCloseInfFile(inf);
}

int RunInstallPass(const GUID* classGuid, char matchKey[MATCH_KEY_SIZE], HWND parentWindow,
                   const char* sourceRoot, int* restartNeeded)
{
    char deviceText[DEVICE_TEXT_SIZE];
    char infName[INF_NAME_SIZE];
    char installSection[SECTION_NAME_SIZE];
    SP_DEVINFO_DATA device;
    SP_DEVINSTALL_PARAMS_A params;
    int matched = 0;
    DWORD index;

    HDEVINFO deviceSet = SetupDiGetClassDevsA(classGuid, NULL, parentWindow, DIGCF_PRESENT);
    if (deviceSet == INVALID_HANDLE_VALUE) {
        Trace("error: DiGetClassDevs", NULL);
        return 0;
    }
    for (index = 0;; index++) {
        device.cbSize = sizeof(device);
        if (!SetupDiEnumDeviceInfo(deviceSet, index, &device))
            break;
        if (!MatchDevice(device.DevInst, matchKey, deviceText))
            continue;
        Trace(deviceText, "DEVICE FOUND");
        matched++;
        Trace("modify devinstall para", NULL);

        params.cbSize = sizeof(params);
        if (!SetupDiGetDeviceInstallParamsA(deviceSet, &device, &params)) {
            Trace("error:SetupDiGetDeviceInstallParams", NULL);
            SetupDiDestroyDeviceInfoList(deviceSet);
            return 0;
        }
        // A driver path that does not fit is not written: the parameters count as unwritable.
        if (!CopyText(params.DriverPath, sizeof(params.DriverPath), sourceRoot)) {
            Trace("error:SetupDiSetDeviceInstallParams", NULL);
            SetupDiDestroyDeviceInfoList(deviceSet);
            return 0;
        }
        params.Flags |= DI_NOBROWSE;
        params.FlagsEx |= DI_FLAGSEX_USECLASSFORCOMPAT;
        if (!SetupDiSetDeviceInstallParamsA(deviceSet, &device, &params)) {
            Trace("error:SetupDiSetDeviceInstallParams", NULL);
            SetupDiDestroyDeviceInfoList(deviceSet);
            return 0;
        }

        Trace("call :SetupDiSelectDevice", NULL);
        if (!SetupDiCallClassInstaller(DIF_SELECTDEVICE, deviceSet, &device)) {
            ReportSystemError("Select device");
            continue;
        }
        if (!SetupDiCallClassInstaller(DIF_INSTALLDEVICE, deviceSet, &device)) {
            ReportSystemError("DIF_INSTALLDEVICE:   ERROR!");
            continue;
        }
        Trace("Install device OK", "install device");

        params.cbSize = sizeof(params);
        if (SetupDiGetDeviceInstallParamsA(deviceSet, &device, &params) &&
            (params.Flags & (DI_NEEDRESTART | DI_NEEDREBOOT)) != 0)
            *restartNeeded = 1;

        if (!GetInfNameAndSection(deviceSet, &device, infName, installSection, matchKey)) {
            ReportSystemError("ERROR: GetInfNameAndSection");
            continue;
        }
        InstallSettings(deviceSet, &device, deviceText, infName, installSection, parentWindow,
                        sourceRoot);
    }
    SetupDiDestroyDeviceInfoList(deviceSet);
    return matched;
}
