// Simulated profile (.ini) files: reading keys and sections, writing keys, as kernel32 does.
#include "internal.h"

#include <cstring>

using namespace winsim;
using namespace winsim::detail;

namespace
{

struct Line {
    std::string text; // without its line end
    std::string end;  // "\r\n", "\n" or "" for a last line without one
};

std::vector<Line> SplitLines(const std::string& content)
{
    std::vector<Line> lines;
    size_t i = 0;
    while (i < content.size()) {
        size_t j = content.find('\n', i);
        if (j == std::string::npos) {
            lines.push_back({content.substr(i), ""});
            break;
        }
        size_t textEnd = (j > i && content[j - 1] == '\r') ? j - 1 : j;
        lines.push_back({content.substr(i, textEnd - i), content.substr(textEnd, j + 1 - textEnd)});
        i = j + 1;
    }
    return lines;
}

bool SectionName(const std::string& line, std::string* name)
{
    std::string t = Trim(line);
    if (t.empty() || t[0] != '[')
        return false;
    size_t close = t.find(']');
    *name = Trim(t.substr(1, close == std::string::npos ? std::string::npos : close - 1));
    return true;
}

bool Ignored(const std::string& line)
{
    std::string t = Trim(line);
    return t.empty() || t[0] == ';';
}

// Splits "key = value" into trimmed parts; false for a line without '='.
bool KeyValue(const std::string& line, std::string* key, std::string* value)
{
    size_t eq = line.find('=');
    if (eq == std::string::npos)
        return false;
    *key = Trim(line.substr(0, eq));
    *value = Trim(line.substr(eq + 1));
    return true;
}

// A name without a folder lives in the Windows folder.
std::string ProfilePath(const char* call, LPCSTR file)
{
    if (!file || !*file)
        Unmodelled(call, "a missing file name");
    std::string name = file;
    if (name.find('\\') == std::string::npos && name.find('/') == std::string::npos &&
        name.find(':') == std::string::npos)
        name = M().windowsDir + "\\" + name;
    std::string canon = NormPath(name);
    if (canon.empty())
        Unmodelled(call, "the relative path \"" + std::string(file) + "\"");
    return canon;
}

// The index range [begin, end) of the section's body lines, or false when it is absent.
bool FindSection(const std::vector<Line>& lines, const std::string& app, size_t* begin, size_t* end)
{
    for (size_t i = 0; i < lines.size(); ++i) {
        std::string name;
        if (!SectionName(lines[i].text, &name) || !IEquals(name, app))
            continue;
        size_t j = i + 1;
        std::string other;
        while (j < lines.size() && !SectionName(lines[j].text, &other))
            ++j;
        *begin = i + 1;
        *end = j;
        return true;
    }
    return false;
}

// Fills a buffer with a double-NUL-terminated list the way the profile calls truncate it.
DWORD PutList(const std::vector<std::string>& items, LPSTR buffer, DWORD size)
{
    std::string all;
    for (const std::string& s : items)
        all += s + std::string(1, '\0');
    all += '\0';
    if (items.empty())
        all += '\0'; // an empty list reads as two NULs
    if (size == 0 || !buffer)
        return 0;
    if (all.size() <= size) {
        memcpy(buffer, all.data(), all.size());
        return items.empty() ? 0 : DWORD(all.size() - 1);
    }
    if (size < 2) {
        buffer[0] = '\0';
        return 0;
    }
    memcpy(buffer, all.data(), size - 2);
    buffer[size - 2] = '\0';
    buffer[size - 1] = '\0';
    return size - 2;
}

std::string Unquote(const std::string& v)
{
    if (v.size() >= 2 && (v[0] == '"' || v[0] == '\'') && v.back() == v[0])
        return v.substr(1, v.size() - 2);
    return v;
}

} // namespace

