// The conversations with the user: information, custom install, bad path and quit dialogs.
#include "state.h"
#include "calllayer.h"
#include "text.h"

#define HELP_PROC "FHelpDlgProc"
enum { HELP_DIALOG = 900 };

void QuitDialog(void)
{
    char eventText[EVENT_TEXT_SIZE] = "";
    for (;;) {
        ShowDialog(DIALOG_LIBRARY, 200, "FQuitDlgProc", HELP_DIALOG, HELP_PROC, eventText,
                   EVENT_TEXT_LIMIT);
        switch (DialogEvent(eventText)) {
        case EventCancel:
        case EventProceed:
            CloseDialogs(1);
            return;
        case EventExit:
            CloseDialogs(-1);
            StopSetup();
            exit(0);
        default:
            break;
        }
    }
}

void InfoDialog(void)
{
    char eventText[EVENT_TEXT_SIZE] = "";
    for (;;) {
        ShowDialog(DIALOG_LIBRARY, 100, "FInfoDlgProc", HELP_DIALOG, HELP_PROC, eventText,
                   EVENT_TEXT_LIMIT);
        switch (DialogEvent(eventText)) {
        case EventProceed:
            CloseDialogs(1);
            return;
        case EventCancel:
        case EventExit:
            QuitDialog();
            break;
        default:
            break;
        }
    }
}

void BadPathDialog(void)
{
    char eventText[EVENT_TEXT_SIZE] = "";
    for (;;) {
        ShowDialog(DIALOG_LIBRARY, 6400, "FInfo0DlgProc", 0, NULL, eventText, EVENT_TEXT_LIMIT);
        switch (DialogEvent(eventText)) {
        case EventCancel:
        case EventProceed:
            CloseDialogs(1);
            return;
        case EventExit:
            QuitDialog();
            break;
        default:
            break;
        }
    }
}

// Whether the destination the user left is one we may install to; shows why not.
static int AcceptDestination(char* text)
{
    if (text[0] == '\0' || !FValidDir(text)) {
        BadPathDialog();
        return 0;
    }
    // text holds at most 254 bytes (read with limit 255), so it and a backslash fit destPath.
    CopyText(setupState.destPath, sizeof setupState.destPath, text);
    AddTrailingBackslash(setupState.destPath);
    if (lstrcmpA(setupState.destPath, setupState.sourceDir) == 0) {
        BadPathDialog();
        return 0;
    }
    return 1;
}

int CustomInstallDialog(int dialogId)
{
    char work[256];
    char eventText[EVENT_TEXT_SIZE] = "";

    CopyText(work, sizeof work, setupState.destPath);
    StripTrailingBackslash(work);
    SetSymbol("EditTextIn", work);
    SetSymbol("EditFocus", "END");
    AddListEntry("CheckItemsState", "ON");
    AddListEntry("CheckItemsState", "ON");
    AddListEntry("StatusItemsText", "Display Control Panel Utility");
    AddListEntry("StatusItemsText", "Windows NT Display Drivers");

    for (;;) {
        ShowDialog(DIALOG_LIBRARY, dialogId, "FCustInstDlgProc", HELP_DIALOG, HELP_PROC, eventText,
                   EVENT_TEXT_LIMIT);
        // Only "exit" is singled out: every other event confirms the entries.
        if (DialogEvent(eventText) == EventExit) {
            QuitDialog();
            continue;
        }
        ReadSymbol("EditTextOut", work, PATH_LIMIT);
        if (!AcceptDestination(work))
            continue;
        ReadListItem("CheckItemsState", 1, work, PATH_LIMIT);
        setupState.installUtility = lstrcmpA(work, "ON") == 0;
        ReadListItem("CheckItemsState", 2, work, PATH_LIMIT);
        setupState.installDriver = lstrcmpA(work, "ON") == 0;
        CloseDialogs(1);
        return 1;
    }
}

// The start of the text's last character, found by a code-page-aware walk, or NULL when the
// text is empty. A double-byte character whose second byte is 0x5C is not a backslash.
static char* LastCharacter(char* text)
{
    char* last = NULL;
    char* p = text;
    while (*p != '\0') {
        last = p;
        char* next = CharNextA(p);
        if (next <= p) // a step that does not advance would loop for ever
            break;
        p = next;
    }
    return last;
}

static int EndsWithBackslash(char* text)
{
    char* last = LastCharacter(text);
    return last != NULL && last[0] == '\\' && last[1] == '\0';
}

void AddTrailingBackslash(char* text)
{
    if (!EndsWithBackslash(text)) {
        size_t length = strlen(text);
        text[length] = '\\';
        text[length + 1] = '\0';
    }
}

void StripTrailingBackslash(char* text)
{
    if (EndsWithBackslash(text))
        text[strlen(text) - 1] = '\0';
}
