// Brinmoor: points the installation source paths at the medium until the next log-on, then back.
//
// Run with "0" it backs up "SourcePath" and "ServicePackSourcePath", points them at its own
// directory, copies itself to a local directory and registers that copy to run with "1" at the
// next log-on; that run puts the former values back and removes its start-up entry. It opens no
// window, reports nothing and always ends with exit code 0. It uses kernel32 and advapi32 only
// and no C library, so its few text helpers are its own; none writes past its buffer, and a
// path or command that does not fit skips the step that needs it rather than using a cut text.
#include "platform.h"

static const char setupKeyPath[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Setup";
static const char runKeyPath[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
static const char startupValueName[] = "SOURCE_PATH_UPDATE_STARTUP_RUNONCE_ZELNORA_TECH";

// Each live value and the value that keeps what it held before the first redirect.
static const char* const valuePairs[][2] = {
    {"SourcePath", "SourcePath.BackupByZelnora"},
    {"ServicePackSourcePath", "ServicePackSourcePath.BackupByZelnora"},
};

// Query and set, and nothing more, even where a key is only deleted from.
static const REGSAM keyAccess = KEY_QUERY_VALUE | KEY_SET_VALUE;

enum { PathSize = MAX_PATH, CommandSize = MAX_PATH + 4 };

// Registry data are read whole: into the ordinary buffer, or, for a value that does not fit it,
// into the large one, which holds any legal path text. A value longer still cannot be kept, so
// it is never overwritten.
static BYTE valueData[256];
static BYTE largeValueData[65536];

static DWORD TextLength(LPCSTR text)
{
    DWORD length = 0;
    while (text[length] != '\0')
        length++;
    return length;
}

// Appends text at *length; fails, leaving the buffer as it was, when the result would not fit.
static BOOL AppendText(LPSTR buffer, DWORD capacity, DWORD* length, LPCSTR text)
{
    DWORD added = TextLength(text);
    if (*length + added >= capacity)
        return FALSE;
    for (DWORD i = 0; i <= added; i++)
        buffer[*length + i] = text[i];
    *length += added;
    return TRUE;
}

static BOOL SameTextIgnoringCase(LPCSTR left, LPCSTR right)
{
    for (;; left++, right++) {
        char l = *left, r = *right;
        if (l >= 'a' && l <= 'z')
            l = (char)(l - 'a' + 'A');
        if (r >= 'a' && r <= 'z')
            r = (char)(r - 'a' + 'A');
        if (l != r)
            return FALSE;
        if (l == '\0')
            return TRUE;
    }
}

// The size is asked first so that a value longer than the ordinary buffer is still read whole.
static LONG ReadValue(HKEY key, LPCSTR name, DWORD* type, BYTE** data, DWORD* count)
{
    DWORD size = 0;
    LONG result = RegQueryValueExA(key, name, NULL, type, NULL, &size);
    if (result != ERROR_SUCCESS)
        return result;
    BYTE* buffer = valueData;
    DWORD capacity = sizeof valueData;
    if (size > capacity) {
        buffer = largeValueData;
        capacity = sizeof largeValueData;
    }
    if (size > capacity)
        return ERROR_MORE_DATA;
    *count = capacity;
    result = RegQueryValueExA(key, name, NULL, type, buffer, count);
    if (result == ERROR_SUCCESS)
        *data = buffer;
    return result;
}

static LONG WriteText(HKEY key, LPCSTR name, LPCSTR text)
{
    return RegSetValueExA(key, name, 0, REG_SZ, (const BYTE*)text, TextLength(text));
}

// A live value is overwritten only once what it held is kept in its backup, or when it is
// plainly absent: a read or write that fails for any other reason leaves the pair untouched,
// since a backup may be there or the live value may still be the only copy of the original.
static void RedirectPair(HKEY key, LPCSTR liveName, LPCSTR backupName, LPCSTR directory)
{
    DWORD type = REG_SZ, count = 0;
    LONG result = RegQueryValueExA(key, backupName, NULL, &type, NULL, &count);
    if (result == ERROR_SUCCESS && count > 0) {
        // A second redirect keeps the backup made before the first one.
        WriteText(key, liveName, directory);
        return;
    }
    if (result != ERROR_SUCCESS && result != ERROR_FILE_NOT_FOUND)
        return;

    BYTE* data = NULL;
    result = ReadValue(key, liveName, &type, &data, &count);
    if (result == ERROR_SUCCESS) {
        // The backup keeps the type and bytes as read, so an expandable path stays expandable.
        if (RegSetValueExA(key, backupName, 0, type, data, count) != ERROR_SUCCESS)
            return;
    } else if (result != ERROR_FILE_NOT_FOUND) {
        return;
    }
    WriteText(key, liveName, directory);
}

// The backup goes only once the live value holds its data again. An empty backup stands for
// nothing to put back: it is deleted and the live value left as it is.
static void RestorePair(HKEY key, LPCSTR liveName, LPCSTR backupName)
{
    DWORD type = REG_SZ, count = 0;
    BYTE* data = NULL;
    if (ReadValue(key, backupName, &type, &data, &count) != ERROR_SUCCESS)
        return;
    if (count > 0 && RegSetValueExA(key, liveName, 0, type, data, count) != ERROR_SUCCESS)
        return;
    RegDeleteValueA(key, backupName);
}

void UpdateSourcePaths(int restore, LPCSTR directory)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, setupKeyPath, 0, keyAccess, &key) != ERROR_SUCCESS)
        return;
    for (const auto& pair : valuePairs) {
        if (restore)
            RestorePair(key, pair[0], pair[1]);
        else
            RedirectPair(key, pair[0], pair[1], directory);
    }
    RegCloseKey(key);
}

