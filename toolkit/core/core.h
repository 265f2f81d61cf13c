// The toolkit's portable core: state and behaviour shared by the host and Windows front ends.
//
// The core calls Windows only through "platform.h". Everything a user sees (dialogs, message
// boxes, shell links, the log) goes through the Frontend that the front end installs.
#pragma once
#include "platform.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

// Error codes the core reports that a minimal set of Windows declarations may lack.
#ifndef ERROR_BAD_FORMAT
#define ERROR_BAD_FORMAT 11L
#endif
#ifndef ERROR_INVALID_NAME
#define ERROR_INVALID_NAME 123L
#endif
#ifndef ERROR_MOD_NOT_FOUND
#define ERROR_MOD_NOT_FOUND 126L
#endif
#ifndef ERROR_INVALID_WINDOW_HANDLE
#define ERROR_INVALID_WINDOW_HANDLE 1400L
#endif
#ifndef ERROR_INVALID_CURSOR_HANDLE
#define ERROR_INVALID_CURSOR_HANDLE 1402L
#endif
#ifndef ERROR_RESOURCE_NAME_NOT_FOUND
#define ERROR_RESOURCE_NAME_NOT_FOUND 1814L
#endif
#ifndef ERROR_CANCELLED
#define ERROR_CANCELLED 1223L
#endif

namespace tk
{

// One showing of a dialog, as FDoDialogExt was asked for it.
struct DialogCall {
    HWND parent = nullptr;
    std::string library, procedure;
    int id = 0;
    std::string helpLibrary, helpProcedure;
    int helpId = 0;
    int showing = 0;    // of this dialog id in the whole run, from 1
    bool again = false; // the dialog is already open on top and is shown once more
};

// What a front end supplies. The host front end records into the simulated machine; the
// Windows one shows real windows, or plays the answer script when unattended.
struct Frontend {
    virtual ~Frontend() = default;
    // One line for whoever watches the toolkit (the simulated journal, an unattended log).
    virtual void Log(const std::string& line) = 0;
    // Runs one showing of a dialog that the core has already accepted; false: it could not be
    // shown (the last error says why). The dialog leaves its results in the symbols.
    virtual bool ShowDialog(const DialogCall& call) = 0;
    // The dialog on top of the stack was closed (the core has already taken it off).
    virtual void DialogClosed(int dialogId)
    {
        (void)dialogId;
    }
    virtual int ShowMessage(HWND parent, const char* text, const char* caption, UINT style) = 0;
    // The folder that holds the program groups (no final backslash).
    virtual std::string ProgramsFolder() = 0;
    virtual bool WriteLink(const std::string& linkPath, const std::string& target,
                           const std::string& arguments) = 0;
    // The frame window; null with the last error set when it cannot be made.
    virtual HWND CreateFrame() = 0;
    virtual void DestroyFrame(HWND frame) = 0;
    // The instance handle HinstFrame answers while the frame is up.
    virtual HINSTANCE FrameInstance()
    {
        return reinterpret_cast<HINSTANCE>(static_cast<uintptr_t>(0x400000));
    }
    // Called once the core has accepted the library and the id (0: no bitmap).
    virtual bool ShowBitmap(const char* library, int bitmapId)
    {
        (void)library;
        (void)bitmapId;
        return true;
    }
    // Copy progress: done of total files; total 0 hides the gauge.
    virtual void Progress(size_t done, size_t total)
    {
        (void)done;
        (void)total;
    }
    virtual void WaitCursor(bool on)
    {
        (void)on;
    }
    // The run starts with these options (the answer script is already loaded); false ends
    // InitializeFrame with a failure, *error saying why.
    virtual bool BeginRun(const struct FrameOptions& options, std::string* error)
    {
        (void)options;
        (void)error;
        return true;
    }
    // The run is over; outcome is "completed", "abandoned by the user" or "failed: <why>".
    virtual void EndRun(const std::string& outcome)
    {
        (void)outcome;
    }
};

void SetFrontend(Frontend* frontend);
Frontend& Ui();

// Fresh toolkit state: no symbols, lists, INF, copy list, dialogs or cursor tokens.
void Reset();

// ---- Texts (bounded copies for the C interface)
// Copies value into buffer as CbGetSymbolValue does and returns the value's full length.
int CopyOut(const std::string& value, char* buffer, int limit);
std::string Trim(const std::string& text);    // blanks and tabs at both ends
std::string Unquote(const std::string& text); // trimmed, then one pair of double quotes removed
bool EqualNoCase(const std::string& a, const std::string& b);
// Whether the last character (a code-page-aware walk) is a single-byte backslash.
bool EndsWithBackslash(const std::string& path);
std::string JoinPath(const std::string& dir, const std::string& name);
// Creates every missing folder of path; true when it exists as a folder afterwards.
bool MakeFolders(const std::string& path);
bool IsFile(const std::string& path); // exists and is no folder
bool IsFolder(const std::string& path);

// ---- Symbols and lists (names compare without regard to letter case)
bool OpenInf(const char* path, bool checkSyntax);
// The "NAME=value" lines of a symbol section as the profile API returns them ("a\0b\0\0").
// Fails on a malformed line only when strict; the first definition of a name counts.
bool ParseSymbolLines(const std::vector<std::string>& lines, bool strict);
bool HaveSymbol(const std::string& name);
std::string Symbol(const std::string& name);
void SetSymbol(const std::string& name, const std::string& value);
std::vector<std::string>* FindList(const std::string& name); // nullptr: no such list
std::vector<std::string>& List(const std::string& name);     // created empty when absent
std::string OpenInfPath();
// A section of a profile file, one entry per line; false when the file cannot be read at all.
bool ReadProfileSection(const std::string& file, const char* section,
                        std::vector<std::string>* lines);

// ---- Copy list
void ResetCopyList();
bool AddSectionFiles(const char* section, const char* sourceDir, const char* destDir);
struct CopyItem {
    std::string source, destination;
};
const std::vector<CopyItem>& CopyList();
int CopyFiles(HWND parent); // 0: all copied; positive: stopped at a file it could not copy

// ---- Program groups and items
bool ValidName(const std::string& name); // one folder or file name, nothing that leaves it
bool CreateGroup(const char* group);
bool ShowGroup(const char* group);
bool CreateItem(const char* group, const char* item, const char* commandLine);
// The target and arguments of a command line, resolved as Windows resolves a program path.
void SplitCommandLine(const std::string& commandLine, std::string* target, std::string* arguments);

// ---- Directory test
bool ValidDir(const char* path);

// ---- Dialogs
bool DoDialog(const DialogCall& call); // fills in showing and again
bool KillDialogs(int count);
std::vector<int> OpenDialogs(); // bottom first
constexpr int kMaxShowingsInARow = 100;

// ---- Answer script: how unattended dialogs and message boxes are answered.
struct DialogAnswer {
    std::string event;
    bool hasEdit = false;
    std::string edit;
    bool hasCheck = false;
    std::vector<std::string> check; // entries from the first; shorter leaves the rest alone
    bool quit = false;
};
class AnswerScript
{
  public:
    // Parses the script text; on failure the script stays as it was and *error says why.
    bool Parse(const std::string& text, std::string* error);
    DialogAnswer Answer(int dialogId, int showing) const;  // showing counts from 1
    int MessageBoxAnswer(UINT style, int boxNumber) const; // boxNumber counts from 1
    static int DefaultMessageBoxAnswer(UINT style);

