// The dialog library's procedures: each records the user's choice in the toolkit's symbols.
#include "platform.h"
#include "dialog_ids.h"

#include <string.h>

namespace
{
// The setup program reads a folder of at most 254 characters; a longer one could never be used.
const int kFolderLimit = 254;
const char kStates[] = "CheckItemsState";
const char kNames[] = "StatusItemsText";

typedef BOOL(WINAPI* ReplaceListItemFn)(LPCSTR, unsigned short, LPCSTR);
typedef BOOL(WINAPI* ShowHelpFn)(HWND);

// Two entries of the toolkit beyond its public functions, found in the library that holds it.
// The detour through a plain function pointer type tells the compiler the cast is meant.
typedef void (*AnyFn)(void);
AnyFn ToolkitEntry(const char* name)
{
    HMODULE toolkit = GetModuleHandleA("MSCOMSTF.DLL");
    return toolkit ? reinterpret_cast<AnyFn>(GetProcAddress(toolkit, name)) : nullptr;
}

void Record(const char* event)
{
    FSetSymbolValue("DLGEVENT", event);
}

void ShowHelp(HWND dialog)
{
    ShowHelpFn show = reinterpret_cast<ShowHelpFn>(ToolkitEntry("TkShowDialogHelp"));
    if (show)
        show(dialog);
}

// Centres a dialog over its owner, the frame that fills the screen.
void Centre(HWND dialog)
{
    HWND owner = GetWindow(dialog, GW_OWNER);
    RECT outer, inner;
    if (!owner || !GetWindowRect(owner, &outer))
        SystemParametersInfoA(SPI_GETWORKAREA, 0, &outer, 0);
    GetWindowRect(dialog, &inner);
    int width = inner.right - inner.left, height = inner.bottom - inner.top;
    SetWindowPos(dialog, nullptr, outer.left + (outer.right - outer.left - width) / 2,
                 outer.top + (outer.bottom - outer.top - height) / 2, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// A symbol or list entry into a buffer; a value too long for it is taken as empty.
void ReadSymbol(const char* name, char* buffer, int size)
{
    if (CbGetSymbolValue(name, buffer, size) >= size)
        buffer[0] = '\0';
}

void ReadEntry(const char* list, unsigned short index, char* buffer, int size)
{
    if (CbGetListItem(list, index, buffer, size) >= size)
        buffer[0] = '\0';
}

void StartCustomInstall(HWND dialog)
{
    char text[256];
    ReadSymbol("EditTextIn", text, sizeof text);
    HWND folder = GetDlgItem(dialog, IDC_FOLDER);
    SendMessageA(folder, EM_LIMITTEXT, kFolderLimit, 0);
    SetWindowTextA(folder, text);

    unsigned short states = UsGetListLength(kStates);
    unsigned short names = UsGetListLength(kNames);
    const int boxes[] = {IDC_COMPONENT1, IDC_COMPONENT2};
    for (unsigned short i = 1; i <= 2; ++i) {
        HWND box = GetDlgItem(dialog, boxes[i - 1]);
        // A component the caller did not list is not offered.
        if (i > states) {
            ShowWindow(box, SW_HIDE);
            continue;
        }
        if (i <= names) {
            ReadEntry(kNames, i, text, sizeof text);
            SetWindowTextA(box, text);
        }
        ReadEntry(kStates, i, text, sizeof text);
        SendMessageA(box, BM_SETCHECK, strcmp(text, "ON") == 0 ? BST_CHECKED : BST_UNCHECKED, 0);
    }

    // "END" puts the caret after the text, "START" before it; anything else selects it all.
    ReadSymbol("EditFocus", text, sizeof text);
    int length = GetWindowTextLengthA(folder);
    SetFocus(folder);
    if (lstrcmpiA(text, "END") == 0)
        SendMessageA(folder, EM_SETSEL, length, length);
    else if (lstrcmpiA(text, "START") == 0)
        SendMessageA(folder, EM_SETSEL, 0, 0);
    else
        SendMessageA(folder, EM_SETSEL, 0, -1);
}

void LeaveCustomInstall(HWND dialog)
{
    char text[kFolderLimit + 2];
    GetDlgItemTextA(dialog, IDC_FOLDER, text, sizeof text);
    FSetSymbolValue("EditTextOut", text);
    ReplaceListItemFn replace =
        reinterpret_cast<ReplaceListItemFn>(ToolkitEntry("TkFReplaceListItem"));
    unsigned short states = UsGetListLength(kStates);
    const int boxes[] = {IDC_COMPONENT1, IDC_COMPONENT2};
    for (unsigned short i = 1; i <= 2 && i <= states && replace; ++i) {
        bool on = IsDlgButtonChecked(dialog, boxes[i - 1]) == BST_CHECKED;
        replace(kStates, i, on ? "ON" : "OFF");
    }
}

// What the buttons the dialogs share mean; cancelEvent is what Esc (or the close box) records.
INT_PTR Command(HWND dialog, WPARAM wParam, const char* cancelEvent)
{
    switch (LOWORD(wParam)) {
    case IDOK:
        Record("CONTINUE");
        return TRUE;
    case IDC_EXITSETUP:
        Record("EXIT");
        return TRUE;
    case IDCANCEL:
        Record(cancelEvent);
        return TRUE;
    case IDHELP:
        ShowHelp(dialog);
        return TRUE;
    default:
        return FALSE;
    }
}

// A dialog of buttons only: centred, each button recording its event, Esc recording "CANCEL".
INT_PTR ButtonDialog(HWND dialog, UINT message, WPARAM wParam)
{
    if (message == WM_INITDIALOG) {
        Centre(dialog);
        return TRUE;
    }
    if (message == WM_COMMAND)
        return Command(dialog, wParam, "CANCEL");
    return FALSE;
}
} // namespace

extern "C" {

// Information dialog: Continue goes on; Exit Setup and Esc ask whether to leave.
INT_PTR CALLBACK FInfoDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    (void)lParam;
    return ButtonDialog(dialog, message, wParam);
}

// Quit dialog: Leave Setup quits; Continue Setup and Esc go back.
INT_PTR CALLBACK FQuitDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    (void)lParam;
    return ButtonDialog(dialog, message, wParam);
}

// Messages acknowledged with OK (the error and bad-folder dialogs); Exit Setup asks to leave.
INT_PTR CALLBACK FInfo0DlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    (void)lParam;
    return ButtonDialog(dialog, message, wParam);
}

// Custom installation: the folder and the two components. Esc asks to leave, like Exit Setup,
// since the program takes every other event as the user's confirmation of the entries.
INT_PTR CALLBACK FCustInstDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    (void)lParam;
    if (message == WM_INITDIALOG) {
        Centre(dialog);
        StartCustomInstall(dialog);
        return FALSE; // the focus is set
    }
    if (message == WM_COMMAND) {
        if (LOWORD(wParam) == IDOK)
            LeaveCustomInstall(dialog);
        return Command(dialog, wParam, "EXIT");
    }
    return FALSE;
}

// Help, shown modally over the dialog that asked for it.
INT_PTR CALLBACK FHelpDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    (void)lParam;
    if (message == WM_INITDIALOG) {
        Centre(dialog);
        return TRUE;
    }
    if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
        EndDialog(dialog, IDOK);
        return TRUE;
    }
    return FALSE;
}

} // extern "C"
