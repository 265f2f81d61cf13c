// The Windows front end of the toolkit: the frame window, real dialogs, shell links, the log,
// and the answers of an unattended run.
#include "calls.h"
#include "resources.h"
#include "state.h"

#include <objidl.h>
#include <shlobj.h>

#include <cstdio>
#include <cstring>

namespace tk
{

namespace
{
HINSTANCE gModule;
const char kFrameClass[] = "TkSetupFrame";
const char kDefaultLogName[] = "setup.log";

// What the frame paints besides its background and caption.
struct FrameLook {
    HBITMAP bitmap = nullptr;
    size_t done = 0, total = 0; // total 0: no gauge
};
FrameLook gLook;
bool gWaiting;

// The windows of the open dialogs, in the order of the core's stack.
struct OpenWindow {
    int id;
    HWND hwnd;
    HMODULE library;
};
std::vector<OpenWindow> gWindows;

// The log: a plain text file, one line per event, flushed as it goes so that it survives a
// crash; closed once the outcome line is written.
FILE* gLog;
bool gRunOpen;
HHOOK gHook;
// Marks a message box that has been given its answer, for as long as the box lives.
const char kAnsweredProp[] = "TkAnswered";

void WriteLog(const std::string& line)
{
    if (!gLog)
        return;
    std::fputs(line.c_str(), gLog);
    std::fputs("\n", gLog);
    std::fflush(gLog);
}

std::string OneLine(const std::string& text)
{
    std::string line;
    for (char c : text) {
        if (c == '\r')
            continue;
        if (c == '\n')
            line += " / ";
        else
            line += c;
    }
    return line;
}

const char* ButtonName(int id)
{
    switch (id) {
    case IDOK:
        return "OK";
    case IDCANCEL:
        return "CANCEL";
    case IDABORT:
        return "ABORT";
    case IDRETRY:
        return "RETRY";
    case IDIGNORE:
        return "IGNORE";
    case IDYES:
        return "YES";
    case IDNO:
        return "NO";
    default:
        return "?";
    }
}

bool ContainsNoCase(const std::string& text, const char* word)
{
    std::string lower = text;
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return lower.find(word) != std::string::npos;
}

void LogMessageBox(const std::string& caption, const std::string& text, UINT style, int answer)
{
    WriteLog("msgbox [" + OneLine(caption) + "] " + OneLine(text) + " -> " + ButtonName(answer));
    // Windows' restart prompt is a yes-or-no question of the setup's thread; say plainly that
    // one was asked, since an unattended run never lets it restart the machine.
    UINT type = style & 0xF;
    bool question = type == MB_YESNO || type == MB_YESNOCANCEL;
    if (question && (ContainsNoCase(caption, "restart") || ContainsNoCase(text, "restart") ||
                     ContainsNoCase(caption, "reboot") || ContainsNoCase(text, "reboot")))
        WriteLog(std::string("restart asked for, answered ") + ButtonName(answer));
}

// ---- The frame window

void PaintFrame(HWND hwnd, HDC dc)
{
    RECT client;
    GetClientRect(hwnd, &client);
    // A vertical gradient from deep blue to black, in bands.
    const int bands = 64;
    int height = client.bottom - client.top;
    for (int i = 0; i < bands; ++i) {
        RECT band = client;
        band.top = client.top + height * i / bands;
        band.bottom = client.top + height * (i + 1) / bands;
        HBRUSH brush = CreateSolidBrush(RGB(0, 0, 160 - 150 * i / bands));
        FillRect(dc, &band, brush);
        DeleteObject(brush);
    }
    char title[256];
    GetWindowTextA(hwnd, title, sizeof title);
    HFONT font =
        CreateFontA(40, 0, 0, 0, FW_BOLD, TRUE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                    CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, VARIABLE_PITCH | FF_SWISS, "Arial");
    HGDIOBJ oldFont = SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(0, 0, 0));
    TextOutA(dc, 27, 19, title, static_cast<int>(std::strlen(title)));
    SetTextColor(dc, RGB(255, 255, 255));
    TextOutA(dc, 24, 16, title, static_cast<int>(std::strlen(title)));
    SelectObject(dc, oldFont);
    DeleteObject(font);

    if (gLook.bitmap) {
        BITMAP info;
        GetObjectA(gLook.bitmap, sizeof info, &info);
        HDC memory = CreateCompatibleDC(dc);
        HGDIOBJ old = SelectObject(memory, gLook.bitmap);
        BitBlt(dc, 24, 80, info.bmWidth, info.bmHeight, memory, 0, 0, SRCCOPY);
        SelectObject(memory, old);
        DeleteDC(memory);
    }

