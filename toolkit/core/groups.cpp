// Program groups as folders of the common Start Menu, and items as shell links in them.
#include "state.h"

#include <cstring>

namespace tk
{

bool ValidName(const std::string& name)
{
    if (name.empty() || name.find_first_not_of('.') == std::string::npos)
        return false;
    for (const char* p = name.c_str(); *p; p = CharNextA(p)) {
        unsigned char c = static_cast<unsigned char>(*p);
        if (CharNextA(p) - p == 1 && (c < 0x20 || std::strchr("<>:\"/\\|?*", c)))
            return false;
    }
    return true;
}

namespace
{
std::string GroupFolder(const char* group)
{
    return Ui().ProgramsFolder() + "\\" + group;
}

bool CheckGroup(const char* group)
{
    if (!group || !ValidName(group)) {
        SetLastError(ERROR_INVALID_NAME);
        return false;
    }
    return true;
}
} // namespace

bool CreateGroup(const char* group)
{
    if (!CheckGroup(group))
        return false;
    if (!MakeFolders(GroupFolder(group))) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return false;
    }
    Ui().Log(std::string("group ") + group);
    return true;
}

bool ShowGroup(const char* group)
{
    if (!CheckGroup(group))
        return false;
    if (!IsFolder(GroupFolder(group))) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return false;
    }
    Ui().Log(std::string("group-shown ") + group);
    return true;
}

void SplitCommandLine(const std::string& commandLine, std::string* target, std::string* arguments)
{
    std::string text = Trim(commandLine);
    target->clear();
    arguments->clear();
    if (!text.empty() && text[0] == '"') {
        size_t close = text.find('"', 1);
        if (close == std::string::npos) {
            *target = text.substr(1);
            return;
        }
        *target = text.substr(1, close - 1);
        *arguments = Trim(text.substr(close + 1));
        return;
    }
    // Unquoted: the program is the shortest prefix ending before a blank that names an
    // existing file, so "C:\Program Files\x.exe -a" finds x.exe when it exists.
    for (size_t blank = text.find_first_of(" \t"); blank != std::string::npos;
         blank = text.find_first_of(" \t", blank + 1)) {
        std::string candidate = text.substr(0, blank);
        if (IsFile(candidate)) {
            *target = candidate;
            *arguments = Trim(text.substr(blank + 1));
            return;
        }
    }
    *target = text;
}

bool CreateItem(const char* group, const char* item, const char* commandLine)
{
    if (!CheckGroup(group))
        return false;
    if (!item || !ValidName(item) || !commandLine) {
        SetLastError(!commandLine ? ERROR_INVALID_PARAMETER : ERROR_INVALID_NAME);
        return false;
    }
    std::string folder = GroupFolder(group);
    if (!IsFolder(folder)) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return false;
    }
    std::string target, arguments;
    SplitCommandLine(commandLine, &target, &arguments);
    if (!Ui().WriteLink(folder + "\\" + item + ".lnk", target, arguments))
        return false;
    Ui().Log(std::string("item ") + group + "|" + item + "|" + commandLine);
    return true;
}

} // namespace tk
