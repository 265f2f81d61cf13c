// Device installation: class resolution, the GUID text, the matching rule and the first pass.
#include "devices.h"
#include "passes.h"
#include "text.h"

enum { CLASS_GUID_ROOM = 16, BRACED_GUID_SIZE = 39 };

void FormatGuid(const GUID* guid, char* text)
{
    // Data1 is unsigned long on Windows and a 32-bit integer on the host: one format for both.
    FormatText(text, GUID_TEXT_SIZE, "%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X",
               (unsigned)guid->Data1, (unsigned)guid->Data2, (unsigned)guid->Data3, guid->Data4[0],
               guid->Data4[1], guid->Data4[2], guid->Data4[3], guid->Data4[4], guid->Data4[5],
               guid->Data4[6], guid->Data4[7]);
}

int MatchDevice(DWORD devInst, const char* matchKey, char deviceText[DEVICE_TEXT_SIZE])
{
    char upper[DEVICE_TEXT_SIZE];

    if (CM_Get_Device_IDA(devInst, deviceText, DEVICE_TEXT_SIZE, 0) != CR_SUCCESS)
        return 0;
    // An ID of exactly the buffer's length comes back without a terminator.
    if (memchr(deviceText, '\0', DEVICE_TEXT_SIZE) == NULL)
        return 0;
    CopyText(upper, sizeof(upper), deviceText);
    CharUpperA(upper);
    return strstr(upper, matchKey) != NULL;
}

// Moves every present device of any class whose ID matches into the class, so that the
// installation pass, which sees only the class, reaches it.
static void ReassignMatchingDevices(const GUID* classGuid, const char* bracedGuid,
                                    const char* matchKey, HWND parentWindow)
{
    char deviceText[DEVICE_TEXT_SIZE];
    SP_DEVINFO_DATA device;
    DWORD propertyType;
    DWORD index;

    HDEVINFO deviceSet =
        SetupDiGetClassDevsA(classGuid, NULL, parentWindow, DIGCF_PRESENT | DIGCF_ALLCLASSES);
    if (deviceSet == INVALID_HANDLE_VALUE)
        return; // nothing to walk; the installation pass still runs
    for (index = 0;; index++) {
        device.cbSize = sizeof(device);
        if (!SetupDiEnumDeviceInfo(deviceSet, index, &device))
            break;
        if (!MatchDevice(device.DevInst, matchKey, deviceText))
            continue;
        Trace(deviceText, "MATCH:instance id");
        if (SetupDiGetDeviceRegistryPropertyA(deviceSet, &device, SPDRP_CLASS, &propertyType,
                                              (BYTE*)deviceText, DEVICE_TEXT_SIZE, NULL)) {
            deviceText[DEVICE_TEXT_SIZE - 1] = '\0'; // only traced
            Trace(deviceText, "CLASS NAME");
        } else {
            ReportSystemError("SetupDiGetDeviceRegistryProperty");
        }
        if (SetupDiSetDeviceRegistryPropertyA(deviceSet, &device, SPDRP_CLASSGUID,
                                              (const BYTE*)bracedGuid, (DWORD)strlen(bracedGuid)))
            Trace("SetupDiSetDeviceRegistryProperty", "OK");
        else
            ReportSystemError("ERROR:  SetupDiSetDeviceRegistryProperty");
    }
    SetupDiDestroyDeviceInfoList(deviceSet);
}

int InstallDevices(const char* className, const char* hardwareId, HWND parentWindow,
                   const char* sourceRoot, int* restartNeeded)
{
    GUID classGuids[CLASS_GUID_ROOM];
    DWORD classCount = 0;
    char guidText[GUID_TEXT_SIZE];
    char bracedGuid[BRACED_GUID_SIZE];
    char matchKey[MATCH_KEY_SIZE];

    *restartNeeded = 0;
    if (!SetupDiClassGuidsFromNameA(className, classGuids, CLASS_GUID_ROOM, &classCount) ||
        classCount == 0) {
        Trace("error: SetupDiClassGuidsFromName", NULL);
        return 0;
    }
    FormatGuid(&classGuids[0], guidText);
    FormatText(bracedGuid, sizeof(bracedGuid), "{%s}", guidText);
    Trace(bracedGuid, className);

    // Instance IDs are read into 256 bytes, so a longer key can occur in none of them.
    if (!CopyText(matchKey, sizeof(matchKey), hardwareId))
        return 0;
    CharUpperA(matchKey);

    ReassignMatchingDevices(&classGuids[0], bracedGuid, matchKey, parentWindow);
    return RunInstallPass(&classGuids[0], matchKey, parentWindow, sourceRoot, restartNeeded);
}
