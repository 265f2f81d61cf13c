// Simulated user32: screen metrics, the program's windows, message boxes, the thread's message
// queue and code-page-aware character stepping and upper-casing.
#include "internal.h"

#include <cstring>

using namespace winsim;
using namespace winsim::detail;

#define ERROR_INVALID_WINDOW_HANDLE 1400L

namespace
{

WindowRec* FindWindow(HWND hwnd)
{
    for (WindowRec& w : M().windows)
        if (w.id == uintptr_t(hwnd))
            return &w;
    return nullptr;
}

bool IsLeadByte(unsigned char c)
{
    return M().codePage == 932 && ((c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC));
}

unsigned char UpperChar(unsigned char c)
{
    if (c >= 'a' && c <= 'z')
        return c - 'a' + 'A';
    if (M().codePage == 1252) {
        if (c >= 0xE0 && c <= 0xFE && c != 0xF7)
            return c - 0x20;
        switch (c) {
        case 0x9A:
            return 0x8A; // s with caron
        case 0x9C:
            return 0x8C; // oe ligature
        case 0x9E:
            return 0x8E; // z with caron
        case 0xFF:
            return 0x9F; // y with diaeresis
        }
    }
    return c;
}

// The buttons a box of this style offers, for checking queued answers.
std::vector<int> Buttons(UINT style)
{
    switch (style & 0xF) {
    case MB_OK:
        return {IDOK};
    case MB_OKCANCEL:
        return {IDOK, IDCANCEL};
    case MB_ABORTRETRYIGNORE:
        return {IDABORT, IDRETRY, IDIGNORE};
    case MB_YESNOCANCEL:
        return {IDYES, IDNO, IDCANCEL};
    case MB_YESNO:
        return {IDYES, IDNO};
    case MB_RETRYCANCEL:
        return {IDRETRY, IDCANCEL};
    }
    Unmodelled("MessageBoxA", "this button style");
}

} // namespace

namespace winsim::detail
{

void UpperInPlace(char* s)
{
    for (unsigned char* p = reinterpret_cast<unsigned char*>(s); *p; ++p) {
        if (IsLeadByte(*p)) {
            if (!p[1])
                break;
            ++p; // the trail byte of a double-byte character stays as it is
            continue;
        }
        *p = UpperChar(*p);
    }
}

} // namespace winsim::detail

