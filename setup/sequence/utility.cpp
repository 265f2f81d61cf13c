// Installation of the display control-panel utility: files, group and items, record, start-up.
#include "state.h"
#include "calllayer.h"
#include "text.h"

static const char RUN_KEY[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
static const char RECORD_FILE[] = "velsetup.log";

// The Windows directory as the platform gives it. One that cannot be had, or that does not fit,
// would send files to a wrong place, so the setup ends visibly instead.
static void ReadWindowsDirectory(char* windowsDir, UINT size)
{
    UINT length = GetWindowsDirectoryA(windowsDir, size);
    if (length == 0)
        FatalExit();
    if (length >= size)
        OverflowExit();
}

void BuildCopyList(void)
{
    char windowsDir[260];
    char fontsDir[260];

    HCURSOR cursor = ShowWaitCursor();
    ResetCopyList();
    AddSection("app", setupState.sourceDir, setupState.destPath);
    ReadWindowsDirectory(windowsDir, sizeof windowsDir);
    AddSection("win", setupState.sourceDir, windowsDir);
    // Byte-wise on purpose: the folder is joined only when the directory does not already end
    // in a separator, as with a drive root such as "C:\".
    const char* lastBackslash = strrchr(windowsDir, '\\');
    const char* format =
        lastBackslash != NULL && lastBackslash[1] == '\0' ? "%sFonts" : "%s\\Fonts";
    if (!FormatText(fontsDir, sizeof fontsDir, format, windowsDir))
        OverflowExit();
    AddSection("fonts", setupState.sourceDir, fontsDir);
    RestoreCursor(cursor);
}

// The start-up command with its program path quoted, so that Windows cannot take a blank in
// the destination for the end of the program: "<destPath><program>"<arguments>.
static void FormStartupCommand(char* command, size_t size)
{
    const char* startup = setupState.startupFile;
    const char* arguments = strchr(startup, ' ');
    int programLength = arguments != NULL ? (int)(arguments - startup) : (int)strlen(startup);
    if (!FormatText(command, size, "\"%s%.*s\"%s", setupState.destPath, programLength, startup,
                    arguments != NULL ? arguments : ""))
        OverflowExit();
}

static void WriteStartupEntry(void)
{
    char command[256];
    HKEY key;

    // Formed before the key is opened, so that an overflow ends the setup with no key open.
    FormStartupCommand(command, sizeof command);
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, RUN_KEY, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS)
        return;
    RegSetValueExA(key, setupState.groupName, 0, REG_SZ, (const BYTE*)command,
                   (DWORD)strlen(command));
    RegCloseKey(key);
}

void InstallUtility(void)
{
    char commandLine[256];

    CopyFiles();
    HCURSOR cursor = ShowWaitCursor();
    CreateGroup(setupState.groupName, "", 1);
    ShowGroup(setupState.groupName, 1, 1);
    for (int i = 0; i < setupState.itemCount; i++) {
        const ProgramItem* item = &setupState.items[i];
        if (!FormatText(commandLine, sizeof commandLine, "%s%s", setupState.destPath,
                        item->fileName))
            OverflowExit();
        CreateItem(setupState.groupName, item->displayName, commandLine, 1024);
    }
    WritePrivateProfileStringA("program group", "name", setupState.groupName, RECORD_FILE);
    WritePrivateProfileStringA("install directory", "path", setupState.destPath, RECORD_FILE);
    if (setupState.startupFile[0] != '\0')
        WriteStartupEntry();
    RestoreCursor(cursor);
}
