// Calls every toolkit function once so the linker must resolve all 27 through the import libraries.
#include "platform.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int)
{
    char buffer[16];
    int result = InitializeFrame(commandLine);
    HWND frame = HwndFrame();
    HINSTANCE instance = HinstFrame();
    FInitializeInstall(instance, frame);
    FSetBitmap("x", 1);
    FSetSymbolValue("a", "b");
    HCURSOR cursor = HShowWaitCursor();
    FRestoreCursor(cursor);
    ProSetPos(-1, -1);
    SetSizeCheckMode(0);
    FOpenInf("x", 1, 0);
    result += CbGetSymbolValue("a", buffer, sizeof buffer);
    result += UsGetListLength("a");
    result += CbGetListItem("a", 1, buffer, sizeof buffer);
    FAddListItem("a", "b");
    DoMsgBox("a", "b", 0);
    FValidDir("C:\\");
    ResetCopyList();
    FAddSectionFilesToCopyList("app", "a", "b");
    result += GrcCopyFilesInCopyList(instance);
    FCreateProgManGroup("g", "", 1);
    FShowProgManGroup("g", "1", 1);
    FCreateProgManItem("g", "i", "c", 1024);
    FDoDialogExt(frame, "x", 100, "p", "x", 900, "h");
    FKillNDialogs(-1);
    TerminateInstall();
    TerminateFrame();
    return result;
}