    if (gLook.total > 0) {
        int width = 400, barHeight = 24;
        RECT box = {(client.right - width) / 2, client.bottom - 120, 0, 0};
        box.right = box.left + width;
        box.bottom = box.top + barHeight;
        char text[64];
        std::snprintf(text, sizeof text, "Copying files: %u of %u",
                      static_cast<unsigned>(gLook.done), static_cast<unsigned>(gLook.total));
        RECT label = {box.left, box.top - 22, box.right, box.top - 2};
        DrawTextA(dc, text, -1, &label, DT_LEFT | DT_SINGLELINE | DT_VCENTER);
        FillRect(dc, &box, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        RECT filled = box;
        filled.right = box.left + static_cast<int>(width * gLook.done / gLook.total);
        HBRUSH blue = CreateSolidBrush(RGB(0, 0, 255));
        FillRect(dc, &filled, blue);
        DeleteObject(blue);
        FrameRect(dc, &box, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    }
}

LRESULT CALLBACK FrameProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        PaintFrame(hwnd, dc);
        EndPaint(hwnd, &ps);
        return 0;
    }
    case WM_PRINTCLIENT:
        // A picture of the frame (WM_PRINT, PrintWindow) shows what the screen shows.
        PaintFrame(hwnd, reinterpret_cast<HDC>(wParam));
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_SETTEXT: {
        LRESULT result = DefWindowProcA(hwnd, message, wParam, lParam);
        InvalidateRect(hwnd, nullptr, FALSE);
        return result;
    }
    case WM_SIZE:
        InvalidateRect(hwnd, nullptr, FALSE);
        return 0;
    case WM_SETCURSOR:
        if (gWaiting && LOWORD(lParam) == HTCLIENT) {
            SetCursor(LoadCursor(nullptr, IDC_WAIT));
            return TRUE;
        }
        break;
    case WM_CLOSE:
        // Setup ends through its dialogs, not by closing the background.
        return 0;
    default:
        break;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

// ---- Message boxes of the setup's thread in an unattended run

// Set while one of our dialogs is being made: its first activation comes before it is listed.
bool gMakingDialog;

bool IsOwnDialog(HWND hwnd)
{
    if (gMakingDialog)
        return true;
    for (const OpenWindow& open : gWindows)
        if (open.hwnd == hwnd)
            return true;
    return false;
}

// The style a message box was made with, as far as its buttons tell.
UINT StyleOfButtons(HWND box)
{
    auto has = [box](int id) { return GetDlgItem(box, id) != nullptr; };
    if (has(IDYES) && has(IDNO))
        return has(IDCANCEL) ? MB_YESNOCANCEL : MB_YESNO;
    if (has(IDABORT))
        return MB_ABORTRETRYIGNORE;
    if (has(IDRETRY))
        return MB_RETRYCANCEL;
    if (has(IDOK) && has(IDCANCEL))
        return MB_OKCANCEL;
    return MB_OK;
}

void AnswerBox(HWND box)
{
    if (GetPropA(box, kAnsweredProp))
        return;
    SetPropA(box, kAnsweredProp, reinterpret_cast<HANDLE>(static_cast<INT_PTR>(1)));
    char caption[256] = "", text[2048] = "";
    GetWindowTextA(box, caption, sizeof caption);
    // A message box keeps its text in the static control 0xFFFF.
    GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
    UINT style = StyleOfButtons(box);
    int answer = PlayMessageBox(style);
    LogMessageBox(caption, text, style, answer);
    HWND button = GetDlgItem(box, answer);
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED), reinterpret_cast<LPARAM>(button));
}

LRESULT CALLBACK CbtProc(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_ACTIVATE) {
        HWND hwnd = reinterpret_cast<HWND>(wParam);
        char className[16] = "";
        GetClassNameA(hwnd, className, sizeof className);
        if (std::strcmp(className, "#32770") == 0 && !IsOwnDialog(hwnd))
            AnswerBox(hwnd);
    }
    return CallNextHookEx(gHook, code, wParam, lParam);
}

std::string Joined(const char* list)
{
    std::string text;
    if (const std::vector<std::string>* entries = FindList(list))
        for (size_t i = 0; i < entries->size(); ++i)
            text += (i ? " " : "") + (*entries)[i];
    return text;
}

void LogAnswer(int dialogId)
{
    std::string line = "answer " + std::to_string(dialogId) + ": " + Symbol("DLGEVENT");
    if (IsCustomInstallDialog(dialogId) && EventCode(Symbol("DLGEVENT")) != kEventExit)
        line += " | folder " + Symbol("EditTextOut") + " | components " + Joined("CheckItemsState");
    WriteLog(line);
}

struct WindowsFrontend : Frontend {
    void Log(const std::string& line) override
    {
        WriteLog(line);
    }

