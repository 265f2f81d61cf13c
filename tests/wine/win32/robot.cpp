// A user at the keyboard for the scenarios: starts a program, then finds its windows by what a
// person reads on them (captions, control texts), reads them, types, clicks and takes pictures.
//
//   robot <script>        runs the steps of the script file, one per line ('#' starts a comment):
//
//   start <command line>      starts the program the later steps look at
//   window <caption> [seconds]  waits (20 s unless told) for a visible window of the program with
//                             that caption; the topmost such window becomes the current one
//   showing <text> [seconds]  the same for a window whose caption or one of whose controls
//                             contains <text>
//   gone <caption> [seconds]  waits until the program shows no window with that caption
//   show                      prints the current window's caption and every control's class,
//                             id, state and text
//   type <n> <text>           the n-th edit control (from 1) gets the text, typed key by key
//                             over whatever it held
//   click <text>              clicks the button whose label, without its '&', is <text>
//   check <text> on|off       clicks the check box labelled <text> until it has that state
//   render <file.bmp>         draws the current window, controls included, into a bitmap file
//   exit [seconds]            waits (60 s unless told) for the program to end; prints its code
//
// Every step prints what it did. A step that cannot be done ends the program under test and the
// robot with exit code 2, after printing the windows it could see.
#include <windows.h>
#include <stdio.h>
#include <string.h>
#include <string>
#include <vector>

static PROCESS_INFORMATION target;
static bool started;
static HWND current;

struct Control {
    HWND window;
    std::string className, text;
    int id;
};

static std::string TextOf(HWND window)
{
    char text[4096] = "";
    // WM_GETTEXT with a timeout: a program that hangs must not hang the robot.
    DWORD_PTR ignored = 0;
    if (!SendMessageTimeoutA(window, WM_GETTEXT, sizeof(text), (LPARAM)text, SMTO_ABORTIFHUNG, 5000,
                             &ignored))
        return "";
    return text;
}

static std::string ClassOf(HWND window)
{
    char name[256] = "";
    GetClassNameA(window, name, sizeof(name));
    return name;
}

// A label as a person reads it: '&' marks the access key and is not shown ("&&" shows one).
static std::string Label(const std::string& text)
{
    std::string shown;
    for (size_t i = 0; i < text.size(); i++) {
        if (text[i] == '&' && i + 1 < text.size())
            i++;
        else if (text[i] == '&')
            continue;
        shown += text[i];
    }
    return shown;
}

static BOOL CALLBACK CollectChild(HWND window, LPARAM list)
{
    Control control{window, ClassOf(window), TextOf(window), GetDlgCtrlID(window)};
    ((std::vector<Control>*)list)->push_back(control);
    return TRUE;
}

static std::vector<Control> ControlsOf(HWND window)
{
    std::vector<Control> controls;
    EnumChildWindows(window, CollectChild, (LPARAM)&controls);
    return controls;
}

static BOOL CALLBACK CollectTop(HWND window, LPARAM list)
{
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == target.dwProcessId && IsWindowVisible(window))
        ((std::vector<HWND>*)list)->push_back(window);
    return TRUE;
}

// The program's visible top-level windows, topmost first.
static std::vector<HWND> WindowsOfTarget()
{
    std::vector<HWND> windows;
    if (started)
        EnumWindows(CollectTop, (LPARAM)&windows);
    return windows;
}

static bool wholeCaption;

// Whether a person would say the window shows the text: its caption (the whole caption when
// wholeCaption is set), or else a visible control's label.
static bool Shows(HWND window, const std::string& text)
{
    if (wholeCaption)
        return TextOf(window) == text;
    if (TextOf(window).find(text) != std::string::npos)
        return true;
    for (const Control& control : ControlsOf(window))
        if (IsWindowVisible(control.window) && Label(control.text).find(text) != std::string::npos)
            return true;
    return false;
}

static HWND FindShowing(const std::string& text)
{
    for (HWND window : WindowsOfTarget())
        if (Shows(window, text))
            return window;
    return nullptr;
}

static bool TargetRunning()
{
    return started && WaitForSingleObject(target.hProcess, 0) == WAIT_TIMEOUT;
}

// Waits until the window's thread takes messages again, so the next step meets a dialog that
// is ready for input rather than one still being filled in.
static void Settle(HWND window)
{
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &ignored);
    // A dialog shown again is the same window: give the program the moment it needs to come
    // back to the dialog's message loop after the one above it closed.
    Sleep(250);
    SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &ignored);
}

