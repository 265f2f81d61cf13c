// Guarded toolkit calls, the one fatal-exit path, the message pump and dialog events.
#include "calllayer.h"
#include "text.h"

// Set once by StartFrame when both the frame and the install library are up; never reset.
static int frameHandle;
// Set on the first entry into FatalExit so that a failure inside it cannot show the fatal
// dialog twice or recurse without end.
static int fatalExitActive;

unsigned short DialogEvent(const char* eventText)
{
    return (unsigned short)((signed char)eventText[0] + (signed char)eventText[1]);
}

int StartFrame(LPSTR commandLine)
{
    if (frameHandle > 0)
        return 0;
    int frame = InitializeFrame(commandLine);
    // The contract names -1 for "end at once"; any other negative answer is taken the same way
    // rather than as a frame handle.
    if (frame < 0)
        return frame;
    if (frame == 0) {
        StopSetup();
        return 0;
    }
    if (!FInitializeInstall(HinstFrame(), HwndFrame())) {
        StopSetup();
        return 0;
    }
    frameHandle = frame;
    return frame;
}

void StopSetup(void)
{
    TerminateFrame();
    TerminateInstall();
}

void FatalExit(void)
{
    if (!fatalExitActive) {
        fatalExitActive = 1;
        CloseDialogs(-1);
        static char eventText[EVENT_TEXT_SIZE];
        unsigned short event;
        do {
            ShowDialog(DIALOG_LIBRARY, 400, "FInfo0DlgProc", 0, NULL, eventText, EVENT_TEXT_LIMIT);
            event = DialogEvent(eventText);
        } while (event != EventCancel && event != EventProceed);
        CloseDialogs(1);
    }
    // A failure inside the block above re-enters here directly: the toolkit is stopped once.
    StopSetup();
    exit(0);
}

void OverflowExit(void)
{
    DoMsgBox("Buffer Overflow", "MS-Setup Error", 16);
    FatalExit();
}

void PumpMessages(void)
{
    MSG message;
    while (PeekMessageA(&message, NULL, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT)
            FatalExit();
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

void ShowDialog(const char* library, int dialogId, const char* dialogProc, int helpDialogId,
                const char* helpProc, char* eventText, int limit)
{
    if (!FDoDialogExt(HwndFrame(), library, dialogId, dialogProc, library, helpDialogId, helpProc))
        FatalExit();
    PumpMessages();
    ReadSymbol("DLGEVENT", eventText, limit);
}

void CloseDialogs(int count)
{
    if (!FKillNDialogs(count))
        FatalExit();
    PumpMessages();
}

char* ReadSymbol(const char* name, char* buffer, int limit)
{
    if (name == NULL || name[0] == '\0')
        FatalExit();
    if (CbGetSymbolValue(name, buffer, limit) >= limit)
        OverflowExit();
    return buffer;
}

unsigned short ListLength(const char* list)
{
    if (list == NULL || list[0] == '\0')
        FatalExit();
    return (unsigned short)UsGetListLength(list);
}

char* ReadListItem(const char* list, int index, char* buffer, int limit)
{
    if (list == NULL || list[0] == '\0' || index <= 0 || index > ListLength(list))
        FatalExit();
    if (CbGetListItem(list, (unsigned short)index, buffer, limit) >= limit)
        OverflowExit();
    return buffer;
}

void AddListEntry(const char* list, const char* text)
{
    if (!FAddListItem(list, text))
        FatalExit();
}

void SetSymbol(const char* name, const char* text)
{
    if (!FSetSymbolValue(name, text))
        FatalExit();
}

void OpenInf(const char* path)
{
    if (!FOpenInf(path, 1, 0))
        FatalExit();
}

void SetBitmap(const char* library, int bitmapId)
{
    if (!FSetBitmap(library, bitmapId))
        FatalExit();
}

void SetTitle(const char* text)
{
    SetWindowTextA(HwndFrame(), text);
}

HCURSOR ShowWaitCursor(void)
{
    return HShowWaitCursor();
}

void RestoreCursor(HCURSOR cursor)
{
    if (!FRestoreCursor(cursor))
        FatalExit();
}

void AddSection(const char* section, const char* sourceDir, const char* destDir)
{
    if (!FAddSectionFilesToCopyList(section, sourceDir, destDir))
        FatalExit();
}

void CopyFiles(void)
{
    if (GrcCopyFilesInCopyList(HinstFrame()) > 0)
        FatalExit();
}

void CreateGroup(const char* group, const char* text, int common)
{
    if (!FCreateProgManGroup(group, text, common))
        FatalExit();
}

void ShowGroup(const char* group, int showCommand, int common)
{
    char number[16];
    FormatText(number, sizeof number, "%d", showCommand); // any int fits in 16 bytes
    if (!FShowProgManGroup(group, number, common))
        FatalExit();
}

void CreateItem(const char* group, const char* item, const char* commandLine, int flags)
{
    if (!FCreateProgManItem(group, item, commandLine, flags))
        FatalExit();
}
