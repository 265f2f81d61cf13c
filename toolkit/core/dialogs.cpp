// The stack of open dialogs, the loop guard, and the wait-cursor tokens.
#include "resources.h"
#include "state.h"

#include <cstdint>

namespace tk
{

bool DoDialog(HWND parent, const char* library, int dialogId, const char* dialogProc)
{
    if (!IsDialogLibrary(library)) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return false;
    }
    if (!IsDialogId(dialogId) || !IsDialogProc(dialogProc)) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return false;
    }
    std::vector<OpenDialog>& open = St().dialogs;
    // Called again for the dialog on top, the same dialog is shown again rather than a second
    // copy opened above it.
    bool opened = open.empty() || open.back().id != dialogId;
    if (opened)
        open.push_back({dialogId, 0});
    // A script or a user stuck in one dialog would otherwise never return: give up after a
    // bound, which the caller meets as a failed call.
    if (open.back().showingsInARow >= kMaxShowingsInARow) {
        SetLastError(ERROR_CANCELLED);
        return false;
    }
    ++open.back().showingsInARow;
    int showing = ++St().showings[dialogId];
    Ui().Log("dialog " + std::to_string(dialogId));
    if (Ui().ShowDialog(parent, dialogId, showing))
        return true;
    if (opened)
        open.pop_back(); // it never came up, so there is nothing to close
    return false;
}

bool KillDialogs(int count)
{
    std::vector<OpenDialog>& open = St().dialogs;
    if (count == -1)
        count = static_cast<int>(open.size());
    else if (count <= 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    } else if (static_cast<size_t>(count) > open.size()) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return false;
    }
    for (int i = 0; i < count; ++i) {
        Ui().Log("close " + std::to_string(open.back().id));
        open.pop_back();
    }
    return true;
}

std::vector<int> OpenDialogs()
{
    std::vector<int> ids;
    for (const OpenDialog& dialog : St().dialogs)
        ids.push_back(dialog.id);
    return ids;
}

HCURSOR NewCursorToken()
{
    // Tokens are never null and never repeat, so a stale one is told apart.
    HCURSOR token = reinterpret_cast<HCURSOR>(static_cast<uintptr_t>(0x10000 + ++St().nextCursor));
    St().cursors.push_back(token);
    return token;
}

bool TakeBackCursorToken(HCURSOR token)
{
    std::vector<HCURSOR>& cursors = St().cursors;
    for (size_t i = cursors.size(); i-- > 0;) {
        if (cursors[i] == token) {
            // Restoring an older cursor also ends every wait shown after it.
            cursors.resize(i);
            return true;
        }
    }
    SetLastError(ERROR_INVALID_CURSOR_HANDLE);
    return false;
}

} // namespace tk