static void PrintWindowText(HWND window)
{
    printf("caption: %s\n", TextOf(window).c_str());
    for (const Control& control : ControlsOf(window)) {
        if (!IsWindowVisible(control.window))
            continue;
        std::string state;
        if (!IsWindowEnabled(control.window))
            state += " disabled";
        LONG style = GetWindowLongA(control.window, GWL_STYLE);
        LONG kind = style & BS_TYPEMASK;
        if (_stricmp(control.className.c_str(), "Button") == 0 &&
            (kind == BS_CHECKBOX || kind == BS_AUTOCHECKBOX || kind == BS_RADIOBUTTON ||
             kind == BS_AUTORADIOBUTTON))
            state += SendMessageA(control.window, BM_GETCHECK, 0, 0) == BST_CHECKED ? " checked"
                                                                                    : " unchecked";
        // One line per control; line breaks in a text are shown as \n.
        std::string text;
        for (char c : control.text) {
            if (c == '\n')
                text += "\\n";
            else if (c != '\r')
                text += c;
        }
        printf("control: %s %d%s: %s\n", control.className.c_str(), control.id, state.c_str(),
               text.c_str());
    }
}

[[noreturn]] static void Fail(const char* what, const std::string& detail)
{
    printf("FAIL: %s %s\n", what, detail.c_str());
    for (HWND window : WindowsOfTarget()) {
        printf("--- a window of the program:\n");
        PrintWindowText(window);
    }
    fflush(stdout);
    if (TargetRunning())
        TerminateProcess(target.hProcess, 99);
    ExitProcess(2);
}

static HWND WaitFor(const std::string& text, int seconds, bool present)
{
    for (int waited = 0; waited < seconds * 20; waited++) {
        HWND window = FindShowing(text);
        if (present && window) {
            Settle(window);
            // Still there once settled: a window on its way out does not count.
            if (IsWindowVisible(window) && Shows(window, text))
                return window;
        }
        if (!present && !window)
            return nullptr;
        if (!TargetRunning() && present)
            Fail("the program ended while waiting for", "\"" + text + "\"");
        Sleep(50);
    }
    Fail(present ? "no window shows" : "still a window shows", "\"" + text + "\"");
}

static Control FindControl(const std::string& text, const char* className)
{
    if (!current)
        Fail("no current window for", text);
    for (const Control& control : ControlsOf(current))
        if (IsWindowVisible(control.window) && Label(control.text) == text &&
            _stricmp(control.className.c_str(), className) == 0)
            return control;
    Fail("the current window has no control labelled", "\"" + text + "\"");
}

static void Click(const Control& control)
{
    if (!IsWindowEnabled(control.window))
        Fail("cannot click the disabled control", "\"" + control.text + "\"");
    // Posted, not sent: the click may start a long piece of work or a new dialog, which must not
    // hold the robot.
    PostMessageA(control.window, BM_CLICK, 0, 0);
}

static void Type(int number, const std::string& text)
{
    int seen = 0;
    for (const Control& control : ControlsOf(current)) {
        if (_stricmp(control.className.c_str(), "Edit") != 0 || !IsWindowVisible(control.window) ||
            ++seen != number)
            continue;
        // Select what the field holds, then type over it.
        SendMessageA(control.window, EM_SETSEL, 0, -1);
        SendMessageA(control.window, WM_CLEAR, 0, 0);
        for (unsigned char c : text)
            SendMessageA(control.window, WM_CHAR, c, 1);
        if (TextOf(control.window) != text)
            Fail("the field did not take the text", "\"" + text + "\"");
        return;
    }
    Fail("the current window has no edit field number", std::to_string(number));
}

static const char robotKey[] = "Software\\DisplaySetupTests\\Robot";

// The window as it draws itself. A window paints only into a device context of its own process,
// so the hook library, loaded into the program by a message hook on the window's thread, does
// the drawing there; the path and the outcome pass through the registry.
static void Render(const char* path)
{
    static HMODULE hookLibrary = LoadLibraryA("robothook.dll");
    HOOKPROC hookProc =
        hookLibrary ? (HOOKPROC)(void*)GetProcAddress(hookLibrary, "RobotCallWndProc") : nullptr;
    if (!hookProc)
        Fail("cannot load robothook.dll beside the robot for", path);
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, robotKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        Fail("cannot open the robot's registry key for", path);
    char full[MAX_PATH];
    if (!GetFullPathNameA(path, sizeof(full), full, nullptr))
        Fail("bad picture path", path);
    RegSetValueExA(key, "RenderTo", 0, REG_SZ, (const BYTE*)full, lstrlenA(full) + 1);
    RegDeleteValueA(key, "Rendered");
    HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROC, hookProc, hookLibrary,
                                   GetWindowThreadProcessId(current, nullptr));
    if (!hook)
        Fail("cannot hook the window's thread for", path);
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(current, RegisterWindowMessageA("DisplaySetupTestsRobotRender"), 0, 0,
                        SMTO_NORMAL, 10000, &ignored);
    UnhookWindowsHookEx(hook);
    char result[64] = "";
    DWORD size = sizeof(result) - 1;
    RegQueryValueExA(key, "Rendered", nullptr, nullptr, (BYTE*)result, &size);
    RegCloseKey(key);
    if (result[0] < '0' || result[0] > '9')
        Fail("could not render the window into", full);
    printf("rendered %s into %s\n", result, full);
}

