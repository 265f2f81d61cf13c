// The simulated machine's state and the helpers shared by winsim's Win32 implementations.
#pragma once
#include "winsim/machine.h"

#include <deque>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace winsim::detail
{

struct RegValue {
    std::string name;
    DWORD type;
    std::string data;
};

struct RegKey {
    std::string path; // as first created, e.g. "HKLM\\SOFTWARE\\X"
    std::vector<RegValue> values;
};

struct FileNode {
    std::string path;
    std::string content;
    DWORD attributes;
    bool dir;
};

struct WindowRec {
    uintptr_t id;
    std::string text;
    Placement placement;
};

struct QueuedMsg {
    uintptr_t hwnd;
    UINT message;
    uintptr_t wParam;
    intptr_t lParam;
};

struct ClassRec {
    std::string name;
    GUID guid;
};

struct DeviceRec {
    Device d;
    bool installed = false;
    InstallParams last{0, 0, ""}; // the most recent install parameters of any set's element
};

// One device as a member of a device set: install parameters and the selected driver belong to
// the set's element, as they do on Windows.
struct Element {
    int devInst;
    DWORD flags = 0, flagsEx = 0;
    std::string driverPath;
    bool selected = false;
};

struct DeviceSet {
    std::vector<Element> members;
    std::unordered_map<int, size_t> byDevInst; // devInst to its place in members

    void Add(const Element& element)
    {
        byDevInst[element.devInst] = members.size();
        members.push_back(element);
    }
};

struct InfSection {
    std::string name;
    std::vector<std::string> lines; // comment-free, trimmed, non-empty
};

struct InfFile {
    std::string path;
    std::vector<InfSection> sections;
};

struct OpenKey {
    std::string key; // upper-case lookup path
    REGSAM access;
};

struct FileHandle {
    std::string key; // upper-case lookup path of the file
    uint64_t pos;
    bool read, write;
};

struct Fault {
    std::string name;
    int remaining;
    DWORD error;
};

// Every call's name in order, kept as an index into the names seen so far: a device walk over
// many devices makes millions of calls, and a string per call would dominate its cost.
struct CallRecord {
    std::deque<std::string> names; // each distinct name once; a deque keeps them in place
    std::unordered_map<std::string_view, uint32_t> index;
    std::vector<uint32_t> calls;
    mutable std::vector<std::string> texts; // the names in call order, made when asked for

    // The index views the strings inside names: moving keeps them in place, copying would not.
    CallRecord() = default;
    CallRecord(const CallRecord&) = delete;
    CallRecord& operator=(const CallRecord&) = delete;
    CallRecord(CallRecord&&) = default;
    CallRecord& operator=(CallRecord&&) = default;

    void Add(std::string_view name)
    {
        auto found = index.find(name);
        if (found == index.end()) {
            names.emplace_back(name);
            found = index.emplace(names.back(), uint32_t(names.size() - 1)).first;
        }
        calls.push_back(found->second);
    }
    size_t size() const
    {
        return calls.size();
    }
    const std::vector<std::string>& Texts() const
    {
        if (texts.size() > calls.size())
            texts.clear();
        for (size_t i = texts.size(); i < calls.size(); i++)
            texts.push_back(names[calls[i]]);
        return texts;
    }
    void Assign(const std::vector<std::string>& log)
    {
        *this = CallRecord();
        for (const std::string& name : log)
            Add(name);
    }
};

struct Machine {
    std::string modulePath, windowsDir, tempDir;
    int cx = 1024, cy = 768;
    unsigned codePage = 1252;
    std::map<std::string, RegKey> keys;    // by upper-case path
    std::map<std::string, FileNode> files; // by upper-case path
    std::vector<WindowRec> windows;
    std::deque<QueuedMsg> queue;
    bool quitPosted = false;
    int quitCode = 0;
    long dispatched = 0;
    std::deque<int> msgBoxAnswers;
    std::vector<Process> processes;
    std::vector<std::string> journal;
    std::vector<ClassRec> classes;
    std::vector<DeviceRec> devices;
    std::map<std::pair<int, DWORD>, InstallerOutcome> outcomes;
    std::map<uintptr_t, OpenKey> openKeys;
    std::map<uintptr_t, DeviceSet> sets;
    std::map<uintptr_t, InfFile> infs;
    std::map<uintptr_t, FileHandle> fileHandles;
    std::set<void*> localBlocks; // FormatMessageA buffers not yet freed
    long foreignLocalBlocks = 0; // such buffers left by a child run
    uintptr_t nextHandle = 0x10000;
    std::vector<Fault> faults;
    CallRecord callLog;
    DWORD lastError = 0;
};

Machine& M();
uintptr_t NewHandle();

// Counts the call, consults the armed faults; true when this call must fail with *error.
bool Enter(const char* name, DWORD* error);
// For calls that cannot fail on Windows: counted and logged; an armed fault landing here is used
// up without effect.
void EnterInfallible(const char* name);
[[noreturn]] void Unmodelled(const char* call, const std::string& what);

std::string Upper(const std::string& s); // ASCII letters only
bool IEquals(const std::string& a, const std::string& b);
std::string Trim(const std::string& s);

// File paths: canonical form ("C:\\Dir\\file", root "C:\\"); empty when not an absolute path.
std::string NormPath(const std::string& path);
std::string ParentPath(const std::string& canon); // "" for a root
FileNode* FindNode(const std::string& canon);
// Error for a missing path: ERROR_PATH_NOT_FOUND when its folder is missing too.
DWORD MissingError(const std::string& canon);
void PutNode(const std::string& canon, const std::string& content, DWORD attributes, bool dir);

// Registry paths: "HKLM\\A\\B"; lookup is by Upper(path).
RegKey* FindKey(const std::string& path);
RegKey& EnsureKey(const std::string& path); // with its ancestors
RegValue* FindValue(RegKey& key, const std::string& name);
void SetValue(RegKey& key, const std::string& name, DWORD type, const std::string& data);

std::string GuidText(const GUID& g); // braced, upper case
bool ParseGuid(const std::string& text, GUID* out);
bool SameGuid(const GUID& a, const GUID& b);

void SetError(DWORD e);

// CharUpperA's mapping for the machine's code page, without counting a call.
void UpperInPlace(char* s);

// Whole-machine transfer for RunChild.
std::string Serialize(const Machine& m);
bool Deserialize(const std::string& bytes, Machine* m);

} // namespace winsim::detail
