// Simulated advapi32 registry calls: keys opened with access rights, typed values as raw bytes.
#include "internal.h"

#include <algorithm>
#include <cstring>

using namespace winsim;
using namespace winsim::detail;

#define ERROR_NOACCESS 998L

namespace
{

const REGSAM kKnownAccess = KEY_ALL_ACCESS | KEY_WOW64_64KEY | KEY_WOW64_32KEY;

bool RootName(HKEY key, std::string* name)
{
    switch (uintptr_t(key)) {
    case 0x80000000:
        *name = "HKCR";
        return true;
    case 0x80000001:
        *name = "HKCU";
        return true;
    case 0x80000002:
        *name = "HKLM";
        return true;
    case 0x80000003:
        *name = "HKU";
        return true;
    }
    return false;
}

// The key a handle stands for, with the rights it was opened with; false for no handle.
bool Resolve(HKEY key, std::string* path, REGSAM* access)
{
    std::string root;
    if (RootName(key, &root)) {
        *path = root;
        *access = KEY_ALL_ACCESS;
        return true;
    }
    auto it = M().openKeys.find(uintptr_t(key));
    if (it == M().openKeys.end())
        return false;
    *path = M().keys[it->second.key].path;
    *access = it->second.access;
    return true;
}

bool CheckSubKey(const char* call, LPCSTR sub)
{
    if (!sub || !*sub)
        return true;
    if (sub[0] == '\\')
        Unmodelled(call, "a subkey path with a leading backslash");
    if (strstr(sub, "\\\\"))
        Unmodelled(call, "a subkey path with an empty component");
    return true;
}

std::string Join(const std::string& base, LPCSTR sub)
{
    if (!sub || !*sub)
        return base;
    std::string s = sub;
    if (s.back() == '\\')
        s.pop_back();
    return base + "\\" + s;
}

HKEY NewKeyHandle(const std::string& path, REGSAM access)
{
    uintptr_t h = NewHandle();
    M().openKeys[h] = {Upper(FindKey(path)->path), access};
    return reinterpret_cast<HKEY>(h);
}

void CheckAccess(const char* call, REGSAM sam)
{
    if (sam & ~kKnownAccess)
        Unmodelled(call, "these access rights");
}

} // namespace

extern "C" {

LONG WINAPI RegOpenKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD ulOptions, REGSAM samDesired,
                          PHKEY phkResult)
{
    DWORD err;
    if (Enter("RegOpenKeyExA", &err)) {
        if (phkResult)
            *phkResult = nullptr;
        return LONG(err);
    }
    if (ulOptions)
        Unmodelled("RegOpenKeyExA", "options");
    CheckAccess("RegOpenKeyExA", samDesired);
    if (!phkResult)
        return ERROR_INVALID_PARAMETER;
    *phkResult = nullptr;
    std::string base;
    REGSAM parentAccess;
    if (!Resolve(hKey, &base, &parentAccess))
        return ERROR_INVALID_HANDLE;
    CheckSubKey("RegOpenKeyExA", lpSubKey);
    std::string path = Join(base, lpSubKey);
    if (!FindKey(path))
        return ERROR_FILE_NOT_FOUND;
    *phkResult = NewKeyHandle(path, samDesired);
    return ERROR_SUCCESS;
}

LONG WINAPI RegCreateKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD Reserved, LPSTR lpClass,
                            DWORD dwOptions, REGSAM samDesired,
                            LPSECURITY_ATTRIBUTES lpSecurityAttributes, PHKEY phkResult,
                            LPDWORD lpdwDisposition)
{
    DWORD err;
    if (Enter("RegCreateKeyExA", &err)) {
        if (phkResult)
            *phkResult = nullptr;
        return LONG(err);
    }
    (void)Reserved;
    (void)lpClass;
    if (dwOptions & ~DWORD(REG_OPTION_VOLATILE))
        Unmodelled("RegCreateKeyExA", "options other than volatile or non-volatile");
    if (lpSecurityAttributes)
        Unmodelled("RegCreateKeyExA", "security attributes");
    CheckAccess("RegCreateKeyExA", samDesired);
    if (!phkResult)
        return ERROR_INVALID_PARAMETER;
    *phkResult = nullptr;
    std::string base;
    REGSAM parentAccess;
    if (!Resolve(hKey, &base, &parentAccess))
        return ERROR_INVALID_HANDLE;
    if (!lpSubKey)
        return ERROR_INVALID_PARAMETER;
    CheckSubKey("RegCreateKeyExA", lpSubKey);
    std::string path = Join(base, lpSubKey);
    bool existed = FindKey(path) != nullptr;
    if (!existed && !(parentAccess & KEY_CREATE_SUB_KEY))
        return ERROR_ACCESS_DENIED;
    EnsureKey(path);
    if (lpdwDisposition)
        *lpdwDisposition = existed ? REG_OPENED_EXISTING_KEY : REG_CREATED_NEW_KEY;
    *phkResult = NewKeyHandle(path, samDesired);
    return ERROR_SUCCESS;
}