static void Start(const std::string& commandLine)
{
    STARTUPINFOA startup;
    ZeroMemory(&startup, sizeof(startup));
    startup.cb = sizeof(startup);
    std::vector<char> command(commandLine.begin(), commandLine.end());
    command.push_back('\0');
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &target))
        Fail("could not start", commandLine + " (error " + std::to_string(GetLastError()) + ")");
    started = true;
    WaitForInputIdle(target.hProcess, 10000);
}

static void WaitExit(int seconds)
{
    if (!started)
        Fail("no program was started", "");
    if (WaitForSingleObject(target.hProcess, seconds * 1000) != WAIT_OBJECT_0)
        Fail("the program did not end within seconds:", std::to_string(seconds));
    DWORD code = 0;
    GetExitCodeProcess(target.hProcess, &code);
    printf("exit=%lu\n", (unsigned long)code);
}

// Splits "word rest of line" into the word and the rest.
static std::string Word(std::string& line)
{
    size_t blank = line.find(' ');
    std::string word = line.substr(0, blank);
    line = blank == std::string::npos ? "" : line.substr(blank + 1);
    return word;
}

// "<text> [seconds]": a trailing number is a time limit when the step takes one.
static int TrailingSeconds(std::string& text, int fallback)
{
    size_t blank = text.rfind(' ');
    if (blank == std::string::npos || blank + 1 == text.size())
        return fallback;
    std::string last = text.substr(blank + 1);
    if (last.find_first_not_of("0123456789") != std::string::npos)
        return fallback;
    text.resize(blank);
    return atoi(last.c_str());
}

static void Step(std::string line)
{
    std::string command = Word(line);
    printf("> %s %s\n", command.c_str(), line.c_str());
    fflush(stdout);
    if (command == "start") {
        Start(line);
    } else if (command == "window" || command == "showing") {
        int seconds = TrailingSeconds(line, 20);
        wholeCaption = command == "window";
        current = WaitFor(line, seconds, true);
        printf("window: %s\n", TextOf(current).c_str());
    } else if (command == "gone") {
        int seconds = TrailingSeconds(line, 20);
        wholeCaption = true;
        WaitFor(line, seconds, false);
    } else if (command == "show") {
        if (!current)
            Fail("no current window to show", "");
        PrintWindowText(current);
    } else if (command == "type") {
        int number = atoi(Word(line).c_str());
        Type(number, line);
    } else if (command == "click") {
        Click(FindControl(line, "Button"));
    } else if (command == "check") {
        size_t blank = line.rfind(' ');
        std::string state = blank == std::string::npos ? "" : line.substr(blank + 1);
        std::string label = line.substr(0, blank == std::string::npos ? 0 : blank);
        if (state != "on" && state != "off")
            Fail("check wants on or off:", line);
        Control box = FindControl(label, "Button");
        LRESULT wanted = state == "on" ? BST_CHECKED : BST_UNCHECKED;
        for (int tries = 0; SendMessageA(box.window, BM_GETCHECK, 0, 0) != wanted; tries++) {
            if (tries == 3)
                Fail("the check box does not change:", label);
            Click(box);
            Settle(current);
        }
    } else if (command == "render") {
        Render(line.c_str());
    } else if (command == "exit") {
        WaitExit(TrailingSeconds(line, 60));
    } else {
        Fail("unknown step:", command);
    }
    fflush(stdout);
}

int main(int argc, char** argv)
{
    if (argc != 2) {
        fprintf(stderr, "usage: robot <script>\n");
        return 100;
    }
    FILE* script = fopen(argv[1], "r");
    if (!script) {
        fprintf(stderr, "cannot open %s\n", argv[1]);
        return 100;
    }
    char buffer[4096];
    while (fgets(buffer, sizeof(buffer), script)) {
        std::string line = buffer;
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
            line.pop_back();
        size_t first = line.find_first_not_of(" \t");
        if (first == std::string::npos || line[first] == '#')
            continue;
        Step(line.substr(first));
    }
    fclose(script);
    // A program the script left running would outlive the scenario.
    if (TargetRunning()) {
        printf("the program was still running: ended\n");
        TerminateProcess(target.hProcess, 98);
    }
    return 0;
}
