// The toolkit's functions for the host build: each may be made to fail by the simulated machine
// before the core carries it out.
#include "calls.h"
#include "core.h"
#include "winsim/machine.h"

namespace
{
// The countdown faults of the simulated machine reach the toolkit's calls too.
bool Faulted(const char* name)
{
    DWORD error = 0;
    if (!winsim::ShouldFail(name, &error))
        return false;
    SetLastError(error);
    tk::NoteFailure(name);
    return true;
}

// A faulted read leaves an empty text behind, as a failed read of the real toolkit would.
int EmptyText(LPSTR buffer, int limit)
{
    DWORD error = GetLastError();
    tk::CopyOut("", buffer, limit);
    SetLastError(error);
    return 0;
}
} // namespace

int WINAPI InitializeFrame(LPSTR commandLine)
{
    if (Faulted("InitializeFrame"))
        return 0;
    return TkInitializeFrame(commandLine);
}

HWND WINAPI HwndFrame(void)
{
    if (Faulted("HwndFrame"))
        return nullptr;
    return TkHwndFrame();
}

HINSTANCE WINAPI HinstFrame(void)
{
    if (Faulted("HinstFrame"))
        return nullptr;
    return TkHinstFrame();
}

BOOL WINAPI TerminateFrame(void)
{
    if (Faulted("TerminateFrame"))
        return FALSE;
    return TkTerminateFrame();
}

BOOL WINAPI FSetBitmap(LPCSTR library, int bitmapId)
{
    if (Faulted("FSetBitmap"))
        return FALSE;
    return TkFSetBitmap(library, bitmapId);
}

BOOL WINAPI FSetSymbolValue(LPCSTR name, LPCSTR value)
{
    if (Faulted("FSetSymbolValue"))
        return FALSE;
    return TkFSetSymbolValue(name, value);
}

HCURSOR WINAPI HShowWaitCursor(void)
{
    if (Faulted("HShowWaitCursor"))
        return nullptr;
    return TkHShowWaitCursor();
}

BOOL WINAPI FRestoreCursor(HCURSOR previous)
{
    if (Faulted("FRestoreCursor"))
        return FALSE;
    return TkFRestoreCursor(previous);
}

BOOL WINAPI FInitializeInstall(HINSTANCE frameInstance, HWND frameWindow)
{
    if (Faulted("FInitializeInstall"))
        return FALSE;
    return TkFInitializeInstall(frameInstance, frameWindow);
}

BOOL WINAPI TerminateInstall(void)
{
    if (Faulted("TerminateInstall"))
        return FALSE;
    return TkTerminateInstall();
}

BOOL WINAPI ProSetPos(int position, int range)
{
    if (Faulted("ProSetPos"))
        return FALSE;
    return TkProSetPos(position, range);
}

void WINAPI SetSizeCheckMode(int mode)
{
    if (Faulted("SetSizeCheckMode"))
        return;
    TkSetSizeCheckMode(mode);
}

BOOL WINAPI ResetCopyList(void)
{
    if (Faulted("ResetCopyList"))
        return FALSE;
    return TkResetCopyList();
}

int WINAPI GrcCopyFilesInCopyList(HINSTANCE frameInstance)
{
    if (Faulted("GrcCopyFilesInCopyList"))
        return 1;
    return TkGrcCopyFilesInCopyList(frameInstance);
}

BOOL WINAPI FCreateProgManGroup(LPCSTR group, LPCSTR path, int common)
{
    if (Faulted("FCreateProgManGroup"))
        return FALSE;
    return TkFCreateProgManGroup(group, path, common);
}

BOOL WINAPI FShowProgManGroup(LPCSTR group, LPCSTR showCommand, int common)
{
    if (Faulted("FShowProgManGroup"))
        return FALSE;
    return TkFShowProgManGroup(group, showCommand, common);
}

BOOL WINAPI FCreateProgManItem(LPCSTR group, LPCSTR item, LPCSTR commandLine, int flags)
{
    if (Faulted("FCreateProgManItem"))
        return FALSE;
    return TkFCreateProgManItem(group, item, commandLine, flags);
}

BOOL WINAPI FOpenInf(LPCSTR path, int checkSyntax, int reserved)
{
    if (Faulted("FOpenInf"))
        return FALSE;
    return TkFOpenInf(path, checkSyntax, reserved);
}

int WINAPI CbGetSymbolValue(LPCSTR name, LPSTR buffer, int limit)
{
    if (Faulted("CbGetSymbolValue"))
        return EmptyText(buffer, limit);
    return TkCbGetSymbolValue(name, buffer, limit);
}

unsigned short WINAPI UsGetListLength(LPCSTR list)
{
    if (Faulted("UsGetListLength"))
        return 0;
    return TkUsGetListLength(list);
}

int WINAPI CbGetListItem(LPCSTR list, unsigned short index, LPSTR buffer, int limit)
{
    if (Faulted("CbGetListItem"))
        return EmptyText(buffer, limit);
    return TkCbGetListItem(list, index, buffer, limit);
}

BOOL WINAPI FAddListItem(LPCSTR list, LPCSTR text)
{
    if (Faulted("FAddListItem"))
        return FALSE;
    return TkFAddListItem(list, text);
}

int WINAPI DoMsgBox(LPCSTR text, LPCSTR caption, UINT style)
{
    if (Faulted("DoMsgBox"))
        return 0;
    return TkDoMsgBox(text, caption, style);
}

BOOL WINAPI FValidDir(LPCSTR path)
{
    if (Faulted("FValidDir"))
        return FALSE;
    return TkFValidDir(path);
}

BOOL WINAPI FAddSectionFilesToCopyList(LPCSTR section, LPCSTR sourceDir, LPCSTR destDir)
{
    if (Faulted("FAddSectionFilesToCopyList"))
        return FALSE;
    return TkFAddSectionFilesToCopyList(section, sourceDir, destDir);
}

BOOL WINAPI FDoDialogExt(HWND parent, LPCSTR library, int dialogId, LPCSTR dialogProc,
                         LPCSTR helpLibrary, int helpDialogId, LPCSTR helpProc)
{
    if (Faulted("FDoDialogExt"))
        return FALSE;
    return TkFDoDialogExt(parent, library, dialogId, dialogProc, helpLibrary, helpDialogId,
                          helpProc);
}

BOOL WINAPI FKillNDialogs(int count)
{
    if (Faulted("FKillNDialogs"))
        return FALSE;
    return TkFKillNDialogs(count);
}
