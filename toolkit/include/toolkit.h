// The setup toolkit's 27 functions as the setup program calls them, by library.
//
// Every function uses the Windows calling convention (WINAPI, __stdcall on x86) and is exported
// undecorated by name from its DLL; the import libraries map the decorated names to those.
// Texts are zero-terminated ANSI strings. BOOL results: nonzero is success.
#pragma once

#ifdef __cplusplus
extern "C" {
#endif

// MSSHLSTF: frame window, symbol writing, bitmap, wait cursor.
int WINAPI InitializeFrame(LPSTR commandLine); // -1: end at once, 0: failure, >0: frame is up
HWND WINAPI HwndFrame(void);
HINSTANCE WINAPI HinstFrame(void);
BOOL WINAPI TerminateFrame(void);
BOOL WINAPI FSetBitmap(LPCSTR library, int bitmapId);
BOOL WINAPI FSetSymbolValue(LPCSTR name, LPCSTR value);
HCURSOR WINAPI HShowWaitCursor(void);
BOOL WINAPI FRestoreCursor(HCURSOR previous);

// MSINSSTF: install library, copying, program groups and items, progress, size checking.
BOOL WINAPI FInitializeInstall(HINSTANCE frameInstance, HWND frameWindow);
BOOL WINAPI TerminateInstall(void);
BOOL WINAPI ProSetPos(int position, int range);
void WINAPI SetSizeCheckMode(int mode);
BOOL WINAPI ResetCopyList(void);
int WINAPI GrcCopyFilesInCopyList(HINSTANCE frameInstance); // <= 0 success, > 0 failure
BOOL WINAPI FCreateProgManGroup(LPCSTR group, LPCSTR path, int common);
BOOL WINAPI FShowProgManGroup(LPCSTR group, LPCSTR showCommand, int common);
BOOL WINAPI FCreateProgManItem(LPCSTR group, LPCSTR item, LPCSTR commandLine, int flags);

// MSCOMSTF: INF file, symbols and lists, message box, directory test, copy-list sections.
BOOL WINAPI FOpenInf(LPCSTR path, int checkSyntax, int reserved);
int WINAPI CbGetSymbolValue(LPCSTR name, LPSTR buffer, int limit); // full length of the value
unsigned short WINAPI UsGetListLength(LPCSTR list);
int WINAPI CbGetListItem(LPCSTR list, unsigned short index, LPSTR buffer, int limit);
BOOL WINAPI FAddListItem(LPCSTR list, LPCSTR text);
int WINAPI DoMsgBox(LPCSTR text, LPCSTR caption, UINT style);
BOOL WINAPI FValidDir(LPCSTR path);
BOOL WINAPI FAddSectionFilesToCopyList(LPCSTR section, LPCSTR sourceDir, LPCSTR destDir);

// MSUILSTF: dialogs of the dialog library.
BOOL WINAPI FDoDialogExt(HWND parent, LPCSTR library, int dialogId, LPCSTR dialogProc,
                         LPCSTR helpLibrary, int helpDialogId, LPCSTR helpProc);
BOOL WINAPI FKillNDialogs(int count);

#ifdef __cplusplus
}
#endif