    bool ShowDialog(const DialogCall& call) override
    {
        HWND hwnd;
        if (!call.again || gWindows.empty()) {
            HMODULE library = LoadLibraryA(call.library.c_str());
            if (!library)
                return false;
            FARPROC proc = GetProcAddress(library, call.procedure.c_str());
            gMakingDialog = true;
            hwnd = proc ? CreateDialogParamA(
                              library, MAKEINTRESOURCEA(call.id), call.parent,
                              reinterpret_cast<DLGPROC>(reinterpret_cast<void (*)(void)>(proc)), 0)
                        : nullptr;
            gMakingDialog = false;
            if (!hwnd) {
                DWORD error = GetLastError();
                FreeLibrary(library);
                SetLastError(!proc ? ERROR_PROC_NOT_FOUND
                                   : (error ? error : ERROR_RESOURCE_NAME_NOT_FOUND));
                return false;
            }
            gWindows.push_back({call.id, hwnd, library});
        } else {
            hwnd = gWindows.back().hwnd;
        }

        if (St().unattended) {
            // The dialog exists and has read its symbols; the script gives its answer.
            PlayShowing(call.id, call.showing);
            LogAnswer(call.id);
            return true;
        }

        // Only the dialog on top takes input; the ones beneath wait for it.
        for (const OpenWindow& open : gWindows)
            EnableWindow(open.hwnd, open.hwnd == hwnd);
        ShowWindow(hwnd, SW_SHOW);
        SetForegroundWindow(hwnd);
        unsigned long before = St().eventWrites;
        MSG message;
        while (St().eventWrites == before && IsWindow(hwnd)) {
            BOOL got = GetMessageA(&message, nullptr, 0, 0);
            if (got == -1)
                break;
            if (got == 0) {
                // Leave the quit for the program's own message pump.
                PostQuitMessage(static_cast<int>(message.wParam));
                break;
            }
            if (!IsDialogMessageA(hwnd, &message)) {
                TranslateMessage(&message);
                DispatchMessageA(&message);
            }
        }
        LogAnswer(call.id);
        return true;
    }

    void DialogClosed(int dialogId) override
    {
        if (gWindows.empty() || gWindows.back().id != dialogId)
            return;
        OpenWindow top = gWindows.back();
        gWindows.pop_back();
        DestroyWindow(top.hwnd);
        FreeLibrary(top.library);
        if (!gWindows.empty())
            EnableWindow(gWindows.back().hwnd, TRUE);
    }

    int ShowMessage(HWND parent, const char* text, const char* caption, UINT style) override
    {
        int answer;
        if (St().unattended) {
            answer = PlayMessageBox(style);
        } else {
            answer = MessageBoxA(parent, text, caption, style);
        }
        LogMessageBox(caption, text, style, answer);
        return answer;
    }

    std::string ProgramsFolder() override
    {
        char folder[MAX_PATH] = "";
        if (SHGetFolderPathA(nullptr, CSIDL_COMMON_PROGRAMS | CSIDL_FLAG_CREATE, nullptr, 0,
                             folder) != S_OK &&
            SHGetFolderPathA(nullptr, CSIDL_PROGRAMS | CSIDL_FLAG_CREATE, nullptr, 0, folder) !=
                S_OK)
            return std::string();
        std::string text = folder;
        if (!text.empty() && text.back() == '\\')
            text.pop_back();
        return text;
    }

