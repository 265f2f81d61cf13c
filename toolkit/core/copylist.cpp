// The copy list: files named by the INF file's sections, copied from a source to a destination.
#include "state.h"

namespace tk
{

void ResetCopyList()
{
    St().copyList.clear();
}

const std::vector<CopyItem>& CopyList()
{
    return St().copyList;
}

bool AddSectionFiles(const char* section, const char* sourceDir, const char* destDir)
{
    if (!section || !*section || !sourceDir || !destDir) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    if (St().infPath.empty()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    std::vector<std::string> lines;
    if (!ReadProfileSection(St().infPath, section, &lines))
        return false;
    // A section that is absent lists no files, like an empty one.
    for (const std::string& line : lines) {
        std::string name = Unquote(line);
        if (name.empty() || name[0] == ';')
            continue;
        St().copyList.push_back({JoinPath(sourceDir, name), JoinPath(destDir, name)});
    }
    return true;
}

namespace
{
// The folder that holds path; a drive root keeps its backslash ("C:\\"), since "C:" alone
// would name the drive's current folder instead.
std::string Folder(const std::string& path)
{
    size_t cut = path.find_last_of("\\/");
    if (cut == std::string::npos)
        return std::string();
    if (cut == 2 && path[1] == ':')
        return path.substr(0, 3);
    return path.substr(0, cut);
}

int Refuse(HWND parent, const CopyItem& item)
{
    DWORD error = GetLastError();
    std::string text =
        "Setup could not copy the file\n" + item.source + "\nto\n" + item.destination + ".";
    NoteMessage(text);
    Ui().Progress(0, 0);
    Ui().ShowMessage(parent, text.c_str(), "Setup", MB_OK | MB_ICONSTOP);
    SetLastError(error);
    return 1;
}
} // namespace

int CopyFiles(HWND parent)
{
    const std::vector<CopyItem>& list = St().copyList;
    for (size_t i = 0; i < list.size(); ++i) {
        const CopyItem& item = list[i];
        Ui().Progress(i, list.size());
        std::string folder = Folder(item.destination);
        if (!folder.empty())
            MakeFolders(folder);
        // An earlier install may have left a read-only copy; replacing it is the point.
        DWORD attributes = GetFileAttributesA(item.destination.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY) &&
            (attributes & FILE_ATTRIBUTE_READONLY))
            SetFileAttributesA(item.destination.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
        if (!CopyFileA(item.source.c_str(), item.destination.c_str(), FALSE))
            return Refuse(parent, item);
        Ui().Log("copy " + item.source + " -> " + item.destination);
    }
    if (!list.empty())
        Ui().Progress(list.size(), list.size());
    Ui().Progress(0, 0);
    return 0;
}

} // namespace tk