LONG WINAPI RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType,
                             LPBYTE lpData, LPDWORD lpcbData)
{
    DWORD err;
    if (Enter("RegQueryValueExA", &err))
        return LONG(err);
    if (lpReserved)
        return ERROR_INVALID_PARAMETER;
    std::string path;
    REGSAM access;
    if (!Resolve(hKey, &path, &access))
        return ERROR_INVALID_HANDLE;
    if (!(access & KEY_QUERY_VALUE))
        return ERROR_ACCESS_DENIED;
    if (lpData && !lpcbData)
        return ERROR_INVALID_PARAMETER;
    RegKey* key = FindKey(path);
    RegValue* v = key ? FindValue(*key, lpValueName ? lpValueName : "") : nullptr;
    if (!v)
        return ERROR_FILE_NOT_FOUND;
    if (lpType)
        *lpType = v->type;
    DWORD size = DWORD(v->data.size());
    if (lpData && *lpcbData < size) {
        *lpcbData = size;
        return ERROR_MORE_DATA;
    }
    if (lpData && size)
        memcpy(lpData, v->data.data(), size);
    if (lpcbData)
        *lpcbData = size;
    return ERROR_SUCCESS;
}

LONG WINAPI RegSetValueExA(HKEY hKey, LPCSTR lpValueName, DWORD Reserved, DWORD dwType,
                           const BYTE* lpData, DWORD cbData)
{
    DWORD err;
    if (Enter("RegSetValueExA", &err))
        return LONG(err);
    (void)Reserved;
    std::string path;
    REGSAM access;
    if (!Resolve(hKey, &path, &access))
        return ERROR_INVALID_HANDLE;
    if (!(access & KEY_SET_VALUE))
        return ERROR_ACCESS_DENIED;
    if (!lpData && cbData)
        return ERROR_NOACCESS;
    RegKey* key = FindKey(path);
    if (!key)
        return ERROR_KEY_DELETED;
    // Stored as handed over. Windows also keeps a terminating NUL that a text value's byte count
    // left out when the byte after the data is NUL; doing that here would read past the
    // caller's buffer, so tests see exactly the count the program passed.
    SetValue(*key, lpValueName ? lpValueName : "", dwType,
             std::string(reinterpret_cast<const char*>(lpData), lpData ? cbData : 0));
    return ERROR_SUCCESS;
}

LONG WINAPI RegDeleteValueA(HKEY hKey, LPCSTR lpValueName)
{
    DWORD err;
    if (Enter("RegDeleteValueA", &err))
        return LONG(err);
    std::string path;
    REGSAM access;
    if (!Resolve(hKey, &path, &access))
        return ERROR_INVALID_HANDLE;
    if (!(access & KEY_SET_VALUE))
        return ERROR_ACCESS_DENIED;
    RegKey* key = FindKey(path);
    std::string name = lpValueName ? lpValueName : "";
    if (!key || !FindValue(*key, name))
        return ERROR_FILE_NOT_FOUND;
    key->values.erase(std::remove_if(key->values.begin(), key->values.end(),
                                     [&](const RegValue& v) { return IEquals(v.name, name); }),
                      key->values.end());
    return ERROR_SUCCESS;
}

LONG WINAPI RegCloseKey(HKEY hKey)
{
    DWORD err;
    if (Enter("RegCloseKey", &err))
        return LONG(err);
    std::string root;
    if (RootName(hKey, &root))
        return ERROR_SUCCESS;
    if (M().openKeys.erase(uintptr_t(hKey)) == 0)
        return ERROR_INVALID_HANDLE;
    return ERROR_SUCCESS;
}

} // extern "C"
