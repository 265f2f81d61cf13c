// Symbols and lists, and opening the INF file that defines the symbols and the file sections.
#include "state.h"

namespace tk
{

namespace
{
// The section of the INF file that holds the symbols as NAME=value lines.
constexpr const char* kSymbolSection = "Symbols";
// A section larger than this is taken for a damaged file rather than read on.
constexpr DWORD kMaxSectionBytes = 16u << 20;

bool IsComment(const std::string& line)
{
    std::string t = Trim(line);
    return t.empty() || t[0] == ';';
}
} // namespace

bool ReadProfileSection(const std::string& file, const char* section,
                        std::vector<std::string>* lines)
{
    lines->clear();
    // The profile API says a section was cut by returning size - 2, so grow until it is not.
    std::vector<char> buffer(4096);
    DWORD got;
    for (;;) {
        got = GetPrivateProfileSectionA(section, buffer.data(), static_cast<DWORD>(buffer.size()),
                                        file.c_str());
        if (got != buffer.size() - 2)
            break;
        if (buffer.size() >= kMaxSectionBytes) {
            SetLastError(ERROR_NOT_ENOUGH_MEMORY);
            return false;
        }
        buffer.resize(buffer.size() * 2);
    }
    if (got >= buffer.size())
        got = static_cast<DWORD>(buffer.size() - 1);
    size_t at = 0;
    while (at < got && buffer[at] != '\0') {
        std::string line(&buffer[at]);
        at += line.size() + 1;
        lines->push_back(line);
    }
    return true;
}

bool ParseSymbolLines(const std::vector<std::string>& lines, bool strict)
{
    std::vector<std::pair<std::string, std::string>> parsed;
    for (const std::string& line : lines) {
        if (IsComment(line))
            continue;
        size_t equals = line.find('=');
        std::string name =
            equals == std::string::npos ? std::string() : Trim(line.substr(0, equals));
        if (name.empty()) {
            if (strict) {
                SetLastError(ERROR_BAD_FORMAT);
                return false;
            }
            continue;
        }
        parsed.emplace_back(name, Unquote(line.substr(equals + 1)));
    }
    // The profile API answers a key with its first definition; symbols follow the same rule.
    std::map<std::string, bool, NoCaseLess> seen;
    for (const auto& entry : parsed) {
        if (seen.count(entry.first))
            continue;
        seen[entry.first] = true;
        St().symbols[entry.first] = entry.second;
    }
    return true;
}

bool OpenInf(const char* path, bool checkSyntax)
{
    if (!path || !*path) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    std::string file = path;
    // A bare file name is where the profile API looks for it: in the Windows directory.
    if (file.find_first_of("\\/:") == std::string::npos) {
        char windows[MAX_PATH];
        UINT n = GetWindowsDirectoryA(windows, sizeof windows);
        if (n == 0 || n >= sizeof windows) {
            SetLastError(ERROR_PATH_NOT_FOUND);
            return false;
        }
        file = JoinPath(windows, file);
    }
    if (!IsFile(file)) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return false;
    }
    std::vector<std::string> lines;
    if (!ReadProfileSection(file, kSymbolSection, &lines))
        return false;

    size_t cut = file.find_last_of("\\/");
    std::string folder = cut == std::string::npos ? std::string() : file.substr(0, cut + 1);
    auto saved = St().symbols;
    St().symbols["STF_SRCDIR"] = folder;
    // The file's own definitions, STF_SRCDIR included, replace what was there before.
    std::map<std::string, std::string, NoCaseLess> before;
    before.swap(St().symbols);
    if (!ParseSymbolLines(lines, checkSyntax)) {
        St().symbols = saved;
        return false;
    }
    for (auto& entry : before)
        St().symbols.emplace(entry.first, entry.second); // keeps the file's value on a clash
    St().infPath = file;
    return true;
}

std::string OpenInfPath()
{
    return St().infPath;
}

bool HaveSymbol(const std::string& name)
{
    return St().symbols.count(name) != 0;
}

std::string Symbol(const std::string& name)
{
    auto it = St().symbols.find(name);
    return it == St().symbols.end() ? std::string() : it->second;
}

void SetSymbol(const std::string& name, const std::string& value)
{
    St().symbols[name] = value;
}

std::vector<std::string>* FindList(const std::string& name)
{
    auto it = St().lists.find(name);
    return it == St().lists.end() ? nullptr : &it->second;
}

std::vector<std::string>& List(const std::string& name)
{
    return St().lists[name];
}

} // namespace tk