    bool WriteLink(const std::string& linkPath, const std::string& target,
                   const std::string& arguments) override
    {
        HRESULT init = CoInitialize(nullptr);
        IShellLinkA* link = nullptr;
        HRESULT hr = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                      IID_IShellLinkA, reinterpret_cast<void**>(&link));
        if (SUCCEEDED(hr)) {
            link->SetPath(target.c_str());
            link->SetArguments(arguments.c_str());
            size_t cut = target.find_last_of('\\');
            if (cut != std::string::npos)
                link->SetWorkingDirectory(target.substr(0, cut == 2 ? 3 : cut).c_str());
            IPersistFile* file = nullptr;
            hr = link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file));
            if (SUCCEEDED(hr)) {
                WCHAR wide[MAX_PATH];
                if (MultiByteToWideChar(CP_ACP, 0, linkPath.c_str(), -1, wide, MAX_PATH) == 0)
                    hr = E_INVALIDARG;
                else
                    hr = file->Save(wide, TRUE);
                file->Release();
            }
            link->Release();
        }
        if (SUCCEEDED(init))
            CoUninitialize();
        if (FAILED(hr)) {
            SetLastError(HRESULT_FACILITY(hr) == FACILITY_WIN32 ? HRESULT_CODE(hr)
                                                                : ERROR_CANNOT_MAKE);
            return false;
        }
        return true;
    }

    HWND CreateFrame() override
    {
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = FrameProc;
        windowClass.hInstance = gModule;
        windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
        windowClass.lpszClassName = kFrameClass;
        if (!RegisterClassA(&windowClass) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
            return nullptr;
        return CreateWindowExA(0, kFrameClass, "", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0,
                               GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN),
                               nullptr, nullptr, gModule, nullptr);
    }

    HINSTANCE FrameInstance() override
    {
        return gModule;
    }

    void DestroyFrame(HWND frame) override
    {
        while (!gWindows.empty())
            DialogClosed(gWindows.back().id);
        DestroyWindow(frame);
        if (gLook.bitmap)
            DeleteObject(gLook.bitmap);
        gLook = FrameLook();
    }

    bool ShowBitmap(const char* library, int bitmapId) override
    {
        HBITMAP bitmap = nullptr;
        if (bitmapId != kBitmapNone) {
            HMODULE module = LoadLibraryExA(library, nullptr, LOAD_LIBRARY_AS_DATAFILE);
            if (!module)
                return false;
            bitmap = static_cast<HBITMAP>(
                LoadImageA(module, MAKEINTRESOURCEA(bitmapId), IMAGE_BITMAP, 0, 0, 0));
            DWORD error = GetLastError();
            FreeLibrary(module);
            if (!bitmap) {
                SetLastError(error ? error : ERROR_RESOURCE_NAME_NOT_FOUND);
                return false;
            }
        }
        if (gLook.bitmap)
            DeleteObject(gLook.bitmap);
        gLook.bitmap = bitmap;
        if (St().frame)
            InvalidateRect(St().frame, nullptr, FALSE);
        return true;
    }

    void Progress(size_t done, size_t total) override
    {
        gLook.done = done;
        gLook.total = total;
        if (St().frame) {
            InvalidateRect(St().frame, nullptr, FALSE);
            UpdateWindow(St().frame);
        }
    }

    void WaitCursor(bool on) override
    {
        gWaiting = on;
        SetCursor(LoadCursor(nullptr, on ? IDC_WAIT : IDC_ARROW));
    }

    bool BeginRun(const FrameOptions& options, std::string* error) override
    {
        std::string path = options.logFile;
        if (path.empty() && options.unattended) {
            char temp[MAX_PATH];
            DWORD n = GetTempPathA(sizeof temp, temp);
            path = std::string(n > 0 && n < sizeof temp ? temp : "") + kDefaultLogName;
        }
        if (!path.empty()) {
            gLog = std::fopen(path.c_str(), "w");
            // Unattended, the log is the only way to learn the outcome: no log, no run.
            if (!gLog && options.unattended) {
                *error = "cannot write the log " + path;
                return false;
            }
        }
        gRunOpen = true;
        if (options.unattended) {
            WriteLog("unattended run, answers from " + (options.answerFile.empty()
                                                            ? std::string("the defaults")
                                                            : options.answerFile));
            gHook = SetWindowsHookExA(WH_CBT, CbtProc, nullptr, GetCurrentThreadId());
        }
        return true;
    }

    void EndRun(const std::string& outcome) override
    {
        WriteLog(outcome);
        gRunOpen = false;
        if (gHook)
            UnhookWindowsHookEx(gHook);
        gHook = nullptr;
        if (gLog)
            std::fclose(gLog);
        gLog = nullptr;
    }
};

WindowsFrontend gFrontend;
} // namespace

} // namespace tk

BOOL WINAPI TkShowDialogHelp(HWND owner)
{
    using namespace tk;
    if (St().dialogs.empty() || St().unattended)
        return FALSE;
    const DialogCall& call = St().dialogs.back().call;
    if (call.helpId == 0 || call.helpProcedure.empty())
        return FALSE;
    HMODULE library = LoadLibraryA(call.helpLibrary.c_str());
    if (!library)
        return FALSE;
    FARPROC proc = GetProcAddress(library, call.helpProcedure.c_str());
    INT_PTR result =
        proc ? DialogBoxParamA(library, MAKEINTRESOURCEA(call.helpId), owner,
                               reinterpret_cast<DLGPROC>(reinterpret_cast<void (*)(void)>(proc)), 0)
             : -1;
    FreeLibrary(library);
    return result != -1;
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    (void)reserved;
    if (reason == DLL_PROCESS_ATTACH) {
        tk::gModule = instance;
        tk::SetFrontend(&tk::gFrontend);
    } else if (reason == DLL_PROCESS_DETACH && tk::gRunOpen) {
        // The process ends without the frame having been closed: say so, so that a log never
        // ends without its outcome.
        tk::WriteLog("failed: setup ended without closing the toolkit");
        if (tk::gLog)
            std::fclose(tk::gLog);
        tk::gLog = nullptr;
    }
    return TRUE;
}
