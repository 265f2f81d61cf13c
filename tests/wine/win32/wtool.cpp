// Small Windows-side helpers for the scenarios: exact registry bytes, system folders, and
// running a start-up entry's command the way Windows does at log-on.
//
//   wtool regdump HKLM|HKCU <key> <value>   prints "type=<n> size=<n> hex=<bytes>", or "missing"
//                                           with exit code 1
//   wtool paths                              prints "temp=<GetTempPathA>" and
//                                           "windows=<GetWindowsDirectoryA>"
//   wtool runkey <key under HKLM> <value>    reads the command text and starts it with
//                                           CreateProcessA, as given, waits for it and exits
//                                           with its exit code
//   wtool link <file.lnk>                    prints the shell link's "target=" and "arguments="
//   wtool noop                               does nothing (a baseline for timings)
#include <windows.h>
#include <shlobj.h>
#include <stdio.h>
#include <string.h>

static HKEY RootNamed(const char* name)
{
    if (lstrcmpiA(name, "HKLM") == 0)
        return HKEY_LOCAL_MACHINE;
    if (lstrcmpiA(name, "HKCU") == 0)
        return HKEY_CURRENT_USER;
    return nullptr;
}

static int RegDump(const char* rootName, const char* keyPath, const char* valueName)
{
    HKEY root = RootNamed(rootName), key;
    if (!root) {
        fprintf(stderr, "unknown root %s\n", rootName);
        return 100;
    }
    if (RegOpenKeyExA(root, keyPath, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
        printf("missing\n");
        return 1;
    }
    static BYTE data[65536];
    DWORD type = 0, size = sizeof(data);
    LONG result = RegQueryValueExA(key, valueName, nullptr, &type, data, &size);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS) {
        printf("missing\n");
        return 1;
    }
    printf("type=%lu size=%lu hex=", (unsigned long)type, (unsigned long)size);
    for (DWORD i = 0; i < size; i++)
        printf("%02x", data[i]);
    printf("\n");
    return 0;
}

static int Paths()
{
    char temp[MAX_PATH + 1] = "", windows[MAX_PATH + 1] = "";
    GetTempPathA(sizeof(temp), temp);
    GetWindowsDirectoryA(windows, sizeof(windows));
    printf("temp=%s\nwindows=%s\n", temp, windows);
    return 0;
}

static int RunKey(const char* keyPath, const char* valueName)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
        printf("missing key\n");
        return 101;
    }
    // Room for a NUL the stored data may lack.
    static char command[32768 + 1];
    DWORD type = 0, size = sizeof(command) - 1;
    LONG result = RegQueryValueExA(key, valueName, nullptr, &type, (BYTE*)command, &size);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) {
        printf("missing value\n");
        return 101;
    }
    command[size] = '\0';
    printf("command=%s\n", command);
    fflush(stdout);
    STARTUPINFOA startup;
    ZeroMemory(&startup, sizeof(startup));
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process;
    if (!CreateProcessA(nullptr, command, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
        printf("CreateProcessA failed: error %lu\n", (unsigned long)GetLastError());
        return 102;
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD exitCode = 103;
    GetExitCodeProcess(process.hProcess, &exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    printf("exit=%lu\n", (unsigned long)exitCode);
    return (int)exitCode;
}

static int Link(const char* path)
{
    if (FAILED(CoInitialize(nullptr)))
        return 104;
    IShellLinkA* link = nullptr;
    IPersistFile* file = nullptr;
    int result = 104;
    WCHAR widePath[MAX_PATH];
    if (MultiByteToWideChar(CP_ACP, 0, path, -1, widePath, MAX_PATH) &&
        SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                   (void**)&link)) &&
        SUCCEEDED(link->QueryInterface(IID_IPersistFile, (void**)&file)) &&
        SUCCEEDED(file->Load(widePath, STGM_READ))) {
        char target[MAX_PATH] = "", arguments[1024] = "";
        link->GetPath(target, sizeof(target), nullptr, SLGP_RAWPATH);
        link->GetArguments(arguments, sizeof(arguments));
        printf("target=%s\narguments=%s\n", target, arguments);
        result = 0;
    } else {
        printf("not a readable shell link\n");
    }
    if (file)
        file->Release();
    if (link)
        link->Release();
    CoUninitialize();
    return result;
}

int main(int argc, char** argv)
{
    if (argc == 5 && strcmp(argv[1], "regdump") == 0)
        return RegDump(argv[2], argv[3], argv[4]);
    if (argc == 2 && strcmp(argv[1], "paths") == 0)
        return Paths();
    if (argc == 4 && strcmp(argv[1], "runkey") == 0)
        return RunKey(argv[2], argv[3]);
    if (argc == 3 && strcmp(argv[1], "link") == 0)
        return Link(argv[2]);
    if (argc == 2 && strcmp(argv[1], "noop") == 0)
        return 0;
    fprintf(stderr, "usage: wtool regdump|paths|runkey|link|noop ...\n");
    return 100;
}
