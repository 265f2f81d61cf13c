// Simulated kernel32: system folders, files and handles, last error, message texts, WinExec,
// and the lstr* string helpers.
#include "internal.h"

#include <cstdlib>
#include <cstring>

using namespace winsim;
using namespace winsim::detail;

namespace
{

std::string Text(LPCSTR s)
{
    return s ? std::string(s) : std::string();
}

// Copies text into a buffer of size bytes the way the folder queries do: the length on success,
// the size needed (with its NUL) when it does not fit, leaving the buffer untouched.
DWORD CopyOut(const std::string& text, LPSTR buffer, DWORD size)
{
    if (!buffer || size <= text.size())
        return DWORD(text.size() + 1);
    memcpy(buffer, text.c_str(), text.size() + 1);
    return DWORD(text.size());
}

std::string CanonOrDie(const char* call, LPCSTR path)
{
    if (!path)
        Unmodelled(call, "a NULL path");
    std::string canon = NormPath(path);
    // A path relative to the current folder resolves against the program's own folder, the
    // current folder of a program started from its icon. Drive-relative ("C:x") and
    // root-relative ("\\x") paths are not modelled.
    bool relative = path[0] != '\0' && path[0] != '\\' && path[0] != '/' && path[1] != ':';
    if (canon.empty() && relative) {
        std::string folder = M().modulePath.substr(0, M().modulePath.find_last_of('\\') + 1);
        canon = NormPath(folder + path);
    }
    if (canon.empty())
        Unmodelled(call, std::string("the path \"") + path + "\"");
    return canon;
}

bool OpenElsewhere(const std::string& canon)
{
    for (const auto& [h, f] : M().fileHandles)
        if (f.key == Upper(canon))
            return true;
    return false;
}

struct SystemText {
    DWORD code;
    const char* text;
};

const SystemText kSystemTexts[] = {
    {ERROR_SUCCESS, "The operation completed successfully."},
    {ERROR_INVALID_FUNCTION, "Incorrect function."},
    {ERROR_FILE_NOT_FOUND, "The system cannot find the file specified."},
    {ERROR_PATH_NOT_FOUND, "The system cannot find the path specified."},
    {ERROR_ACCESS_DENIED, "Access is denied."},
    {ERROR_INVALID_HANDLE, "The handle is invalid."},
    {ERROR_NOT_ENOUGH_MEMORY, "Not enough storage is available to process this command."},
    {ERROR_INVALID_DATA, "The data is invalid."},
    {ERROR_OUTOFMEMORY, "Not enough storage is available to complete this operation."},
    {ERROR_WRITE_PROTECT, "The media is write protected."},
    {ERROR_GEN_FAILURE, "A device attached to the system is not functioning."},
    {ERROR_SHARING_VIOLATION,
     "The process cannot access the file because it is being used by another process."},
    {ERROR_FILE_EXISTS, "The file exists."},
    {ERROR_INVALID_PARAMETER, "The parameter is incorrect."},
    {ERROR_CALL_NOT_IMPLEMENTED, "This function is not supported on this system."},
    {ERROR_INSUFFICIENT_BUFFER, "The data area passed to a system call is too small."},
    {ERROR_ALREADY_EXISTS, "Cannot create a file when that file already exists."},
    {ERROR_MORE_DATA, "More data is available."},
    {ERROR_NO_MORE_ITEMS, "No more data is available."},
    {ERROR_KEY_DELETED,
     "Illegal operation attempted on a registry key that has been marked for deletion."},
    {ERROR_INVALID_USER_BUFFER, "The supplied user buffer is not valid for the requested "
                                "operation."},
    {ERROR_SECTION_NOT_FOUND, "The required section was not found in the INF."},
    {ERROR_LINE_NOT_FOUND, "The required line was not found in the INF."},
    {ERROR_NO_DRIVER_SELECTED,
     "There is no driver selected for the device information set or element."},
    {ERROR_INVALID_CLASS, "The class is invalid."},
    {ERROR_INVALID_REG_PROPERTY, "The requested device registry property is invalid."},
    {ERROR_NO_SUCH_DEVINST, "The device instance does not exist in the hardware tree."},
    {ERROR_DI_DO_DEFAULT, "The class installer has indicated that the default action should be "
                          "performed for this installation request."},
    {ERROR_NO_COMPAT_DRIVERS, "There are no compatible drivers for this device."},
};

bool HasExtension(const std::string& path)
{
    size_t slash = path.rfind('\\');
    size_t dot = path.rfind('.');
    return dot != std::string::npos && (slash == std::string::npos || dot > slash);
}

// The program file Windows would start for name (one candidate from the command line).
std::string FindProgram(const std::string& name)
{
    std::string candidate = HasExtension(name) ? name : name + ".exe";
    std::vector<std::string> tries;
    if (candidate.find('\\') != std::string::npos || candidate.find(':') != std::string::npos) {
        tries.push_back(candidate);
    } else {
        // A bare name: the program's own folder, then the system folders.
        std::string own = M().modulePath.substr(0, M().modulePath.rfind('\\') + 1);
        tries.push_back(own + candidate);
        tries.push_back(M().windowsDir + "\\System32\\" + candidate);
        tries.push_back(M().windowsDir + "\\" + candidate);
    }
    for (const std::string& t : tries) {
        std::string canon = NormPath(t);
        FileNode* n = FindNode(canon);
        if (n && !n->dir)
            return n->path;
    }
    return "";
}

} // namespace

