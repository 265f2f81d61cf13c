// The test-facing side of the simulated machine: set-up, inspection, journal and faults.
#include "internal.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace winsim
{
using namespace detail;

static std::string MustNorm(const char* call, const std::string& path)
{
    std::string canon = NormPath(path);
    if (canon.empty()) {
        fprintf(stderr, "winsim: %s: \"%s\" is not an absolute path\n", call, path.c_str());
        abort();
    }
    return canon;
}

void Reset()
{
    for (void* p : M().localBlocks)
        free(p);
    M() = Machine();
    Machine& m = M();
    m.modulePath = "C:\\Setup\\Program.exe";
    m.windowsDir = "C:\\Windows";
    m.tempDir = "C:\\Windows\\Temp\\";
    MakeDir("C:\\Windows\\Fonts");
    MakeDir("C:\\Windows\\Temp");
    RegPutKey("HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Setup");
    RegPutKey("HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run");
    RegPutKey("HKCU");
    AddClass("Display", MakeGuid("{4D36E968-E325-11CE-BFC1-08002BE10318}"));
    AddClass("Monitor", MakeGuid("{4D36E96E-E325-11CE-BFC1-08002BE10318}"));
}

void SetModulePath(const std::string& path)
{
    M().modulePath = path;
}
void SetWindowsDir(const std::string& dir)
{
    M().windowsDir = dir;
}
void SetTempDir(const std::string& dir)
{
    M().tempDir = dir;
}
void SetScreen(int cx, int cy)
{
    M().cx = cx;
    M().cy = cy;
}
void SetCodePage(unsigned codePage)
{
    if (codePage != 1252 && codePage != 932) {
        fprintf(stderr, "winsim: SetCodePage: code page %u is not modelled\n", codePage);
        abort();
    }
    M().codePage = codePage;
}

// ---- Registry

void RegPutKey(const std::string& keyPath)
{
    EnsureKey(keyPath);
}

void RegPut(const std::string& keyPath, const std::string& name, DWORD type,
            const std::string& data)
{
    SetValue(EnsureKey(keyPath), name, type, data);
}

bool RegGet(const std::string& keyPath, const std::string& name, DWORD* type, std::string* data)
{
    RegKey* k = FindKey(keyPath);
    RegValue* v = k ? FindValue(*k, name) : nullptr;
    if (!v)
        return false;
    if (type)
        *type = v->type;
    if (data)
        *data = v->data;
    return true;
}

bool RegHasKey(const std::string& keyPath)
{
    return FindKey(keyPath) != nullptr;
}

bool RegHasValue(const std::string& keyPath, const std::string& name)
{
    return RegGet(keyPath, name, nullptr, nullptr);
}

void RegDropValue(const std::string& keyPath, const std::string& name)
{
    RegKey* k = FindKey(keyPath);
    if (!k)
        return;
    k->values.erase(std::remove_if(k->values.begin(), k->values.end(),
                                   [&](const RegValue& v) { return IEquals(v.name, name); }),
                    k->values.end());
}

std::vector<std::string> RegValueNames(const std::string& keyPath)
{
    std::vector<std::string> names;
    if (RegKey* k = FindKey(keyPath))
        for (const RegValue& v : k->values)
            names.push_back(v.name);
    return names;
}

std::string Sz(const std::string& text)
{
    return text + std::string(1, '\0');
}

// ---- Files

void MakeDir(const std::string& path)
{
    std::string canon = MustNorm("MakeDir", path);
    std::string parent = ParentPath(canon);
    if (!parent.empty())
        MakeDir(parent);
    FileNode* n = FindNode(canon);
    if (n && n->dir)
        return;
    PutNode(canon, "", FILE_ATTRIBUTE_DIRECTORY, true);
}

void PutFile(const std::string& path, const std::string& content, DWORD attributes)
{
    std::string canon = MustNorm("PutFile", path);
    MakeDir(ParentPath(canon));
    PutNode(canon, content, attributes, false);
}

bool GetFile(const std::string& path, std::string* content)
{
    FileNode* n = FindNode(NormPath(path));
    if (!n || n->dir)
        return false;
    if (content)
        *content = n->content;
    return true;
}

bool IsDir(const std::string& path)
{
    FileNode* n = FindNode(NormPath(path));
    return n && n->dir;
}

bool Exists(const std::string& path)
{
    return FindNode(NormPath(path)) != nullptr;
}

DWORD Attributes(const std::string& path)
{
    FileNode* n = FindNode(NormPath(path));
    return n ? n->attributes : INVALID_FILE_ATTRIBUTES;
}

void SetAttributes(const std::string& path, DWORD attributes)
{
    FileNode* n = FindNode(MustNorm("SetAttributes", path));
    if (!n) {
        fprintf(stderr, "winsim: SetAttributes: no file \"%s\"\n", path.c_str());
        abort();
    }
    n->attributes = n->dir ? (attributes | FILE_ATTRIBUTE_DIRECTORY) : attributes;
}

std::vector<std::string> ListDir(const std::string& dir)
{
    std::vector<std::string> names;
    std::string canon = NormPath(dir);
    if (canon.empty())
        return names;
    std::string prefix = Upper(canon);
    if (prefix.back() != '\\')
        prefix += '\\';
    for (const auto& [key, node] : M().files) {
        if (key.size() > prefix.size() && key.compare(0, prefix.size(), prefix) == 0 &&
            key.find('\\', prefix.size()) == std::string::npos)
            names.push_back(node.path.substr(node.path.rfind('\\') + 1));
    }
    std::sort(names.begin(), names.end());
    return names;
}

// ---- Messages and windows

void PostQuit()
{
    M().quitPosted = true;
    M().quitCode = 0;
}

void QueueMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    M().queue.push_back({uintptr_t(hwnd), message, wParam, lParam});
}