void WriteStartupEntry(LPCSTR command)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, runKeyPath, 0, keyAccess, &key) != ERROR_SUCCESS)
        return;
    WriteText(key, startupValueName, command);
    RegCloseKey(key);
}

void DeleteStartupEntry()
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, runKeyPath, 0, keyAccess, &key) != ERROR_SUCCESS)
        return;
    RegDeleteValueA(key, startupValueName);
    RegCloseKey(key);
}

// The temporary directory, unless it is the medium itself or cannot be written to; then the
// Windows directory. Fails only when neither can be had whole.
static BOOL ChooseCopyDirectory(LPCSTR ownDirectory, LPSTR copyDirectory)
{
    DWORD length = GetTempPathA(PathSize, copyDirectory);
    if (length > 0 && length < PathSize && !SameTextIgnoringCase(copyDirectory, ownDirectory) &&
        !(GetFileAttributesA(copyDirectory) & FILE_ATTRIBUTE_READONLY))
        return TRUE;

    length = GetWindowsDirectoryA(copyDirectory, PathSize);
    if (length == 0 || length >= PathSize)
        return FALSE;
    // A root directory already ends with its backslash.
    if (copyDirectory[length - 1] != '\\')
        return AppendText(copyDirectory, PathSize, &length, "\\");
    return TRUE;
}

static void RedirectSourcePaths()
{
    char modulePath[PathSize];
    DWORD length = GetModuleFileNameA(NULL, modulePath, PathSize);
    // A cut module path is not NUL-terminated on every system and names no file.
    if (length == 0 || length >= PathSize)
        return;

    DWORD cut = 0;
    for (DWORD i = 0; i < length; i++) {
        if (modulePath[i] == '\\')
            cut = i + 1;
    }
    if (cut == 0)
        return;
    char ownDirectory[PathSize];
    for (DWORD i = 0; i < cut; i++)
        ownDirectory[i] = modulePath[i];
    ownDirectory[cut] = '\0';
    LPCSTR fileName = modulePath + cut;

    UpdateSourcePaths(0, ownDirectory);

    char copyPath[PathSize];
    if (!ChooseCopyDirectory(ownDirectory, copyPath))
        return;
    length = TextLength(copyPath);
    if (!AppendText(copyPath, PathSize, &length, fileName))
        return;

    CopyFileA(modulePath, copyPath, FALSE);
    // The medium is usually read-only, and so is the copy at first; the restore run and a later
    // setup must be able to replace it.
    DWORD attributes = GetFileAttributesA(copyPath);
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        attributes &= ~(DWORD)FILE_ATTRIBUTE_READONLY;
        SetFileAttributesA(copyPath, attributes != 0 ? attributes : FILE_ATTRIBUTE_NORMAL);
    }

    // Quoted, since the temporary directory often holds blanks: Windows would otherwise start
    // whatever program the path names up to its first blank, and the copy would find its
    // argument text somewhere inside its own path. The copy still sees "1" as its first
    // character, after the quoted name and the blank.
    char command[CommandSize];
    length = 0;
    if (AppendText(command, CommandSize, &length, "\"") &&
        AppendText(command, CommandSize, &length, copyPath) &&
        AppendText(command, CommandSize, &length, "\" 1"))
        WriteStartupEntry(command);
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR argumentText, int)
{
    if (argumentText == NULL)
        return 0;
    if (argumentText[0] == '1') {
        UpdateSourcePaths(1, NULL);
        DeleteStartupEntry();
    } else if (argumentText[0] == '0') {
        RedirectSourcePaths();
    }
    return 0;
}
