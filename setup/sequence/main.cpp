// The setup program's entry: the whole run from frame start to exit, on one thread.
#include "state.h"
#include "calllayer.h"
#include "devices.h"
#include "text.h"

#include <limits.h>

SetupState setupState;

static char infPath[260];
static char work[256];
static char classText[64];
static char idText[64];
static char idSymbol[64];
static char classSymbol[64];

// Cuts the module path after its last backslash (found by a code-page-aware walk, so that the
// second byte of a double-byte character is never taken for one). Returns 0 when the text
// holds no backslash and so names no directory.
static int CutAfterLastBackslash(char* path)
{
    char* lastBackslash = NULL;
    char* p = path;
    while (*p != '\0') {
        if (*p == '\\')
            lastBackslash = p;
        char* next = CharNextA(p);
        if (next <= p)
            break;
        p = next;
    }
    if (lastBackslash == NULL) {
        path[0] = '\0';
        return 0;
    }
    lastBackslash[1] = '\0';
    return 1;
}

// Finds the own directory and the configuration file's path. When the own directory cannot be
// known, or the path does not fit its buffer, the path stays empty so that opening it fails and
// the setup ends visibly through the fatal dialog instead of reading some other file.
static void LocateConfiguration(void)
{
    DWORD length = GetModuleFileNameA(NULL, setupState.sourceDir, sizeof setupState.sourceDir);
    infPath[0] = '\0';
    if (length == 0 || length >= sizeof setupState.sourceDir) {
        setupState.sourceDir[0] = '\0';
        return;
    }
    if (!CutAfterLastBackslash(setupState.sourceDir))
        return;
    if (!FormatText(infPath, sizeof infPath, "%ssetupNT.ini", setupState.sourceDir))
        infPath[0] = '\0';
}

static void StartSourcePathHelper(void)
{
    work[0] = '\0';
    ReadSymbol("UPDATE_SOURCE_PATH", work, PATH_LIMIT);
    if (work[0] != '1')
        return;
    // Quoted: the own directory may hold blanks, and unquoted Windows would hand the helper an
    // argument text from inside the path, or start a program named by its first word.
    if (!FormatText(work, sizeof work, "\"%sBrinmoor.EXE\" 0", setupState.sourceDir))
        OverflowExit();
    WinExec(work, SW_HIDE);
}

static void ReadProgramItems(void)
{
    setupState.itemCount = 0;
    for (int n = 1; n <= MAX_ITEMS; n++) {
        ProgramItem* item = &setupState.items[n - 1];
        FormatText(work, sizeof work, "%s%d", "APP_PROGRAM_ITEM_NAME", n);
        ReadSymbol(work, item->displayName, PATH_LIMIT);
        if (item->displayName[0] == '\0') {
            setupState.itemCount = n - 1;
            return;
        }
        FormatText(work, sizeof work, "%s%d", "APP_PROGRAM_ITEM_FILE", n);
        ReadSymbol(work, item->fileName, PATH_LIMIT);
    }
    setupState.itemCount = MAX_ITEMS;
}

// Decimal text to a number as atoi reads it (leading white space, one sign, digits up to the
// first other character, 0 without digits), except that a value past the range of int stops at
// its bound instead of overflowing, which atoi leaves undefined.
static int BitmapId(const char* text)
{
    while (*text == ' ' || (*text >= '\t' && *text <= '\r'))
        text++;
    int negative = *text == '-';
    if (*text == '-' || *text == '+')
        text++;
    long long value = 0;
    for (; *text >= '0' && *text <= '9'; text++) {
        value = value * 10 + (*text - '0');
        if (value > (long long)INT_MAX + 1)
            value = (long long)INT_MAX + 1;
    }
    if (negative)
        return (int)-value; // INT_MAX + 1 negated is INT_MIN
    return value > INT_MAX ? INT_MAX : (int)value;
}