extern "C" {

DWORD WINAPI GetPrivateProfileStringA(LPCSTR lpAppName, LPCSTR lpKeyName, LPCSTR lpDefault,
                                      LPSTR lpReturnedString, DWORD nSize, LPCSTR lpFileName)
{
    DWORD err;
    bool fail = Enter("GetPrivateProfileStringA", &err);
    std::string path = ProfilePath("GetPrivateProfileStringA", lpFileName);
    if (!lpReturnedString || nSize == 0)
        return 0;
    FileNode* node = fail ? nullptr : FindNode(path);
    std::vector<Line> lines;
    if (node && !node->dir)
        lines = SplitLines(node->content);

    if (!lpAppName || !lpKeyName) {
        std::vector<std::string> names;
        if (!lpAppName) {
            std::string name;
            for (const Line& l : lines)
                if (SectionName(l.text, &name))
                    names.push_back(name);
        } else {
            size_t b, e;
            if (FindSection(lines, lpAppName, &b, &e))
                for (size_t i = b; i < e; ++i) {
                    std::string k, v;
                    if (!Ignored(lines[i].text) && KeyValue(lines[i].text, &k, &v))
                        names.push_back(k);
                }
        }
        if (fail)
            SetError(err);
        return PutList(names, lpReturnedString, nSize);
    }

    std::string value;
    bool found = false;
    size_t b, e;
    if (FindSection(lines, lpAppName, &b, &e)) {
        for (size_t i = b; i < e && !found; ++i) {
            std::string k, v;
            if (!Ignored(lines[i].text) && KeyValue(lines[i].text, &k, &v) &&
                IEquals(k, lpKeyName)) {
                value = Unquote(v);
                found = true;
            }
        }
    }
    if (!found) {
        value = lpDefault ? lpDefault : "";
        while (!value.empty() && value.back() == ' ')
            value.pop_back(); // Windows drops a default's trailing blanks
        SetError(fail ? err : ERROR_FILE_NOT_FOUND);
    }
    size_t n = value.size() < nSize - 1 ? value.size() : nSize - 1;
    memcpy(lpReturnedString, value.data(), n);
    lpReturnedString[n] = '\0';
    return DWORD(n);
}

DWORD WINAPI GetPrivateProfileSectionA(LPCSTR lpAppName, LPSTR lpReturnedString, DWORD nSize,
                                       LPCSTR lpFileName)
{
    DWORD err;
    bool fail = Enter("GetPrivateProfileSectionA", &err);
    std::string path = ProfilePath("GetPrivateProfileSectionA", lpFileName);
    if (!lpAppName)
        Unmodelled("GetPrivateProfileSectionA", "a NULL section name");
    std::vector<std::string> items;
    FileNode* node = fail ? nullptr : FindNode(path);
    if (node && !node->dir) {
        std::vector<Line> lines = SplitLines(node->content);
        size_t b, e;
        if (FindSection(lines, lpAppName, &b, &e))
            for (size_t i = b; i < e; ++i) {
                if (Ignored(lines[i].text))
                    continue;
                std::string k, v;
                items.push_back(KeyValue(lines[i].text, &k, &v) ? k + "=" + v
                                                                : Trim(lines[i].text));
            }
    }
    if (fail)
        SetError(err);
    return PutList(items, lpReturnedString, nSize);
}

BOOL WINAPI WritePrivateProfileStringA(LPCSTR lpAppName, LPCSTR lpKeyName, LPCSTR lpString,
                                       LPCSTR lpFileName)
{
    DWORD err;
    if (Enter("WritePrivateProfileStringA", &err)) {
        SetError(err);
        return FALSE;
    }
    std::string path = ProfilePath("WritePrivateProfileStringA", lpFileName);
    if (!lpAppName)
        Unmodelled("WritePrivateProfileStringA", "a NULL section name");
    FileNode* node = FindNode(path);
    if (node && (node->dir || (node->attributes & FILE_ATTRIBUTE_READONLY))) {
        SetError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    if (!node) {
        FileNode* parent = FindNode(ParentPath(path));
        if (!parent || !parent->dir) {
            SetError(ERROR_PATH_NOT_FOUND);
            return FALSE;
        }
    }
    std::vector<Line> lines = node ? SplitLines(node->content) : std::vector<Line>();
    size_t b, e;
    bool haveSection = FindSection(lines, lpAppName, &b, &e);
    if (!lpKeyName) {
        // Removes the whole section, header included.
        if (haveSection)
            lines.erase(lines.begin() + long(b) - 1, lines.begin() + long(e));
    } else {
        std::string newLine = std::string(lpKeyName) + "=" + (lpString ? lpString : "");
        size_t at = std::string::npos;
        if (haveSection)
            for (size_t i = b; i < e && at == std::string::npos; ++i) {
                std::string k, v;
                if (!Ignored(lines[i].text) && KeyValue(lines[i].text, &k, &v) &&
                    IEquals(k, lpKeyName))
                    at = i;
            }
        if (at != std::string::npos) {
            if (lpString)
                lines[at].text = newLine;
            else
                lines.erase(lines.begin() + long(at));
        } else if (lpString) {
            if (!lines.empty() && lines.back().end.empty())
                lines.back().end = "\r\n";
            if (haveSection) {
                // After the section's last line that is not blank.
                size_t pos = e;
                while (pos > b && Trim(lines[pos - 1].text).empty())
                    --pos;
                lines.insert(lines.begin() + long(pos), Line{newLine, "\r\n"});
            } else {
                lines.push_back({"[" + std::string(lpAppName) + "]", "\r\n"});
                lines.push_back({newLine, "\r\n"});
            }
        }
    }
    std::string content;
    for (const Line& l : lines)
        content += l.text + l.end;
    if (node)
        node->content = content;
    else
        PutNode(path, content, FILE_ATTRIBUTE_ARCHIVE, false);
    return TRUE;
}

} // extern "C"
