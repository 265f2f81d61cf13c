// The toolkit's functions as the core carries them out, under names of their own, so that a
// front end can put its checks in front of them and a DLL can export them under the real names.
#pragma once
#include "platform.h"

#ifdef __cplusplus
extern "C" {
#endif

int WINAPI TkInitializeFrame(LPSTR commandLine);
HWND WINAPI TkHwndFrame(void);
HINSTANCE WINAPI TkHinstFrame(void);
BOOL WINAPI TkTerminateFrame(void);
BOOL WINAPI TkFSetBitmap(LPCSTR library, int bitmapId);
BOOL WINAPI TkFSetSymbolValue(LPCSTR name, LPCSTR value);
HCURSOR WINAPI TkHShowWaitCursor(void);
BOOL WINAPI TkFRestoreCursor(HCURSOR previous);

BOOL WINAPI TkFInitializeInstall(HINSTANCE frameInstance, HWND frameWindow);
BOOL WINAPI TkTerminateInstall(void);
BOOL WINAPI TkProSetPos(int position, int range);
void WINAPI TkSetSizeCheckMode(int mode);
BOOL WINAPI TkResetCopyList(void);
int WINAPI TkGrcCopyFilesInCopyList(HINSTANCE frameInstance);
BOOL WINAPI TkFCreateProgManGroup(LPCSTR group, LPCSTR path, int common);
BOOL WINAPI TkFShowProgManGroup(LPCSTR group, LPCSTR showCommand, int common);
BOOL WINAPI TkFCreateProgManItem(LPCSTR group, LPCSTR item, LPCSTR commandLine, int flags);

BOOL WINAPI TkFOpenInf(LPCSTR path, int checkSyntax, int reserved);
int WINAPI TkCbGetSymbolValue(LPCSTR name, LPSTR buffer, int limit);
unsigned short WINAPI TkUsGetListLength(LPCSTR list);
int WINAPI TkCbGetListItem(LPCSTR list, unsigned short index, LPSTR buffer, int limit);
BOOL WINAPI TkFAddListItem(LPCSTR list, LPCSTR text);
int WINAPI TkDoMsgBox(LPCSTR text, LPCSTR caption, UINT style);
BOOL WINAPI TkFValidDir(LPCSTR path);
BOOL WINAPI TkFAddSectionFilesToCopyList(LPCSTR section, LPCSTR sourceDir, LPCSTR destDir);

BOOL WINAPI TkFDoDialogExt(HWND parent, LPCSTR library, int dialogId, LPCSTR dialogProc,
                           LPCSTR helpLibrary, int helpDialogId, LPCSTR helpProc);
BOOL WINAPI TkFKillNDialogs(int count);

// For the dialog library: replaces entry index (from 1) of a list, which must exist.
BOOL WINAPI TkFReplaceListItem(LPCSTR list, unsigned short index, LPCSTR text);
// For the dialog library (Windows only): shows the help dialog of the dialog on top, owned by
// owner; FALSE when it has none.
BOOL WINAPI TkShowDialogHelp(HWND owner);

#ifdef __cplusplus
}
#endif