extern "C" {

int WINAPI GetSystemMetrics(int nIndex)
{
    DWORD err;
    if (Enter("GetSystemMetrics", &err))
        return 0;
    if (nIndex == SM_CXSCREEN)
        return M().cx;
    if (nIndex == SM_CYSCREEN)
        return M().cy;
    Unmodelled("GetSystemMetrics", "index " + std::to_string(nIndex));
}

BOOL WINAPI SetWindowPos(HWND hWnd, HWND hWndInsertAfter, int X, int Y, int cx, int cy, UINT uFlags)
{
    DWORD err;
    if (Enter("SetWindowPos", &err)) {
        SetError(err);
        return FALSE;
    }
    (void)hWndInsertAfter;
    WindowRec* w = FindWindow(hWnd);
    if (!w) {
        SetError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    if (!(uFlags & SWP_NOMOVE)) {
        w->placement.x = X;
        w->placement.y = Y;
    }
    if (!(uFlags & SWP_NOSIZE)) {
        w->placement.cx = cx;
        w->placement.cy = cy;
    }
    w->placement.flags = uFlags;
    return TRUE;
}

BOOL WINAPI SetWindowTextA(HWND hWnd, LPCSTR lpString)
{
    DWORD err;
    if (Enter("SetWindowTextA", &err)) {
        SetError(err);
        return FALSE;
    }
    WindowRec* w = FindWindow(hWnd);
    if (!w) {
        SetError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    w->text = lpString ? lpString : "";
    return TRUE;
}

int WINAPI GetWindowTextA(HWND hWnd, LPSTR lpString, int nMaxCount)
{
    DWORD err;
    if (Enter("GetWindowTextA", &err)) {
        SetError(err);
        if (lpString && nMaxCount > 0)
            lpString[0] = '\0';
        return 0;
    }
    WindowRec* w = FindWindow(hWnd);
    if (!lpString || nMaxCount <= 0)
        return 0;
    if (!w) {
        lpString[0] = '\0';
        SetError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    size_t n = w->text.size() < size_t(nMaxCount - 1) ? w->text.size() : size_t(nMaxCount - 1);
    memcpy(lpString, w->text.data(), n);
    lpString[n] = '\0';
    return int(n);
}

BOOL WINAPI IsWindow(HWND hWnd)
{
    EnterInfallible("IsWindow");
    return FindWindow(hWnd) ? TRUE : FALSE;
}

int WINAPI MessageBoxA(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType)
{
    DWORD err;
    if (Enter("MessageBoxA", &err)) {
        SetError(err);
        return 0;
    }
    if (hWnd && !FindWindow(hWnd)) {
        SetError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    std::vector<int> buttons = Buttons(uType);
    std::string caption = lpCaption ? lpCaption : "Error";
    M().journal.push_back("msgbox " + std::to_string(uType) + "|" + caption + "|" +
                          (lpText ? lpText : ""));
    if (M().msgBoxAnswers.empty())
        return buttons[0];
    int answer = M().msgBoxAnswers.front();
    M().msgBoxAnswers.pop_front();
    for (int b : buttons)
        if (b == answer)
            return answer;
    Unmodelled("MessageBoxA", "the queued answer " + std::to_string(answer) +
                                  " for a box of style " + std::to_string(uType));
}

BOOL WINAPI PeekMessageA(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax,
                         UINT wRemoveMsg)
{
    EnterInfallible("PeekMessageA");
    if (hWnd || wMsgFilterMin || wMsgFilterMax)
        Unmodelled("PeekMessageA", "window or message filters");
    if (wRemoveMsg & ~UINT(PM_REMOVE))
        Unmodelled("PeekMessageA", "flags other than PM_REMOVE");
    if (!lpMsg)
        Unmodelled("PeekMessageA", "a NULL message");
    Machine& m = M();
    memset(lpMsg, 0, sizeof *lpMsg);
    if (!m.queue.empty()) {
        const QueuedMsg& q = m.queue.front();
        lpMsg->hwnd = reinterpret_cast<HWND>(q.hwnd);
        lpMsg->message = q.message;
        lpMsg->wParam = q.wParam;
        lpMsg->lParam = q.lParam;
        if (wRemoveMsg & PM_REMOVE)
            m.queue.pop_front();
        return TRUE;
    }
    if (m.quitPosted) {
        lpMsg->message = WM_QUIT;
        lpMsg->wParam = WPARAM(m.quitCode);
        if (wRemoveMsg & PM_REMOVE)
            m.quitPosted = false;
        return TRUE;
    }
    return FALSE;
}

BOOL WINAPI TranslateMessage(const MSG* lpMsg)
{
    EnterInfallible("TranslateMessage");
    (void)lpMsg;
    return FALSE; // only key messages translate, and none are simulated
}

LRESULT WINAPI DispatchMessageA(const MSG* lpMsg)
{
    EnterInfallible("DispatchMessageA");
    if (lpMsg && lpMsg->message != WM_QUIT)
        ++M().dispatched;
    return 0;
}

void WINAPI PostQuitMessage(int nExitCode)
{
    EnterInfallible("PostQuitMessage");
    M().quitPosted = true;
    M().quitCode = nExitCode;
}

LPSTR WINAPI CharNextA(LPCSTR lpsz)
{
    EnterInfallible("CharNextA");
    if (!lpsz || !*lpsz)
        return const_cast<LPSTR>(lpsz);
    if (IsLeadByte(static_cast<unsigned char>(*lpsz)) && lpsz[1])
        return const_cast<LPSTR>(lpsz + 2);
    return const_cast<LPSTR>(lpsz + 1);
}

LPSTR WINAPI CharUpperA(LPSTR lpsz)
{
    EnterInfallible("CharUpperA");
    if (uintptr_t(lpsz) < 0x10000) {
        // A single character passed in the pointer's low word.
        return reinterpret_cast<LPSTR>(
            uintptr_t(UpperChar(static_cast<unsigned char>(uintptr_t(lpsz) & 0xFF))));
    }
    UpperInPlace(lpsz);
    return lpsz;
}

} // extern "C"
