// The call layer over the setup toolkit: guarded operations, the fatal exit, the message pump.
//
// A guarded operation never reports a failure: it ends the setup through FatalExit, so callers
// never test it. The process ends with exit code 0 on every path.
#pragma once
#include "platform.h"

#define DIALOG_LIBRARY "mscuistf.dll"

enum { EVENT_TEXT_SIZE = 16, EVENT_TEXT_LIMIT = 15 };

// Codes of a dialog's event text (see DialogEvent); every other code is unrecognised.
enum { EventCancel = 132, EventProceed = 146, EventExit = 157 };

// The sum of the first two bytes of the event text, each as a signed 8-bit value, modulo 65536.
unsigned short DialogEvent(const char* eventText);

int StartFrame(LPSTR commandLine);
void StopSetup(void);
[[noreturn]] void FatalExit(void);
void PumpMessages(void);

// "Buffer Overflow" in the toolkit's message box, then FatalExit: for a value or a formed text
// that does not fit its buffer.
[[noreturn]] void OverflowExit(void);

void ShowDialog(const char* library, int dialogId, const char* dialogProc, int helpDialogId,
                const char* helpProc, char* eventText, int limit);
void CloseDialogs(int count);

char* ReadSymbol(const char* name, char* buffer, int limit);
unsigned short ListLength(const char* list);
char* ReadListItem(const char* list, int index, char* buffer, int limit);
void AddListEntry(const char* list, const char* text);
void SetSymbol(const char* name, const char* text);

void OpenInf(const char* path);
void SetBitmap(const char* library, int bitmapId);
void SetTitle(const char* text);
HCURSOR ShowWaitCursor(void);
void RestoreCursor(HCURSOR cursor);
void AddSection(const char* section, const char* sourceDir, const char* destDir);
void CopyFiles(void);
void CreateGroup(const char* group, const char* text, int common);
void ShowGroup(const char* group, int showCommand, int common);
void CreateItem(const char* group, const char* item, const char* commandLine, int flags);
