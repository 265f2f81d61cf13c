// The simulated machine behind winsim's Win32 functions, as tests set it up and inspect it.
//
// One machine per process. Tests call Reset() for a fresh one, arrange registry, files, devices
// and faults, run the program under test in a child process with RunChild(), and then read the
// machine as the child left it. Paths are Windows paths ("C:\\Dir\\file"), compared without
// regard to letter case; registry paths start with "HKLM\\" or "HKCU\\".
#pragma once
#include "winsim/win32.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace winsim
{

// A fresh machine: C:\ with C:\Windows, C:\Windows\Fonts, C:\Windows\Temp as the temporary
// directory, module path C:\Setup\Program.exe, a 1024x768 screen, code page 1252, the registry
// keys HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\{Setup,Run} (no values), and the device
// classes "Display" {4D36E968-E325-11CE-BFC1-08002BE10318} and "Monitor"
// {4D36E96E-E325-11CE-BFC1-08002BE10318}, with no devices. No faults armed, empty journal.
void Reset();

// ---- System facts
void SetModulePath(const std::string& path);
void SetWindowsDir(const std::string& dir); // as GetWindowsDirectoryA returns it (no final '\')
void SetTempDir(const std::string& dir);    // as GetTempPathA returns it (with final '\')
void SetScreen(int cx, int cy);
void SetCodePage(unsigned codePage); // 1252 or 932 (Shift JIS lead bytes for CharNextA)

// ---- Registry. Types are REG_SZ, REG_EXPAND_SZ, REG_BINARY, REG_DWORD...; data are raw bytes.
void RegPutKey(const std::string& keyPath);
void RegPut(const std::string& keyPath, const std::string& name, DWORD type,
            const std::string& data); // creates the key as needed
bool RegGet(const std::string& keyPath, const std::string& name, DWORD* type, std::string* data);
bool RegHasKey(const std::string& keyPath);
bool RegHasValue(const std::string& keyPath, const std::string& name);
void RegDropValue(const std::string& keyPath, const std::string& name);
std::vector<std::string> RegValueNames(const std::string& keyPath);
// Text data as Windows stores it from a REG_SZ write of n bytes: helper for tests.
std::string Sz(const std::string& text); // text plus its terminating NUL

// ---- Files
void PutFile(const std::string& path, const std::string& content,
             DWORD attributes = FILE_ATTRIBUTE_ARCHIVE); // makes parent directories
void MakeDir(const std::string& path);                   // makes parents too
bool GetFile(const std::string& path, std::string* content);
bool IsDir(const std::string& path);
bool Exists(const std::string& path);
DWORD Attributes(const std::string& path); // INVALID_FILE_ATTRIBUTES when absent
void SetAttributes(const std::string& path, DWORD attributes);
std::vector<std::string> ListDir(const std::string& dir); // names directly inside, sorted

// ---- Messages and windows
void PostQuit(); // queues WM_QUIT on the thread's queue, as PostQuitMessage(0) would
// An ordinary message for the program's message loop; WM_QUIT comes after all of these.
void QueueMessage(HWND hwnd, UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
long Dispatched();                        // messages handed to DispatchMessageA since Reset()
HWND AddWindow(const std::string& title); // a top-level window the program may use as its own
std::vector<HWND> Windows(); // every window made so far, oldest first
std::string WindowText(HWND hwnd);
struct Placement {
    int x, y, cx, cy;
    UINT flags;
};
Placement WindowPlacement(HWND hwnd);

// Message boxes are recorded in the journal ("msgbox <style>|<caption>|<text>") and answered
// from this queue; with the queue empty, the answer is IDOK for MB_OK boxes, else the first
// button (IDOK, IDYES, IDABORT, IDRETRY).
void QueueMsgBoxAnswer(int answer);

// ---- Processes started with WinExec: recorded, not run.
struct Process {
    std::string commandLine;  // as handed to WinExec
    std::string argumentText; // what the child's WinMain would receive (ArgumentText rule)
    UINT show;
    std::string program; // the program file Windows resolved from the command line
};
std::vector<Process> Processes();
// The text a GUI program's WinMain receives for a command line: a quoted program name is skipped
// to its closing quote, an unquoted one to the first blank or tab; then blanks and tabs.
std::string ArgumentText(const std::string& commandLine);

// ---- Journal: what a user or Windows saw, in order, one line per event.
//   "msgbox <style>|<caption>|<text>"      a message box (style in decimal)
//   "winexec <show>|<command line>"        a process start
//   "reboot-prompt"                        SetupPromptReboot
//   anything components add with Note()    e.g. "dialog 6200", "trace <caption>|<text>"
void Note(const std::string& line);
const std::vector<std::string>& Journal();
std::vector<std::string> JournalWith(const std::string& prefix); // lines starting with prefix

// ---- Devices (SETUPAPI and the configuration manager)
GUID MakeGuid(const char* braced); // "{4D36E968-E325-11CE-BFC1-08002BE10318}"
void AddClass(const std::string& name, const GUID& guid);
struct Device {
    std::string instanceId; // "PCI\\VEN_1234&DEV_5678\\3&1"
    bool present = true;
    GUID classGuid{};                     // class the device belongs to
    std::string className;                // SPDRP_CLASS; empty: the property cannot be read
    std::string driverKey;                // SPDRP_DRIVER; empty: cannot be read
    std::vector<std::string> hardwareIds; // the device's own
    // The driver the class installer selects on DIF_SELECTDEVICE.
    std::string infPath, installSection;
    std::vector<std::string> driverHardwareIds; // the selected driver's hardware-ID list
};
int AddDevice(const Device& device); // returns its DevInst (0, 1, 2, ...)
Device GetDevice(int devInst);
// Outcome of the class installer for one device and one DIF code. Default: success, no flags.
struct InstallerOutcome {
    bool ok = true;
    DWORD error = 0;    // last error on failure
    DWORD setFlags = 0; // Flags bits set after success (DI_NEEDRESTART, DI_NEEDREBOOT)
};
void SetInstallerOutcome(int devInst, DWORD difCode, const InstallerOutcome& outcome);
struct InstallParams {
    DWORD flags, flagsEx;
    std::string driverPath;
};
InstallParams GetInstallParams(int devInst);
bool DriverInstalled(int devInst); // DIF_INSTALLDEVICE succeeded for it

// ---- Fault injection, after SQLite's countdown: the nth call (1-based, counted from arming) to
// the named function fails with the given last error (Reg* functions return it as their result).
// Name "*" counts every winsim and toolkit call alike. Each armed fault fires once.
void FailCall(const std::string& name, int nth, DWORD error);
void ClearFaults();
// For simulated components (the host toolkit): count a call by name and say whether it must fail;
// every winsim function begins with the same check.
bool ShouldFail(const char* name, DWORD* error);
long CallCount();                          // calls made since Reset()
const std::vector<std::string>& CallLog(); // their names, in order

// ---- Handles the program opened and has not closed (keys, device sets, INF handles).
struct OpenHandles {
    int keys, deviceSets, infHandles, files;
};
OpenHandles Open();
// Buffers FormatMessageA allocated that LocalFree has not released.
long LocalBlocks();

// ---- Running the program under test: fork; the child runs body and ends (by returning from
// body or through exit()); the machine as the child left it replaces this process's machine.
// The child is killed after timeoutSeconds (a hang fails the run). Returns the exit code, or
// -1 when the child died by a signal or timed out.
int RunChild(const std::function<int()>& body, int timeoutSeconds = 10);

} // namespace winsim