static void ReadConfiguration(void)
{
    ReadSymbol("APP_BITMAP", work, PATH_LIMIT);
    SetBitmap(DIALOG_LIBRARY, BitmapId(work));
    ReadSymbol("APP_TITLE", work, PATH_LIMIT);
    SetTitle(work);
    ReadSymbol("APP_DEST_PATH", setupState.destPath, PATH_LIMIT);
    ReadSymbol("STF_SRCDIR", setupState.sourceDir, PATH_LIMIT);
    ReadSymbol("APP_PROGRAM_GROUP", setupState.groupName, PATH_LIMIT);
    ReadProgramItems();
    ReadSymbol("APP_STARTUP", setupState.startupFile, PATH_LIMIT);
    ReadSymbol("APP_INSTALL_UTILITY", setupState.utilityChoice, CHOICE_LIMIT);
    ReadSymbol("APP_INSTALL_DRIVER", setupState.driverChoice, CHOICE_LIMIT);
}

static void HoldConversation(void)
{
    if (setupState.utilityChoice[0] != '1') {
        InfoDialog();
        setupState.installUtility = 0;
        setupState.installDriver = 1;
    } else if (setupState.driverChoice[0] == '0') {
        CustomInstallDialog(6201);
    } else {
        CustomInstallDialog(6200);
    }
    if (setupState.driverChoice[0] == '0')
        setupState.installDriver = 0;
}

// Runs one device request and adds its outcome to the totals.
static void RequestDevices(int* restartWanted, int* matchedTotal)
{
    int restartFlag = 0;
    *matchedTotal +=
        InstallDevices(classText, idText, HwndFrame(), setupState.sourceDir, &restartFlag);
    if (restartFlag)
        *restartWanted = 1;
}

static void InstallDrivers(void)
{
    int restartWanted = 0;
    int matchedTotal = 0;

    ReadSymbol("STF_SRCDIR", setupState.sourceDir, PATH_LIMIT);
    ReadSymbol("CLASS", classText, DEVICE_LIMIT);
    for (int n = 1;; n++) {
        FormatText(idSymbol, sizeof idSymbol, "ID_%d", n);
        idText[0] = '\0';
        ReadSymbol(idSymbol, idText, DEVICE_LIMIT);
        if (idText[0] == '\0')
            break;
        RequestDevices(&restartWanted, &matchedTotal);
    }
    for (int n = 1;; n++) {
        FormatText(classSymbol, sizeof classSymbol, "MORE_CLASS_%d", n);
        classText[0] = '\0';
        ReadSymbol(classSymbol, classText, DEVICE_LIMIT);
        if (classText[0] == '\0')
            break;
        FormatText(idSymbol, sizeof idSymbol, "MORE_ID_%d", n);
        idText[0] = '\0';
        ReadSymbol(idSymbol, idText, DEVICE_LIMIT);
        if (idText[0] == '\0')
            break;
        RequestDevices(&restartWanted, &matchedTotal);
    }

    if (restartWanted)
        SetupPromptReboot(NULL, HwndFrame(), FALSE);
    else if (matchedTotal == 0)
        MessageBoxA(NULL,
                    "The device is not present or not configured correctly!\n\n"
                    "Please check then restart your Windows.",
                    "SETUP WARNING:", MB_ICONWARNING);
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int)
{
    LocateConfiguration();
    if (StartFrame(commandLine) <= 0)
        exit(0);
    SetWindowPos(HwndFrame(), NULL, 0, 0, GetSystemMetrics(SM_CXSCREEN),
                 GetSystemMetrics(SM_CYSCREEN), SWP_NOZORDER);
    ProSetPos(-1, -1);
    SetSizeCheckMode(0);
    OpenInf(infPath);
    StartSourcePathHelper();
    ReadConfiguration();
    HoldConversation();
    if (setupState.installUtility == 1) {
        BuildCopyList();
        InstallUtility();
    }
    if (setupState.installDriver == 1)
        InstallDrivers();
    StopSetup();
    exit(0);
}
