// The toolkit's functions for the host build: each may be made to fail by the simulated machine.
#include "host_frontend.h"
#include "resources.h"
#include "state.h"
#include "winsim/machine.h"

#include <cstdint>
#include <cstring>

using namespace tk;

namespace
{
// The countdown faults of the simulated machine reach the toolkit's calls too.
bool Faulted(const char* name)
{
    DWORD error = 0;
    if (!winsim::ShouldFail(name, &error))
        return false;
    SetLastError(error);
    return true;
}

const HINSTANCE kFrameInstance = reinterpret_cast<HINSTANCE>(static_cast<uintptr_t>(0x400000));

} // namespace

// ---- Frame window, symbol writing, bitmap, wait cursor

int WINAPI InitializeFrame(LPSTR commandLine)
{
    if (Faulted("InitializeFrame"))
        return 0;
    if (ParseFrameOptions(commandLine).usage) {
        MessageBoxA(nullptr,
                    "Usage: setup [/unattended[=answers.ini]] [/log=file]\n\n"
                    "/unattended  answer every dialog from the answer file, or with the\n"
                    "             configured defaults when none is given\n"
                    "/log         write what setup does to the file",
                    "Setup", MB_OK | MB_ICONINFORMATION);
        return -1;
    }
    if (!Frame().window)
        Frame().window = winsim::AddWindow("");
    return 1;
}

HWND WINAPI HwndFrame(void)
{
    if (Faulted("HwndFrame"))
        return nullptr;
    return Frame().window;
}

HINSTANCE WINAPI HinstFrame(void)
{
    if (Faulted("HinstFrame"))
        return nullptr;
    return Frame().window ? kFrameInstance : nullptr;
}

BOOL WINAPI TerminateFrame(void)
{
    if (Faulted("TerminateFrame"))
        return FALSE;
    if (!Frame().window) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    // The dialogs belong to the frame and go with it.
    St().dialogs.clear();
    Frame().window = nullptr;
    Ui().Log("frame-end");
    return TRUE;
}

BOOL WINAPI FSetBitmap(LPCSTR library, int bitmapId)
{
    if (Faulted("FSetBitmap"))
        return FALSE;
    if (!IsDialogLibrary(library)) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return FALSE;
    }
    if (!IsBitmapId(bitmapId)) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return FALSE;
    }
    Ui().Log(std::string("bitmap ") + library + "|" + std::to_string(bitmapId));
    return TRUE;
}

BOOL WINAPI FSetSymbolValue(LPCSTR name, LPCSTR value)
{
    if (Faulted("FSetSymbolValue"))
        return FALSE;
    if (!name || !*name) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    SetSymbol(name, value ? value : "");
    return TRUE;
}

HCURSOR WINAPI HShowWaitCursor(void)
{
    if (Faulted("HShowWaitCursor"))
        return nullptr;
    return NewCursorToken();
}

BOOL WINAPI FRestoreCursor(HCURSOR previous)
{
    if (Faulted("FRestoreCursor"))
        return FALSE;
    return TakeBackCursorToken(previous);
}

// ---- Install library

BOOL WINAPI FInitializeInstall(HINSTANCE frameInstance, HWND frameWindow)
{
    (void)frameInstance;
    (void)frameWindow;
    if (Faulted("FInitializeInstall"))
        return FALSE;
    Frame().installReady = true;
    return TRUE;
}

BOOL WINAPI TerminateInstall(void)
{
    if (Faulted("TerminateInstall"))
        return FALSE;
    Frame().installReady = false;
    Ui().Log("install-end");
    return TRUE;
}

BOOL WINAPI ProSetPos(int position, int range)
{
    (void)position;
    (void)range;
    if (Faulted("ProSetPos"))
        return FALSE;
    return TRUE;
}

void WINAPI SetSizeCheckMode(int mode)
{
    if (Faulted("SetSizeCheckMode"))
        return;
    Frame().sizeCheckMode = mode;
}

BOOL WINAPI ResetCopyList(void)
{
    if (Faulted("ResetCopyList"))
        return FALSE;
    tk::ResetCopyList();
    return TRUE;
}

