// The toolkit's functions over the core: argument checks, results and last errors.
#include "calls.h"
#include "resources.h"
#include "state.h"


using namespace tk;

namespace
{
BOOL Failed(const char* call)
{
    NoteFailure(call);
    return FALSE;
}

BOOL Result(bool ok, const char* call)
{
    return ok ? TRUE : Failed(call);
}
} // namespace

// ---- Frame window, symbol writing, bitmap, wait cursor

int WINAPI TkInitializeFrame(LPSTR commandLine)
{
    return StartFrame(commandLine);
}

HWND WINAPI TkHwndFrame(void)
{
    return St().frame;
}

HINSTANCE WINAPI TkHinstFrame(void)
{
    return St().frame ? Ui().FrameInstance() : nullptr;
}

BOOL WINAPI TkTerminateFrame(void)
{
    return EndFrame();
}

BOOL WINAPI TkFSetBitmap(LPCSTR library, int bitmapId)
{
    if (!IsDialogLibrary(library)) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return Failed("FSetBitmap");
    }
    if (!IsBitmapId(bitmapId)) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return Failed("FSetBitmap");
    }
    if (!Ui().ShowBitmap(library, bitmapId))
        return Failed("FSetBitmap");
    Ui().Log(std::string("bitmap ") + library + "|" + std::to_string(bitmapId));
    return TRUE;
}

BOOL WINAPI TkFSetSymbolValue(LPCSTR name, LPCSTR value)
{
    if (!name || !*name) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return Failed("FSetSymbolValue");
    }
    SetSymbol(name, value ? value : "");
    if (EqualNoCase(name, "DLGEVENT"))
        ++St().eventWrites;
    return TRUE;
}

HCURSOR WINAPI TkHShowWaitCursor(void)
{
    HCURSOR token = NewCursorToken();
    Ui().WaitCursor(true);
    return token;
}

BOOL WINAPI TkFRestoreCursor(HCURSOR previous)
{
    if (!TakeBackCursorToken(previous))
        return Failed("FRestoreCursor");
    if (St().cursors.empty())
        Ui().WaitCursor(false);
    return TRUE;
}

// ---- Install library

BOOL WINAPI TkFInitializeInstall(HINSTANCE frameInstance, HWND frameWindow)
{
    (void)frameInstance;
    (void)frameWindow;
    St().installReady = true;
    return TRUE;
}

BOOL WINAPI TkTerminateInstall(void)
{
    St().installReady = false;
    Ui().Log("install-end");
    return TRUE;
}

BOOL WINAPI TkProSetPos(int position, int range)
{
    // The setup program asks for (-1, -1): no gauge until a copy shows one.
    if (position < 0 || range <= 0)
        Ui().Progress(0, 0);
    else
        Ui().Progress(static_cast<size_t>(position < range ? position : range),
                      static_cast<size_t>(range));
    return TRUE;
}

void WINAPI TkSetSizeCheckMode(int mode)
{
    St().sizeCheckMode = mode;
}

BOOL WINAPI TkResetCopyList(void)
{
    tk::ResetCopyList();
    return TRUE;
}

int WINAPI TkGrcCopyFilesInCopyList(HINSTANCE frameInstance)
{
    (void)frameInstance;
    return CopyFiles(St().frame);
}

BOOL WINAPI TkFCreateProgManGroup(LPCSTR group, LPCSTR path, int common)
{
    (void)path;
    (void)common;
    return Result(CreateGroup(group), "FCreateProgManGroup");
}

BOOL WINAPI TkFShowProgManGroup(LPCSTR group, LPCSTR showCommand, int common)
{
    (void)showCommand;
    (void)common;
    return Result(ShowGroup(group), "FShowProgManGroup");
}

BOOL WINAPI TkFCreateProgManItem(LPCSTR group, LPCSTR item, LPCSTR commandLine, int flags)
{
    (void)flags;
    return Result(CreateItem(group, item, commandLine), "FCreateProgManItem");
}

// ---- INF file, symbols and lists, message box, directory test, copy-list sections

BOOL WINAPI TkFOpenInf(LPCSTR path, int checkSyntax, int reserved)
{
    (void)reserved;
    return Result(OpenInf(path, checkSyntax != 0), "FOpenInf");
}

int WINAPI TkCbGetSymbolValue(LPCSTR name, LPSTR buffer, int limit)
{
    return CopyOut(name ? Symbol(name) : std::string(), buffer, limit);
}

unsigned short WINAPI TkUsGetListLength(LPCSTR list)
{
    const std::vector<std::string>* entries = list ? FindList(list) : nullptr;
    return entries ? static_cast<unsigned short>(entries->size()) : 0;
}

int WINAPI TkCbGetListItem(LPCSTR list, unsigned short index, LPSTR buffer, int limit)
{
    const std::vector<std::string>* entries = list ? FindList(list) : nullptr;
    if (!entries || index == 0 || index > entries->size()) {
        SetLastError(ERROR_INVALID_PARAMETER);
        CopyOut("", buffer, limit);
        return 0;
    }
    return CopyOut((*entries)[index - 1], buffer, limit);
}

BOOL WINAPI TkFAddListItem(LPCSTR list, LPCSTR text)
{
    if (!list || !*list) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return Failed("FAddListItem");
    }
    std::vector<std::string>& entries = List(list);
    // The length is reported as 16 bits, so a longer list could not be read back.
    if (entries.size() >= 0xFFFF) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return Failed("FAddListItem");
    }
    entries.push_back(text ? text : "");
    return TRUE;
}

BOOL WINAPI TkFReplaceListItem(LPCSTR list, unsigned short index, LPCSTR text)
{
    std::vector<std::string>* entries = list ? FindList(list) : nullptr;
    if (!entries || index == 0 || index > entries->size()) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    (*entries)[index - 1] = text ? text : "";
    return TRUE;
}

int WINAPI TkDoMsgBox(LPCSTR text, LPCSTR caption, UINT style)
{
    NoteMessage(text ? text : "");
    return Ui().ShowMessage(St().frame, text ? text : "", caption ? caption : "", style);
}

BOOL WINAPI TkFValidDir(LPCSTR path)
{
    // A refused path is an answer, not a failure of the toolkit.
    return ValidDir(path);
}

BOOL WINAPI TkFAddSectionFilesToCopyList(LPCSTR section, LPCSTR sourceDir, LPCSTR destDir)
{
    return Result(AddSectionFiles(section, sourceDir, destDir), "FAddSectionFilesToCopyList");
}

// ---- Dialogs

BOOL WINAPI TkFDoDialogExt(HWND parent, LPCSTR library, int dialogId, LPCSTR dialogProc,
                           LPCSTR helpLibrary, int helpDialogId, LPCSTR helpProc)
{
    DialogCall call;
    call.parent = parent;
    call.library = library ? library : "";
    call.id = dialogId;
    call.procedure = dialogProc ? dialogProc : "";
    call.helpLibrary = helpLibrary ? helpLibrary : "";
    call.helpId = helpDialogId;
    call.helpProcedure = helpProc ? helpProc : "";
    return Result(DoDialog(call), "FDoDialogExt");
}

BOOL WINAPI TkFKillNDialogs(int count)
{
    return Result(KillDialogs(count), "FKillNDialogs");
}