  private:
    struct Entry {
        bool hasAll = false;
        std::string all;                     // the key without a number
        std::map<int, std::string> byNumber; // "key.N"
        bool Get(int number, std::string* value) const;
    };
    struct DialogSection {
        Entry event, edit, check, action;
    };
    std::map<int, DialogSection> dialogs_;
    Entry msgbox_;
    const DialogSection* Find(int dialogId) const;
};
AnswerScript& Script();
// Plays one showing from the script: writes DLGEVENT, and for the custom-install dialogs
// EditTextOut and the CheckItemsState entries; posts WM_QUIT when the script says so.
void PlayShowing(int dialogId, int showing);
int PlayMessageBox(UINT style); // the next scripted answer for a message box

// ---- Frame options: "/?" first asks for the usage message; "/unattended[=answers.ini]" plays
// every dialog from the answer file (or the defaults); "/log=file" names the log.
struct FrameOptions {
    bool usage = false;
    bool unattended = false;
    std::string answerFile; // empty: no script, the defaults answer
    std::string logFile;
};
FrameOptions ParseFrameOptions(const char* commandLine);

// The text Windows would show for an error code ("error N" when it has none).
std::string ErrorText(DWORD error);
// The event code the setup program derives from an event text: its first two bytes as signed
// 8-bit values, summed modulo 65536.
unsigned short EventCode(const std::string& eventText);
constexpr unsigned short kEventCancel = 132, kEventProceed = 146, kEventExit = 157;

// ---- Frame and run: shared by the host and the Windows functions.
extern const char* const kUsageText;
int StartFrame(const char* commandLine); // as InitializeFrame answers
bool EndFrame();                         // as TerminateFrame answers
bool LoadAnswerFile(const std::string& path, std::string* error);
// What went wrong last: a toolkit call that failed, or the text of an error message shown.
void NoteFailure(const char* call);
void NoteMessage(const std::string& text);
// The outcome the run has reached so far.
std::string Outcome();

// ---- Cursor tokens
HCURSOR NewCursorToken();
bool TakeBackCursorToken(HCURSOR token);

} // namespace tk
