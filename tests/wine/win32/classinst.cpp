// Test class installer for the Display class, registered in test prefixes only, never shipped.
//
// Wine has no default handling of DIF_SELECTDEVICE, which a real Windows class installer
// supplies: this one builds the compatible driver list from the device's DriverPath and lets the
// default handler pick the best driver. After a successful DIF_INSTALLDEVICE it ORs the DWORD
// "FlagsAfterInstall" under HKLM\SOFTWARE\DisplaySetupTests\ClassInstaller into the install
// flags, so a scenario can play Windows asking for a restart (DI_NEEDREBOOT or DI_NEEDRESTART).
// Every call is appended to testclassinst.log in the Windows directory for the scenarios.
#include <windows.h>
#include <setupapi.h>
#include <stdio.h>

static const char requestKey[] = "SOFTWARE\\DisplaySetupTests\\ClassInstaller";

static void LogCall(DI_FUNCTION function, DWORD result, DWORD flags)
{
    char path[MAX_PATH + 32];
    UINT length = GetWindowsDirectoryA(path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return;
    lstrcatA(path, "\\testclassinst.log");
    FILE* log = fopen(path, "a");
    if (!log)
        return;
    fprintf(log, "dif=%lu result=%lu flags=0x%lx\n", (unsigned long)function, (unsigned long)result,
            (unsigned long)flags);
    fclose(log);
}

static DWORD RequestedFlags()
{
    HKEY key;
    DWORD flags = 0, size = sizeof(flags), type = 0;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, requestKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return 0;
    if (RegQueryValueExA(key, "FlagsAfterInstall", nullptr, &type, (BYTE*)&flags, &size) !=
            ERROR_SUCCESS ||
        type != REG_DWORD)
        flags = 0;
    RegCloseKey(key);
    return flags;
}

static DWORD SelectDevice(HDEVINFO set, SP_DEVINFO_DATA* device)
{
    if (!SetupDiBuildDriverInfoList(set, device, SPDIT_COMPATDRIVER))
        return GetLastError();
    // The default handler of this request is implemented; SetupDiSelectDevice is not.
    if (!SetupDiCallClassInstaller(DIF_SELECTBESTCOMPATDRV, set, device))
        return GetLastError();
    return NO_ERROR;
}

static DWORD InstallDevice(HDEVINFO set, SP_DEVINFO_DATA* device, DWORD* flagsSeen)
{
    if (!SetupDiInstallDevice(set, device))
        return GetLastError();
    SP_DEVINSTALL_PARAMS_A params;
    params.cbSize = sizeof(params);
    if (!SetupDiGetDeviceInstallParamsA(set, device, &params))
        return GetLastError();
    DWORD extra = RequestedFlags();
    if (extra != 0) {
        params.Flags |= extra;
        if (!SetupDiSetDeviceInstallParamsA(set, device, &params))
            return GetLastError();
    }
    *flagsSeen = params.Flags;
    return NO_ERROR;
}

extern "C" DWORD WINAPI TestClassInstaller(DI_FUNCTION function, HDEVINFO set,
                                           SP_DEVINFO_DATA* device)
{
    DWORD result = ERROR_DI_DO_DEFAULT, flags = 0;
    if (function == DIF_SELECTDEVICE && device)
        result = SelectDevice(set, device);
    else if (function == DIF_INSTALLDEVICE && device)
        result = InstallDevice(set, device, &flags);
    LogCall(function, result, flags);
    return result;
}
