// The toolkit state record, the front-end hook, and the text and path helpers of the core.
#include "resources.h"
#include "state.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace tk
{

namespace
{
Frontend* gFrontend = nullptr;

State& Storage()
{
    static State state;
    return state;
}
} // namespace

State& St()
{
    return Storage();
}

void SetFrontend(Frontend* frontend)
{
    gFrontend = frontend;
}

Frontend& Ui()
{
    if (!gFrontend) {
        std::fputs("toolkit: no front end installed\n", stderr);
        std::abort();
    }
    return *gFrontend;
}

void Reset()
{
    Storage() = State();
}

bool NoCaseLess::operator()(const std::string& a, const std::string& b) const
{
    size_t n = a.size() < b.size() ? a.size() : b.size();
    for (size_t i = 0; i < n; ++i) {
        int x = std::tolower(static_cast<unsigned char>(a[i]));
        int y = std::tolower(static_cast<unsigned char>(b[i]));
        if (x != y)
            return x < y;
    }
    return a.size() < b.size();
}

bool EqualNoCase(const std::string& a, const std::string& b)
{
    NoCaseLess less;
    return !less(a, b) && !less(b, a);
}

int CopyOut(const std::string& value, char* buffer, int limit)
{
    if (buffer && limit > 0) {
        size_t n = value.size();
        if (n > static_cast<size_t>(limit - 1))
            n = static_cast<size_t>(limit - 1);
        std::memcpy(buffer, value.data(), n);
        buffer[n] = '\0';
    }
    // A value longer than any int could say is reported as the largest, which still reads as
    // "did not fit" for every limit.
    return value.size() > 0x7fffffff ? 0x7fffffff : static_cast<int>(value.size());
}

std::string Trim(const std::string& text)
{
    size_t begin = text.find_first_not_of(" \t");
    if (begin == std::string::npos)
        return std::string();
    size_t end = text.find_last_not_of(" \t");
    return text.substr(begin, end - begin + 1);
}

std::string Unquote(const std::string& text)
{
    std::string t = Trim(text);
    if (t.size() >= 2 && t.front() == '"' && t.back() == '"')
        return t.substr(1, t.size() - 2);
    return t;
}

bool EndsWithBackslash(const std::string& path)
{
    const char* p = path.c_str();
    const char* last = nullptr;
    while (*p) {
        last = p;
        p = CharNextA(p);
    }
    return last && p - last == 1 && *last == '\\';
}

std::string JoinPath(const std::string& dir, const std::string& name)
{
    if (dir.empty())
        return name;
    if (EndsWithBackslash(dir) || dir.back() == '/')
        return dir + name;
    return dir + "\\" + name;
}

bool IsFile(const std::string& path)
{
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool IsFolder(const std::string& path)
{
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool MakeFolders(const std::string& path)
{
    // Each prefix that ends before a separator is a folder to make, except the root part:
    // "C:\" or "\\server\share\".
    size_t start = 0;
    if (path.size() >= 2 && path[1] == ':')
        start = 3;
    else if (path.compare(0, 2, "\\\\") == 0) {
        size_t server = path.find('\\', 2);
        size_t share = server == std::string::npos ? server : path.find('\\', server + 1);
        start = share == std::string::npos ? path.size() : share + 1;
    }
    const char* base = path.c_str();
    for (const char* p = base + (start < path.size() ? start : path.size()); *p; p = CharNextA(p)) {
        if ((*p == '\\' || *p == '/') && p > base) {
            std::string prefix(base, p);
            if (!IsFolder(prefix))
                CreateDirectoryA(prefix.c_str(), nullptr);
        }
    }
    if (!IsFolder(path))
        CreateDirectoryA(path.c_str(), nullptr);
    return IsFolder(path);
}

bool IsDialogId(int id)
{
    switch (id) {
    case kDialogInfo:
    case kDialogQuit:
    case kDialogFatal:
    case kDialogHelp:
    case kDialogCustomInstall:
    case kDialogCustomInstallNoDriver:
    case kDialogBadPath:
        return true;
    default:
        return false;
    }
}

bool IsCustomInstallDialog(int id)
{
    return id == kDialogCustomInstall || id == kDialogCustomInstallNoDriver;
}

bool IsBitmapId(int id)
{
    return id == kBitmapNone || id == kBitmapFrame;
}

bool IsDialogProc(const char* name)
{
    static const char* const procs[] = {"FInfoDlgProc", "FInfo0DlgProc", "FQuitDlgProc",
                                        "FCustInstDlgProc", "FHelpDlgProc"};
    if (!name)
        return false;
    for (const char* proc : procs)
        if (std::strcmp(name, proc) == 0)
            return true;
    return false;
}

bool IsDialogLibrary(const char* name)
{
    if (!name)
        return false;
    std::string text = name;
    size_t slash = text.find_last_of("\\/");
    if (slash != std::string::npos)
        text.erase(0, slash + 1);
    return EqualNoCase(text, kDialogLibrary);
}

} // namespace tk