int WINAPI GrcCopyFilesInCopyList(HINSTANCE frameInstance)
{
    (void)frameInstance;
    if (Faulted("GrcCopyFilesInCopyList"))
        return 1;
    return CopyFiles(Frame().window);
}

BOOL WINAPI FCreateProgManGroup(LPCSTR group, LPCSTR path, int common)
{
    (void)path;
    (void)common;
    if (Faulted("FCreateProgManGroup"))
        return FALSE;
    return CreateGroup(group);
}

BOOL WINAPI FShowProgManGroup(LPCSTR group, LPCSTR showCommand, int common)
{
    (void)showCommand;
    (void)common;
    if (Faulted("FShowProgManGroup"))
        return FALSE;
    return ShowGroup(group);
}

BOOL WINAPI FCreateProgManItem(LPCSTR group, LPCSTR item, LPCSTR commandLine, int flags)
{
    (void)flags;
    if (Faulted("FCreateProgManItem"))
        return FALSE;
    return CreateItem(group, item, commandLine);
}

// ---- INF file, symbols and lists, message box, directory test, copy-list sections

BOOL WINAPI FOpenInf(LPCSTR path, int checkSyntax, int reserved)
{
    (void)reserved;
    if (Faulted("FOpenInf"))
        return FALSE;
    return OpenInf(path, checkSyntax != 0);
}

int WINAPI CbGetSymbolValue(LPCSTR name, LPSTR buffer, int limit)
{
    if (Faulted("CbGetSymbolValue")) {
        CopyOut("", buffer, limit);
        return 0;
    }
    return CopyOut(name ? Symbol(name) : std::string(), buffer, limit);
}

unsigned short WINAPI UsGetListLength(LPCSTR list)
{
    if (Faulted("UsGetListLength"))
        return 0;
    const std::vector<std::string>* entries = list ? FindList(list) : nullptr;
    return entries ? static_cast<unsigned short>(entries->size()) : 0;
}

int WINAPI CbGetListItem(LPCSTR list, unsigned short index, LPSTR buffer, int limit)
{
    if (Faulted("CbGetListItem")) {
        CopyOut("", buffer, limit);
        return 0;
    }
    const std::vector<std::string>* entries = list ? FindList(list) : nullptr;
    if (!entries || index == 0 || index > entries->size()) {
        SetLastError(ERROR_INVALID_PARAMETER);
        CopyOut("", buffer, limit);
        return 0;
    }
    return CopyOut((*entries)[index - 1], buffer, limit);
}

BOOL WINAPI FAddListItem(LPCSTR list, LPCSTR text)
{
    if (Faulted("FAddListItem"))
        return FALSE;
    if (!list || !*list) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::vector<std::string>& entries = List(list);
    // The length is reported as 16 bits, so a longer list could not be read back.
    if (entries.size() >= 0xFFFF) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return FALSE;
    }
    entries.push_back(text ? text : "");
    return TRUE;
}

int WINAPI DoMsgBox(LPCSTR text, LPCSTR caption, UINT style)
{
    if (Faulted("DoMsgBox"))
        return 0;
    return Ui().ShowMessage(Frame().window, text ? text : "", caption ? caption : "", style);
}

BOOL WINAPI FValidDir(LPCSTR path)
{
    if (Faulted("FValidDir"))
        return FALSE;
    return ValidDir(path);
}

BOOL WINAPI FAddSectionFilesToCopyList(LPCSTR section, LPCSTR sourceDir, LPCSTR destDir)
{
    if (Faulted("FAddSectionFilesToCopyList"))
        return FALSE;
    return AddSectionFiles(section, sourceDir, destDir);
}

// ---- Dialogs

BOOL WINAPI FDoDialogExt(HWND parent, LPCSTR library, int dialogId, LPCSTR dialogProc,
                         LPCSTR helpLibrary, int helpDialogId, LPCSTR helpProc)
{
    (void)helpLibrary;
    (void)helpDialogId;
    (void)helpProc;
    if (Faulted("FDoDialogExt"))
        return FALSE;
    return DoDialog(parent, library, dialogId, dialogProc);
}

BOOL WINAPI FKillNDialogs(int count)
{
    if (Faulted("FKillNDialogs"))
        return FALSE;
    return KillDialogs(count);
}
