// The stack of open dialogs, the loop guard, and the wait-cursor tokens.
#include "resources.h"
#include "state.h"

#include <cstdint>

namespace tk
{

bool DoDialog(const DialogCall& request)
{
    if (!IsDialogLibrary(request.library.c_str())) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return false;
    }
    if (!IsDialogId(request.id) || !IsDialogProc(request.procedure.c_str())) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return false;
    }
    std::vector<OpenDialog>& open = St().dialogs;
    // Called again for the dialog on top, the same dialog is shown again rather than a second
    // copy opened above it.
    bool opened = open.empty() || open.back().id != request.id;
    if (opened)
        open.push_back({request.id, request, 0});
    // A script or a user stuck in one dialog would otherwise never return: give up after a
    // bound, which the caller meets as a failed call.
    if (open.back().showingsInARow >= kMaxShowingsInARow) {
        SetLastError(ERROR_CANCELLED);
        return false;
    }
    ++open.back().showingsInARow;
    DialogCall call = request;
    call.showing = ++St().showings[request.id];
    call.again = !opened;
    Ui().Log("dialog " + std::to_string(request.id));
    if (!Ui().ShowDialog(call)) {
        if (opened)
            open.pop_back(); // it never came up, so there is nothing to close
        return false;
    }
    // What the run has come to, for the line that ends an unattended log.
    unsigned short event = EventCode(Symbol("DLGEVENT"));
    if (request.id == kDialogFatal && !St().fatalShown) {
        St().fatalShown = true;
        St().fatalReason = St().lastProblem;
    } else if (request.id == kDialogQuit) {
        St().quitConfirmed = event == kEventExit;
    }
    return true;
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
        int id = open.back().id;
        Ui().Log("close " + std::to_string(id));
        open.pop_back();
        Ui().DialogClosed(id);
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