long Dispatched()
{
    return M().dispatched;
}

HWND AddWindow(const std::string& title)
{
    uintptr_t id = NewHandle();
    M().windows.push_back({id, title, {0, 0, 0, 0, 0}});
    return reinterpret_cast<HWND>(id);
}

std::vector<HWND> Windows()
{
    std::vector<HWND> all;
    for (const WindowRec& w : M().windows)
        all.push_back(reinterpret_cast<HWND>(w.id));
    return all;
}

static WindowRec* Win(HWND hwnd)
{
    for (WindowRec& w : M().windows)
        if (w.id == uintptr_t(hwnd))
            return &w;
    fprintf(stderr, "winsim: no window %p\n", static_cast<void*>(hwnd));
    abort();
}

std::string WindowText(HWND hwnd)
{
    return Win(hwnd)->text;
}

Placement WindowPlacement(HWND hwnd)
{
    return Win(hwnd)->placement;
}

void QueueMsgBoxAnswer(int answer)
{
    M().msgBoxAnswers.push_back(answer);
}

// ---- Processes

std::vector<Process> Processes()
{
    return M().processes;
}

std::string ArgumentText(const std::string& commandLine)
{
    size_t i = 0, n = commandLine.size();
    if (n && commandLine[0] == '"') {
        i = 1;
        while (i < n && commandLine[i] != '"')
            ++i;
        if (i < n)
            ++i;
    } else {
        while (i < n && commandLine[i] != ' ' && commandLine[i] != '\t')
            ++i;
    }
    while (i < n && (commandLine[i] == ' ' || commandLine[i] == '\t'))
        ++i;
    return commandLine.substr(i);
}

// ---- Journal

void Note(const std::string& line)
{
    M().journal.push_back(line);
}

const std::vector<std::string>& Journal()
{
    return M().journal;
}

std::vector<std::string> JournalWith(const std::string& prefix)
{
    std::vector<std::string> out;
    for (const std::string& line : M().journal)
        if (line.compare(0, prefix.size(), prefix) == 0)
            out.push_back(line);
    return out;
}

// ---- Devices

GUID MakeGuid(const char* braced)
{
    GUID g{};
    if (!braced || !ParseGuid(braced, &g)) {
        fprintf(stderr, "winsim: MakeGuid: malformed GUID \"%s\"\n", braced ? braced : "(null)");
        abort();
    }
    return g;
}

void AddClass(const std::string& name, const GUID& guid)
{
    M().classes.push_back({name, guid});
}

int AddDevice(const Device& device)
{
    DeviceRec rec;
    rec.d = device;
    M().devices.push_back(rec);
    return int(M().devices.size() - 1);
}

static DeviceRec& Dev(const char* call, int devInst)
{
    if (devInst < 0 || size_t(devInst) >= M().devices.size()) {
        fprintf(stderr, "winsim: %s: no device %d\n", call, devInst);
        abort();
    }
    return M().devices[size_t(devInst)];
}

Device GetDevice(int devInst)
{
    return Dev("GetDevice", devInst).d;
}

void SetInstallerOutcome(int devInst, DWORD difCode, const InstallerOutcome& outcome)
{
    Dev("SetInstallerOutcome", devInst);
    M().outcomes[{devInst, difCode}] = outcome;
}

InstallParams GetInstallParams(int devInst)
{
    return Dev("GetInstallParams", devInst).last;
}

bool DriverInstalled(int devInst)
{
    return Dev("DriverInstalled", devInst).installed;
}

// ---- Faults

void FailCall(const std::string& name, int nth, DWORD error)
{
    M().faults.push_back({name, nth, error});
}

void ClearFaults()
{
    M().faults.clear();
}

bool ShouldFail(const char* name, DWORD* error)
{
    return Enter(name, error);
}

long CallCount()
{
    return long(M().callLog.size());
}

const std::vector<std::string>& CallLog()
{
    return M().callLog.Texts();
}

OpenHandles Open()
{
    const Machine& m = M();
    return {int(m.openKeys.size()), int(m.sets.size()), int(m.infs.size()),
            int(m.fileHandles.size())};
}

long LocalBlocks()
{
    return long(M().localBlocks.size()) + M().foreignLocalBlocks;
}

} // namespace winsim