extern "C" {

DWORD WINAPI GetModuleFileNameA(HMODULE hModule, LPSTR lpFilename, DWORD nSize)
{
    DWORD err;
    if (Enter("GetModuleFileNameA", &err)) {
        SetError(err);
        return 0;
    }
    if (hModule)
        Unmodelled("GetModuleFileNameA", "a module other than the program");
    const std::string& path = M().modulePath;
    if (!lpFilename || nSize == 0) {
        SetError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    if (path.size() >= nSize) {
        // Truncated and terminated, the full size returned, as Windows XP and later do.
        memcpy(lpFilename, path.data(), nSize - 1);
        lpFilename[nSize - 1] = '\0';
        SetError(ERROR_INSUFFICIENT_BUFFER);
        return nSize;
    }
    memcpy(lpFilename, path.c_str(), path.size() + 1);
    return DWORD(path.size());
}

UINT WINAPI GetWindowsDirectoryA(LPSTR lpBuffer, UINT uSize)
{
    DWORD err;
    if (Enter("GetWindowsDirectoryA", &err)) {
        SetError(err);
        return 0;
    }
    return CopyOut(M().windowsDir, lpBuffer, uSize);
}

DWORD WINAPI GetTempPathA(DWORD nBufferLength, LPSTR lpBuffer)
{
    DWORD err;
    if (Enter("GetTempPathA", &err)) {
        SetError(err);
        return 0;
    }
    return CopyOut(M().tempDir, lpBuffer, nBufferLength);
}

DWORD WINAPI GetFileAttributesA(LPCSTR lpFileName)
{
    DWORD err;
    if (Enter("GetFileAttributesA", &err)) {
        SetError(err);
        return INVALID_FILE_ATTRIBUTES;
    }
    std::string canon = CanonOrDie("GetFileAttributesA", lpFileName);
    FileNode* n = FindNode(canon);
    if (!n) {
        SetError(MissingError(canon));
        return INVALID_FILE_ATTRIBUTES;
    }
    return n->attributes;
}

BOOL WINAPI SetFileAttributesA(LPCSTR lpFileName, DWORD dwFileAttributes)
{
    DWORD err;
    if (Enter("SetFileAttributesA", &err)) {
        SetError(err);
        return FALSE;
    }
    std::string canon = CanonOrDie("SetFileAttributesA", lpFileName);
    FileNode* n = FindNode(canon);
    if (!n) {
        SetError(MissingError(canon));
        return FALSE;
    }
    DWORD a = dwFileAttributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                  FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE);
    if (n->dir)
        a |= FILE_ATTRIBUTE_DIRECTORY;
    else if (a == 0)
        a = FILE_ATTRIBUTE_NORMAL;
    n->attributes = a;
    return TRUE;
}

BOOL WINAPI CopyFileA(LPCSTR lpExistingFileName, LPCSTR lpNewFileName, BOOL bFailIfExists)
{
    DWORD err;
    if (Enter("CopyFileA", &err)) {
        SetError(err);
        return FALSE;
    }
    std::string from = CanonOrDie("CopyFileA", lpExistingFileName);
    std::string to = CanonOrDie("CopyFileA", lpNewFileName);
    FileNode* src = FindNode(from);
    if (!src) {
        SetError(MissingError(from));
        return FALSE;
    }
    if (src->dir) {
        SetError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    if (Upper(from) == Upper(to)) {
        SetError(ERROR_SHARING_VIOLATION);
        return FALSE;
    }
    FileNode* parent = FindNode(ParentPath(to));
    if (!parent || !parent->dir) {
        SetError(ERROR_PATH_NOT_FOUND);
        return FALSE;
    }
    if (FileNode* dst = FindNode(to)) {
        if (bFailIfExists) {
            SetError(ERROR_FILE_EXISTS);
            return FALSE;
        }
        if (dst->dir || (dst->attributes & FILE_ATTRIBUTE_READONLY)) {
            SetError(ERROR_ACCESS_DENIED);
            return FALSE;
        }
        if (OpenElsewhere(to)) {
            SetError(ERROR_SHARING_VIOLATION);
            return FALSE;
        }
    }
    std::string content = src->content;
    DWORD attributes = src->attributes;
    PutNode(to, content, attributes, false);
    return TRUE;
}

BOOL WINAPI CreateDirectoryA(LPCSTR lpPathName, LPSECURITY_ATTRIBUTES lpSecurityAttributes)
{
    DWORD err;
    if (Enter("CreateDirectoryA", &err)) {
        SetError(err);
        return FALSE;
    }
    if (lpSecurityAttributes)
        Unmodelled("CreateDirectoryA", "security attributes");
    std::string canon = CanonOrDie("CreateDirectoryA", lpPathName);
    if (FindNode(canon) || ParentPath(canon).empty()) {
        SetError(ERROR_ALREADY_EXISTS);
        return FALSE;
    }
    FileNode* parent = FindNode(ParentPath(canon));
    if (!parent || !parent->dir) {
        SetError(ERROR_PATH_NOT_FOUND);
        return FALSE;
    }
    PutNode(canon, "", FILE_ATTRIBUTE_DIRECTORY, true);
    return TRUE;
}

BOOL WINAPI DeleteFileA(LPCSTR lpFileName)
{
    DWORD err;
    if (Enter("DeleteFileA", &err)) {
        SetError(err);
        return FALSE;
    }
    std::string canon = CanonOrDie("DeleteFileA", lpFileName);
    FileNode* n = FindNode(canon);
    if (!n) {
        SetError(MissingError(canon));
        return FALSE;
    }
    if (n->dir || (n->attributes & FILE_ATTRIBUTE_READONLY)) {
        SetError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    if (OpenElsewhere(canon)) {
        SetError(ERROR_SHARING_VIOLATION);
        return FALSE;
    }
    M().files.erase(Upper(canon));
    return TRUE;
}

HANDLE WINAPI CreateFileA(LPCSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode,
                          LPSECURITY_ATTRIBUTES lpSecurityAttributes, DWORD dwCreationDisposition,
                          DWORD dwFlagsAndAttributes, HANDLE hTemplateFile)
{
    DWORD err;
    if (Enter("CreateFileA", &err)) {
        SetError(err);
        return INVALID_HANDLE_VALUE;
    }
    (void)dwShareMode;
    if (lpSecurityAttributes || hTemplateFile)
        Unmodelled("CreateFileA", "security attributes or a template file");
    if (dwDesiredAccess & ~DWORD(GENERIC_READ | GENERIC_WRITE))
        Unmodelled("CreateFileA", "access other than GENERIC_READ and GENERIC_WRITE");
    if (dwCreationDisposition < CREATE_NEW || dwCreationDisposition > TRUNCATE_EXISTING)
        Unmodelled("CreateFileA", "this creation disposition");
    std::string canon = CanonOrDie("CreateFileA", lpFileName);
    bool wantWrite = (dwDesiredAccess & GENERIC_WRITE) != 0;
    FileNode* n = FindNode(canon);
    if (n && n->dir) {
        SetError(ERROR_ACCESS_DENIED);
        return INVALID_HANDLE_VALUE;
    }
    if (!n) {
        if (dwCreationDisposition == OPEN_EXISTING || dwCreationDisposition == TRUNCATE_EXISTING) {
            SetError(MissingError(canon));
            return INVALID_HANDLE_VALUE;
        }
        FileNode* parent = FindNode(ParentPath(canon));
        if (!parent || !parent->dir) {
            SetError(ERROR_PATH_NOT_FOUND);
            return INVALID_HANDLE_VALUE;
        }
    } else {
        if (dwCreationDisposition == CREATE_NEW) {
            SetError(ERROR_FILE_EXISTS);
            return INVALID_HANDLE_VALUE;
        }
        bool truncates =
            dwCreationDisposition == CREATE_ALWAYS || dwCreationDisposition == TRUNCATE_EXISTING;
        if ((wantWrite || truncates) && (n->attributes & FILE_ATTRIBUTE_READONLY)) {
            SetError(ERROR_ACCESS_DENIED);
            return INVALID_HANDLE_VALUE;
        }
        if (OpenElsewhere(canon)) {
            SetError(ERROR_SHARING_VIOLATION);
            return INVALID_HANDLE_VALUE;
        }
    }
    bool existed = n != nullptr;
    if (!existed) {
        DWORD a = dwFlagsAndAttributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                          FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE);
        PutNode(canon, "", a | FILE_ATTRIBUTE_ARCHIVE, false);
    } else if (dwCreationDisposition == CREATE_ALWAYS ||
               dwCreationDisposition == TRUNCATE_EXISTING) {
        n->content.clear();
    }
    uintptr_t h = NewHandle();
    M().fileHandles[h] = {Upper(canon), 0, (dwDesiredAccess & GENERIC_READ) != 0, wantWrite};
    bool reportsExisting =
        dwCreationDisposition == CREATE_ALWAYS || dwCreationDisposition == OPEN_ALWAYS;
    SetError(existed && reportsExisting ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
    return reinterpret_cast<HANDLE>(h);
}

BOOL WINAPI ReadFile(HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesToRead,
                     LPDWORD lpNumberOfBytesRead, LPOVERLAPPED lpOverlapped)
{
    DWORD err;
    if (Enter("ReadFile", &err)) {
        SetError(err);
        return FALSE;
    }
    if (lpOverlapped || !lpNumberOfBytesRead)
        Unmodelled("ReadFile", "overlapped reading or a NULL byte count");
    auto it = M().fileHandles.find(uintptr_t(hFile));
    if (it == M().fileHandles.end()) {
        SetError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (!it->second.read) {
        SetError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    const std::string& content = M().files[it->second.key].content;
    uint64_t pos = it->second.pos;
    uint64_t n = pos >= content.size() ? 0 : content.size() - pos;
    if (n > nNumberOfBytesToRead)
        n = nNumberOfBytesToRead;
    if (n)
        memcpy(lpBuffer, content.data() + pos, size_t(n));
    it->second.pos += n;
    *lpNumberOfBytesRead = DWORD(n);
    return TRUE;
}

BOOL WINAPI WriteFile(HANDLE hFile, LPCVOID lpBuffer, DWORD nNumberOfBytesToWrite,
                      LPDWORD lpNumberOfBytesWritten, LPOVERLAPPED lpOverlapped)
{
    DWORD err;
    if (Enter("WriteFile", &err)) {
        SetError(err);
        return FALSE;
    }
    if (lpOverlapped || !lpNumberOfBytesWritten)
        Unmodelled("WriteFile", "overlapped writing or a NULL byte count");
    auto it = M().fileHandles.find(uintptr_t(hFile));
    if (it == M().fileHandles.end()) {
        SetError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (!it->second.write) {
        SetError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    std::string& content = M().files[it->second.key].content;
    size_t pos = size_t(it->second.pos);
    if (content.size() < pos + nNumberOfBytesToWrite)
        content.resize(pos + nNumberOfBytesToWrite, '\0');
    if (nNumberOfBytesToWrite)
        memcpy(&content[pos], lpBuffer, nNumberOfBytesToWrite);
    it->second.pos += nNumberOfBytesToWrite;
    *lpNumberOfBytesWritten = nNumberOfBytesToWrite;
    return TRUE;
}

BOOL WINAPI CloseHandle(HANDLE hObject)
{
    DWORD err;
    if (Enter("CloseHandle", &err)) {
        SetError(err);
        return FALSE;
    }
    if (M().fileHandles.erase(uintptr_t(hObject)) == 0) {
        SetError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}

DWORD WINAPI GetFileSize(HANDLE hFile, LPDWORD lpFileSizeHigh)
{
    DWORD err;
    if (Enter("GetFileSize", &err)) {
        SetError(err);
        return INVALID_FILE_SIZE;
    }
    auto it = M().fileHandles.find(uintptr_t(hFile));
    if (it == M().fileHandles.end()) {
        SetError(ERROR_INVALID_HANDLE);
        return INVALID_FILE_SIZE;
    }
    if (lpFileSizeHigh)
        *lpFileSizeHigh = 0;
    SetError(ERROR_SUCCESS);
    return DWORD(M().files[it->second.key].content.size());
}

DWORD WINAPI GetLastError(void)
{
    EnterInfallible("GetLastError");
    return M().lastError;
}

void WINAPI SetLastError(DWORD dwErrCode)
{
    EnterInfallible("SetLastError");
    M().lastError = dwErrCode;
}

DWORD WINAPI FormatMessageA(DWORD dwFlags, LPCVOID lpSource, DWORD dwMessageId, DWORD dwLanguageId,
                            LPSTR lpBuffer, DWORD nSize, va_list* Arguments)
{
    DWORD err;
    if (Enter("FormatMessageA", &err)) {
        SetError(err);
        return 0;
    }
    (void)lpSource; // ignored with FORMAT_MESSAGE_FROM_SYSTEM
    const DWORD known =
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
    if (!(dwFlags & FORMAT_MESSAGE_FROM_SYSTEM) || (dwFlags & ~known))
        Unmodelled("FormatMessageA", "flags other than system texts (with or without an "
                                     "allocated buffer or inserts ignored)");
    if (dwLanguageId != 0 && dwLanguageId != LANG_USER_DEFAULT &&
        dwLanguageId != LANG_SYSTEM_DEFAULT)
        Unmodelled("FormatMessageA", "a specific language");
    if (Arguments)
        Unmodelled("FormatMessageA", "insert arguments");
    if (!lpBuffer) {
        SetError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const char* text = nullptr;
    for (const SystemText& t : kSystemTexts)
        if (t.code == dwMessageId)
            text = t.text;
    if (!text) {
        SetError(ERROR_MR_MID_NOT_FOUND);
        return 0;
    }
    std::string full = std::string(text) + "\r\n";
    if (dwFlags & FORMAT_MESSAGE_ALLOCATE_BUFFER) {
        size_t bytes = full.size() + 1 > nSize ? full.size() + 1 : nSize;
        char* block = static_cast<char*>(malloc(bytes));
        if (!block) {
            SetError(ERROR_NOT_ENOUGH_MEMORY);
            return 0;
        }
        memcpy(block, full.c_str(), full.size() + 1);
        M().localBlocks.insert(block);
        *reinterpret_cast<char**>(lpBuffer) = block;
    } else {
        if (nSize < full.size() + 1) {
            SetError(ERROR_INSUFFICIENT_BUFFER);
            return 0;
        }
        memcpy(lpBuffer, full.c_str(), full.size() + 1);
    }
    return DWORD(full.size());
}

HLOCAL WINAPI LocalFree(HLOCAL hMem)
{
    DWORD err;
    if (Enter("LocalFree", &err)) {
        SetError(err);
        return hMem;
    }
    if (!hMem)
        return nullptr;
    auto it = M().localBlocks.find(hMem);
    if (it == M().localBlocks.end()) {
        SetError(ERROR_INVALID_HANDLE);
        return hMem;
    }
    M().localBlocks.erase(it);
    free(hMem);
    return nullptr;
}

UINT WINAPI WinExec(LPCSTR lpCmdLine, UINT uCmdShow)
{
    DWORD err;
    if (Enter("WinExec", &err)) {
        SetError(err);
        return 0;
    }
    if (!lpCmdLine)
        Unmodelled("WinExec", "a NULL command line");
    std::string line = lpCmdLine;
    std::string program;
    if (!line.empty() && line[0] == '"') {
        size_t close = line.find('"', 1);
        program =
            FindProgram(line.substr(1, close == std::string::npos ? std::string::npos : close - 1));
    } else {
        // Unquoted: every prefix that ends before a blank, shortest first, then the whole line;
        // the first that names a file wins.
        for (size_t i = 0; i <= line.size() && program.empty(); ++i) {
            if (i == line.size() || line[i] == ' ' || line[i] == '\t') {
                if (i > 0 && line[i - 1] != ' ' && line[i - 1] != '\t')
                    program = FindProgram(line.substr(0, i));
            }
        }
    }
    if (program.empty()) {
        SetError(ERROR_FILE_NOT_FOUND);
        return ERROR_FILE_NOT_FOUND;
    }
    M().journal.push_back("winexec " + std::to_string(uCmdShow) + "|" + line);
    M().processes.push_back({line, ArgumentText(line), uCmdShow, program});
    return 33;
}

int WINAPI lstrcmpA(LPCSTR lpString1, LPCSTR lpString2)
{
    EnterInfallible("lstrcmpA");
    if (!lpString1 || !lpString2)
        return lpString1 == lpString2 ? 0 : (lpString1 ? 1 : -1);
    int r = strcmp(lpString1, lpString2);
    return r < 0 ? -1 : r > 0 ? 1 : 0;
}

int WINAPI lstrcmpiA(LPCSTR lpString1, LPCSTR lpString2)
{
    EnterInfallible("lstrcmpiA");
    if (!lpString1 || !lpString2)
        return lpString1 == lpString2 ? 0 : (lpString1 ? 1 : -1);
    std::string a = Text(lpString1), b = Text(lpString2);
    // Upper-case both the way CharUpperA does for the code page.
    std::vector<char> ua(a.begin(), a.end()), ub(b.begin(), b.end());
    ua.push_back('\0');
    ub.push_back('\0');
    UpperInPlace(ua.data());
    UpperInPlace(ub.data());
    int r = strcmp(ua.data(), ub.data());
    return r < 0 ? -1 : r > 0 ? 1 : 0;
}

int WINAPI lstrlenA(LPCSTR lpString)
{
    EnterInfallible("lstrlenA");
    return lpString ? int(strlen(lpString)) : 0;
}

LPSTR WINAPI lstrcpynA(LPSTR lpString1, LPCSTR lpString2, int iMaxLength)
{
    EnterInfallible("lstrcpynA");
    if (!lpString1 || !lpString2)
        return nullptr;
    if (iMaxLength <= 0)
        return lpString1;
    int i = 0;
    for (; i < iMaxLength - 1 && lpString2[i]; ++i)
        lpString1[i] = lpString2[i];
    lpString1[i] = '\0';
    return lpString1;
}

} // extern "C"
