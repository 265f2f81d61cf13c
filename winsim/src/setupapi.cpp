// Simulated device installation: classes, device sets and properties, install parameters, the
// class installer, selected-driver details, INF files and their AddReg sections, device IDs.
#include "internal.h"

#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>

using namespace winsim;
using namespace winsim::detail;

namespace
{

DeviceSet* FindSet(HDEVINFO set)
{
    auto it = M().sets.find(uintptr_t(set));
    return it == M().sets.end() ? nullptr : &it->second;
}

// The set's element for a device record the caller holds; sets the last error when invalid.
Element* ElementOf(HDEVINFO set, PSP_DEVINFO_DATA data, const char* call)
{
    DeviceSet* s = FindSet(set);
    if (!s) {
        SetError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    if (!data)
        Unmodelled(call, "a NULL device element (set-wide operation)");
    if (data->cbSize != sizeof(SP_DEVINFO_DATA) || data->Reserved != uintptr_t(set)) {
        SetError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto found = s->byDevInst.find(int(data->DevInst));
    if (found != s->byDevInst.end())
        return &s->members[found->second];
    SetError(ERROR_INVALID_PARAMETER);
    return nullptr;
}

DeviceRec& DevOf(const Element& e)
{
    return M().devices[size_t(e.devInst)];
}

std::string MultiSz(const std::vector<std::string>& items)
{
    std::string out;
    for (const std::string& s : items)
        out += s + std::string(1, '\0');
    out += '\0';
    return out;
}

void CopyField(char* dst, size_t size, const std::string& text)
{
    size_t n = text.size() < size - 1 ? text.size() : size - 1;
    memcpy(dst, text.data(), n);
    dst[n] = '\0';
}

void RememberParams(const Element& e)
{
    DevOf(e).last = {e.flags, e.flagsEx, e.driverPath};
}

// ---- INF files

// Drops a comment (outside quotes) and the blanks around the line.
std::string StripComment(const std::string& line)
{
    bool quoted = false;
    for (size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '"')
            quoted = !quoted;
        else if (line[i] == ';' && !quoted)
            return Trim(line.substr(0, i));
    }
    return Trim(line);
}

bool ParseInf(const std::string& path, const std::string& content, InfFile* inf)
{
    inf->path = path;
    InfSection* current = nullptr;
    size_t i = 0;
    while (i <= content.size()) {
        size_t j = content.find('\n', i);
        if (j == std::string::npos)
            j = content.size();
        std::string line = StripComment(content.substr(i, j - i));
        i = j + 1;
        if (line.empty())
            continue;
        if (line[0] == '[') {
            size_t close = line.find(']');
            if (close == std::string::npos)
                return false;
            std::string name = Trim(line.substr(1, close - 1));
            current = nullptr;
            for (InfSection& s : inf->sections)
                if (IEquals(s.name, name))
                    current = &s; // a repeated section continues the first
            if (!current) {
                inf->sections.push_back({name, {}});
                current = &inf->sections.back();
            }
            continue;
        }
        if (current)
            current->lines.push_back(line);
    }
    return true;
}

const InfSection* FindInfSection(const InfFile& inf, const std::string& name)
{
    for (const InfSection& s : inf.sections)
        if (IEquals(s.name, name))
            return &s;
    return nullptr;
}

// Splits "key = a, b" into its key ("" when there is no '=') and its fields.
void SplitLine(const std::string& line, std::string* key, std::vector<std::string>* fields)
{
    key->clear();
    fields->clear();
    bool quoted = false;
    size_t eq = std::string::npos;
    for (size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '"')
            quoted = !quoted;
        else if (line[i] == '=' && !quoted) {
            eq = i;
            break;
        }
    }
    std::string rest = line;
    if (eq != std::string::npos) {
        *key = Trim(line.substr(0, eq));
        rest = line.substr(eq + 1);
    }
    // Blanks around a field go; blanks inside quotes stay.
    std::string field;
    quoted = false;
    bool wasQuoted = false;
    size_t quotedEnd = 0;
    for (size_t i = 0; i <= rest.size(); ++i) {
        char c = i < rest.size() ? rest[i] : ',';
        if (c == '"') {
            if (quoted && i + 1 < rest.size() && rest[i + 1] == '"') {
                field += '"';
                ++i;
            } else {
                if (!quoted && !wasQuoted && Trim(field).empty())
                    field.clear();
                quoted = !quoted;
                wasQuoted = true;
                quotedEnd = field.size();
            }
        } else if (c == ',' && !quoted) {
            if (wasQuoted)
                field = field.substr(0, quotedEnd) + Trim(field.substr(quotedEnd));
            else
                field = Trim(field);
            fields->push_back(field);
            field.clear();
            wasQuoted = false;
        } else {
            field += c;
        }
    }
}

// Replaces %name% from the [Strings] section; "%%" stands for one '%'.
std::string Substitute(const InfFile& inf, const std::string& text)
{
    std::string out;
    size_t i = 0;
    while (i < text.size()) {
        size_t a = text.find('%', i);
        if (a == std::string::npos) {
            out += text.substr(i);
            break;
        }
        size_t b = text.find('%', a + 1);
        if (b == std::string::npos) {
            out += text.substr(i);
            break;
        }
        out += text.substr(i, a - i);
        std::string name = text.substr(a + 1, b - a - 1);
        if (name.empty()) {
            out += '%';
        } else {
            std::string value = "%" + name + "%";
            if (const InfSection* strings = FindInfSection(inf, "Strings"))
                for (const std::string& line : strings->lines) {
                    std::string k;
                    std::vector<std::string> f;
                    SplitLine(line, &k, &f);
                    if (IEquals(k, name) && !f.empty())
                        value = f[0];
                }
            out += value;
        }
        i = b + 1;
    }
    return out;
}

bool ParseNumber(const std::string& text, unsigned long* out)
{
    std::string t = Trim(text);
    if (t.empty())
        return false;
    char* end = nullptr;
    *out = strtoul(t.c_str(), &end, 0);
    return end && *end == '\0';
}

// Applies one AddReg section; false with the last error set on failure.
bool ApplyAddReg(const InfFile& inf, const InfSection& sec, HKEY relative)
{
    for (const std::string& line : sec.lines) {
        std::string unused;
        std::vector<std::string> f;
        SplitLine(line, &unused, &f);
        for (std::string& field : f)
            field = Substitute(inf, field);
        f.resize(f.size() < 5 ? 5 : f.size());
        std::string root = Upper(f[0]);
        std::string keyPath;
        if (root == "HKR") {
            if (!relative) {
                SetError(ERROR_INVALID_PARAMETER);
                return false;
            }
            uintptr_t h = uintptr_t(relative);
            if (h >= 0x80000000 && h <= 0x80000003) {
                const char* names[] = {"HKCR", "HKCU", "HKLM", "HKU"};
                keyPath = names[h - 0x80000000];
            } else {
                auto it = M().openKeys.find(h);
                if (it == M().openKeys.end()) {
                    SetError(ERROR_INVALID_HANDLE);
                    return false;
                }
                if (!(it->second.access & KEY_SET_VALUE)) {
                    SetError(ERROR_ACCESS_DENIED);
                    return false;
                }
                keyPath = M().keys[it->second.key].path;
            }
        } else if (root == "HKLM" || root == "HKCU" || root == "HKCR" || root == "HKU") {
            keyPath = root;
        } else {
            Unmodelled("SetupInstallFromInfSectionA", "the AddReg root \"" + f[0] + "\"");
        }
        if (!f[1].empty())
            keyPath += "\\" + f[1];
        unsigned long flags = 0;
        if (!f[3].empty() && !ParseNumber(f[3], &flags)) {
            SetError(ERROR_INVALID_DATA);
            return false;
        }
        const unsigned long handled = FLG_ADDREG_TYPE_MASK | FLG_ADDREG_NOCLOBBER |
                                      FLG_ADDREG_DELVAL | FLG_ADDREG_KEYONLY |
                                      FLG_ADDREG_OVERWRITEONLY;
        if (flags & ~handled)
            Unmodelled("SetupInstallFromInfSectionA", "AddReg flags " + f[3]);
        RegKey& key = EnsureKey(keyPath);
        const std::string& name = f[2];
        bool hasValueFields = f.size() > 5 || !f[4].empty();
        if ((flags & FLG_ADDREG_KEYONLY) || (name.empty() && !hasValueFields && f[3].empty()))
            continue;
        if (flags & FLG_ADDREG_DELVAL) {
            winsim::RegDropValue(keyPath, name);
            continue;
        }
        bool exists = FindValue(key, name) != nullptr;
        if (((flags & FLG_ADDREG_NOCLOBBER) && exists) ||
            ((flags & FLG_ADDREG_OVERWRITEONLY) && !exists))
            continue;
        std::vector<std::string> values(f.begin() + 4, f.end());
        DWORD type;
        std::string data;
        switch (flags & FLG_ADDREG_TYPE_MASK) {
        case FLG_ADDREG_TYPE_SZ:
            type = REG_SZ;
            data = values[0] + std::string(1, '\0');
            break;
        case FLG_ADDREG_TYPE_EXPAND_SZ:
            type = REG_EXPAND_SZ;
            data = values[0] + std::string(1, '\0');
            break;
        case FLG_ADDREG_TYPE_MULTI_SZ:
            type = REG_MULTI_SZ;
            while (values.size() > 1 && values.back().empty())
                values.pop_back();
            data = values.size() == 1 && values[0].empty() ? std::string(1, '\0') : MultiSz(values);
            break;
        case FLG_ADDREG_TYPE_DWORD:
            type = REG_DWORD;
            if (values.size() == 1) {
                unsigned long v = 0;
                if (!values[0].empty() && !ParseNumber(values[0], &v)) {
                    SetError(ERROR_INVALID_DATA);
                    return false;
                }
                uint32_t v32 = uint32_t(v);
                data.assign(reinterpret_cast<const char*>(&v32), 4);
                break;
            }
            [[fallthrough]];
        case FLG_ADDREG_TYPE_BINARY:
        case FLG_ADDREG_TYPE_NONE:
            if ((flags & FLG_ADDREG_TYPE_MASK) == FLG_ADDREG_TYPE_BINARY)
                type = REG_BINARY;
            else if ((flags & FLG_ADDREG_TYPE_MASK) == FLG_ADDREG_TYPE_NONE)
                type = REG_NONE;
            for (const std::string& b : values) {
                if (b.empty())
                    continue;
                char* end = nullptr;
                unsigned long byte = strtoul(b.c_str(), &end, 16);
                if (*end || byte > 0xFF) {
                    SetError(ERROR_INVALID_DATA);
                    return false;
                }
                data += char(byte);
            }
            break;
        default:
            Unmodelled("SetupInstallFromInfSectionA", "AddReg value type flags " + f[3]);
        }
        SetValue(key, name, type, data);
    }
    return true;
}

} // namespace

extern "C" {

BOOL WINAPI SetupDiClassGuidsFromNameA(PCSTR ClassName, LPGUID ClassGuidList,
                                       DWORD ClassGuidListSize, PDWORD RequiredSize)
{
    DWORD err;
    if (Enter("SetupDiClassGuidsFromNameA", &err)) {
        SetError(err);
        return FALSE;
    }
    if (!ClassName || (!ClassGuidList && ClassGuidListSize)) {
        SetError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::vector<GUID> found;
    for (const ClassRec& c : M().classes)
        if (IEquals(c.name, ClassName))
            found.push_back(c.guid);
    if (RequiredSize)
        *RequiredSize = DWORD(found.size());
    for (size_t i = 0; i < found.size() && i < ClassGuidListSize; ++i)
        ClassGuidList[i] = found[i];
    if (found.size() > ClassGuidListSize) {
        SetError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    return TRUE;
}

HDEVINFO WINAPI SetupDiGetClassDevsA(const GUID* ClassGuid, PCSTR Enumerator, HWND hwndParent,
                                     DWORD Flags)
{
    DWORD err;
    if (Enter("SetupDiGetClassDevsA", &err)) {
        SetError(err);
        return INVALID_HANDLE_VALUE;
    }
    (void)hwndParent;
    if (Enumerator)
        Unmodelled("SetupDiGetClassDevsA", "an enumerator");
    if (Flags & ~DWORD(DIGCF_PRESENT | DIGCF_ALLCLASSES))
        Unmodelled("SetupDiGetClassDevsA", "flags other than DIGCF_PRESENT and DIGCF_ALLCLASSES");
    bool all = (Flags & DIGCF_ALLCLASSES) != 0;
    if (!all && !ClassGuid) {
        SetError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    DeviceSet set;
    for (size_t i = 0; i < M().devices.size(); ++i) {
        const Device& d = M().devices[i].d;
        if (!all && !SameGuid(d.classGuid, *ClassGuid))
            continue;
        if ((Flags & DIGCF_PRESENT) && !d.present)
            continue;
        Element e;
        e.devInst = int(i);
        set.Add(e);
    }
    uintptr_t h = NewHandle();
    M().sets[h] = set;
    return reinterpret_cast<HDEVINFO>(h);
}

BOOL WINAPI SetupDiEnumDeviceInfo(HDEVINFO DeviceInfoSet, DWORD MemberIndex,
                                  PSP_DEVINFO_DATA DeviceInfoData)
{
    DWORD err;
    if (Enter("SetupDiEnumDeviceInfo", &err)) {
        SetError(err);
        return FALSE;
    }
    DeviceSet* s = FindSet(DeviceInfoSet);
    if (!s) {
        SetError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (!DeviceInfoData || DeviceInfoData->cbSize != sizeof(SP_DEVINFO_DATA)) {
        SetError(ERROR_INVALID_USER_BUFFER);
        return FALSE;
    }
    if (MemberIndex >= s->members.size()) {
        SetError(ERROR_NO_MORE_ITEMS);
        return FALSE;
    }
    const Element& e = s->members[MemberIndex];
    DeviceInfoData->ClassGuid = DevOf(e).d.classGuid;
    DeviceInfoData->DevInst = DWORD(e.devInst);
    DeviceInfoData->Reserved = uintptr_t(DeviceInfoSet);
    return TRUE;
}

BOOL WINAPI SetupDiGetDeviceRegistryPropertyA(HDEVINFO DeviceInfoSet,
                                              PSP_DEVINFO_DATA DeviceInfoData, DWORD Property,
                                              PDWORD PropertyRegDataType, PBYTE PropertyBuffer,
                                              DWORD PropertyBufferSize, PDWORD RequiredSize)
{
    DWORD err;
    if (Enter("SetupDiGetDeviceRegistryPropertyA", &err)) {
        SetError(err);
        return FALSE;
    }
    Element* e = ElementOf(DeviceInfoSet, DeviceInfoData, "SetupDiGetDeviceRegistryPropertyA");
    if (!e)
        return FALSE;
    const Device& d = DevOf(*e).d;
    std::string data;
    DWORD type = REG_SZ;
    switch (Property) {
    case SPDRP_CLASS:
        data = d.className;
        break;
    case SPDRP_CLASSGUID:
        data = SameGuid(d.classGuid, GUID{}) ? "" : GuidText(d.classGuid);
        break;
    case SPDRP_DRIVER:
        data = d.driverKey;
        break;
    case SPDRP_HARDWAREID:
        type = REG_MULTI_SZ;
        if (!d.hardwareIds.empty())
            data = MultiSz(d.hardwareIds);
        break;
    default:
        Unmodelled("SetupDiGetDeviceRegistryPropertyA", "property " + std::to_string(Property));
    }
    if (data.empty()) {
        SetError(ERROR_INVALID_DATA);
        return FALSE;
    }
    if (type == REG_SZ)
        data += '\0';
    if (RequiredSize)
        *RequiredSize = DWORD(data.size());
    if (!PropertyBuffer && PropertyBufferSize) {
        SetError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (PropertyBufferSize < data.size()) {
        SetError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    memcpy(PropertyBuffer, data.data(), data.size());
    if (PropertyRegDataType)
        *PropertyRegDataType = type;
    return TRUE;
}

BOOL WINAPI SetupDiSetDeviceRegistryPropertyA(HDEVINFO DeviceInfoSet,
                                              PSP_DEVINFO_DATA DeviceInfoData, DWORD Property,
                                              const BYTE* PropertyBuffer, DWORD PropertyBufferSize)
{
    DWORD err;
    if (Enter("SetupDiSetDeviceRegistryPropertyA", &err)) {
        SetError(err);
        return FALSE;
    }
    Element* e = ElementOf(DeviceInfoSet, DeviceInfoData, "SetupDiSetDeviceRegistryPropertyA");
    if (!e)
        return FALSE;
    if (Property != SPDRP_CLASSGUID)
        Unmodelled("SetupDiSetDeviceRegistryPropertyA",
                   "writing property " + std::to_string(Property));
    if (!PropertyBuffer) {
        SetError(PropertyBufferSize ? ERROR_INVALID_PARAMETER : ERROR_INVALID_DATA);
        return FALSE;
    }
    std::string text(reinterpret_cast<const char*>(PropertyBuffer), PropertyBufferSize);
    if (text.size() == 39 && text[38] == '\0')
        text.pop_back();
    GUID g;
    if (!ParseGuid(text, &g)) {
        SetError(ERROR_INVALID_DATA);
        return FALSE;
    }
    Device& d = DevOf(*e).d;
    if (!SameGuid(d.classGuid, g)) {
        d.classGuid = g;
        d.className.clear();
        for (const ClassRec& c : M().classes)
            if (SameGuid(c.guid, g)) {
                d.className = c.name;
                break;
            }
        // Windows removes the software key of the old class when a device changes class.
        d.driverKey.clear();
    }
    if (DeviceInfoData)
        DeviceInfoData->ClassGuid = g;
    return TRUE;
}

BOOL WINAPI SetupDiDestroyDeviceInfoList(HDEVINFO DeviceInfoSet)
{
    DWORD err;
    if (Enter("SetupDiDestroyDeviceInfoList", &err)) {
        SetError(err);
        return FALSE;
    }
    if (M().sets.erase(uintptr_t(DeviceInfoSet)) == 0) {
        SetError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}

BOOL WINAPI SetupDiGetDeviceInstallParamsA(HDEVINFO DeviceInfoSet, PSP_DEVINFO_DATA DeviceInfoData,
                                           PSP_DEVINSTALL_PARAMS_A DeviceInstallParams)
{
    DWORD err;
    if (Enter("SetupDiGetDeviceInstallParamsA", &err)) {
        SetError(err);
        return FALSE;
    }
    Element* e = ElementOf(DeviceInfoSet, DeviceInfoData, "SetupDiGetDeviceInstallParamsA");
    if (!e)
        return FALSE;
    if (!DeviceInstallParams || DeviceInstallParams->cbSize != sizeof(SP_DEVINSTALL_PARAMS_A)) {
        SetError(ERROR_INVALID_USER_BUFFER);
        return FALSE;
    }
    memset(DeviceInstallParams, 0, sizeof *DeviceInstallParams);
    DeviceInstallParams->cbSize = sizeof(SP_DEVINSTALL_PARAMS_A);
    DeviceInstallParams->Flags = e->flags;
    DeviceInstallParams->FlagsEx = e->flagsEx;
    CopyField(DeviceInstallParams->DriverPath, MAX_PATH, e->driverPath);
    return TRUE;
}

BOOL WINAPI SetupDiSetDeviceInstallParamsA(HDEVINFO DeviceInfoSet, PSP_DEVINFO_DATA DeviceInfoData,
                                           PSP_DEVINSTALL_PARAMS_A DeviceInstallParams)
{
    DWORD err;
    if (Enter("SetupDiSetDeviceInstallParamsA", &err)) {
        SetError(err);
        return FALSE;
    }
    Element* e = ElementOf(DeviceInfoSet, DeviceInfoData, "SetupDiSetDeviceInstallParamsA");
    if (!e)
        return FALSE;
    if (!DeviceInstallParams || DeviceInstallParams->cbSize != sizeof(SP_DEVINSTALL_PARAMS_A)) {
        SetError(ERROR_INVALID_USER_BUFFER);
        return FALSE;
    }
    if (!memchr(DeviceInstallParams->DriverPath, '\0', MAX_PATH)) {
        SetError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    e->flags = DeviceInstallParams->Flags;
    e->flagsEx = DeviceInstallParams->FlagsEx;
    e->driverPath = DeviceInstallParams->DriverPath;
    RememberParams(*e);
    return TRUE;
}

BOOL WINAPI SetupDiCallClassInstaller(DI_FUNCTION InstallFunction, HDEVINFO DeviceInfoSet,
                                      PSP_DEVINFO_DATA DeviceInfoData)
{
    DWORD err;
    if (Enter("SetupDiCallClassInstaller", &err)) {
        SetError(err);
        return FALSE;
    }
    if (InstallFunction != DIF_SELECTDEVICE && InstallFunction != DIF_INSTALLDEVICE)
        Unmodelled("SetupDiCallClassInstaller", "DIF code " + std::to_string(InstallFunction));
    Element* e = ElementOf(DeviceInfoSet, DeviceInfoData, "SetupDiCallClassInstaller");
    if (!e)
        return FALSE;
    InstallerOutcome outcome;
    auto it = M().outcomes.find({e->devInst, InstallFunction});
    if (it != M().outcomes.end())
        outcome = it->second;
    if (!outcome.ok) {
        SetError(outcome.error);
        return FALSE;
    }
    DeviceRec& dev = DevOf(*e);
    if (InstallFunction == DIF_SELECTDEVICE) {
        if (dev.d.infPath.empty()) {
            SetError(ERROR_NO_COMPAT_DRIVERS);
            return FALSE;
        }
        e->selected = true;
    } else {
        if (!e->selected) {
            SetError(ERROR_NO_DRIVER_SELECTED);
            return FALSE;
        }
        dev.installed = true;
        if (dev.d.driverKey.empty()) {
            // A new software key for the device in its class, numbered after the ones in use.
            std::string classText = GuidText(dev.d.classGuid);
            for (int n = 0;; ++n) {
                char key[64];
                snprintf(key, sizeof key, "%s\\%04d", classText.c_str(), n);
                bool used = false;
                for (const DeviceRec& other : M().devices)
                    used = used || IEquals(other.d.driverKey, key);
                if (!used) {
                    dev.d.driverKey = key;
                    break;
                }
            }
        }
        EnsureKey("HKLM\\SYSTEM\\CurrentControlSet\\Control\\Class\\" + dev.d.driverKey);
    }
    e->flags |= outcome.setFlags;
    RememberParams(*e);
    return TRUE;
}

BOOL WINAPI SetupDiGetSelectedDriverA(HDEVINFO DeviceInfoSet, PSP_DEVINFO_DATA DeviceInfoData,
                                      PSP_DRVINFO_DATA_A DriverInfoData)
{
    DWORD err;
    if (Enter("SetupDiGetSelectedDriverA", &err)) {
        SetError(err);
        return FALSE;
    }
    Element* e = ElementOf(DeviceInfoSet, DeviceInfoData, "SetupDiGetSelectedDriverA");
    if (!e)
        return FALSE;
    if (!DriverInfoData || DriverInfoData->cbSize != sizeof(SP_DRVINFO_DATA_A)) {
        SetError(ERROR_INVALID_USER_BUFFER);
        return FALSE;
    }
    if (!e->selected) {
        SetError(ERROR_NO_DRIVER_SELECTED);
        return FALSE;
    }
    const Device& d = DevOf(*e).d;
    memset(DriverInfoData, 0, sizeof *DriverInfoData);
    DriverInfoData->cbSize = sizeof(SP_DRVINFO_DATA_A);
    DriverInfoData->DriverType = SPDIT_COMPATDRIVER;
    DriverInfoData->Reserved = uintptr_t(DeviceInfoSet) + 1 + uintptr_t(e->devInst);
    CopyField(DriverInfoData->Description, LINE_LEN, d.installSection);
    return TRUE;
}

BOOL WINAPI SetupDiGetDriverInfoDetailA(HDEVINFO DeviceInfoSet, PSP_DEVINFO_DATA DeviceInfoData,
                                        PSP_DRVINFO_DATA_A DriverInfoData,
                                        PSP_DRVINFO_DETAIL_DATA_A DriverInfoDetailData,
                                        DWORD DriverInfoDetailDataSize, PDWORD RequiredSize)
{
    DWORD err;
    if (Enter("SetupDiGetDriverInfoDetailA", &err)) {
        SetError(err);
        return FALSE;
    }
    Element* e = ElementOf(DeviceInfoSet, DeviceInfoData, "SetupDiGetDriverInfoDetailA");
    if (!e)
        return FALSE;
    if (!DriverInfoData || DriverInfoData->cbSize != sizeof(SP_DRVINFO_DATA_A) || !e->selected ||
        DriverInfoData->Reserved != uintptr_t(DeviceInfoSet) + 1 + uintptr_t(e->devInst)) {
        SetError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const Device& d = DevOf(*e).d;
    std::string list = MultiSz(d.driverHardwareIds);
    const size_t fixed = offsetof(SP_DRVINFO_DETAIL_DATA_A, HardwareID);
    DWORD required = DWORD(fixed + list.size());
    if (RequiredSize)
        *RequiredSize = required;
    if (!DriverInfoDetailData) {
        SetError(DriverInfoDetailDataSize ? ERROR_INVALID_PARAMETER : ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    if (DriverInfoDetailData->cbSize != sizeof(SP_DRVINFO_DETAIL_DATA_A) ||
        DriverInfoDetailDataSize < sizeof(SP_DRVINFO_DETAIL_DATA_A)) {
        SetError(ERROR_INVALID_USER_BUFFER);
        return FALSE;
    }
    SP_DRVINFO_DETAIL_DATA_A* out = DriverInfoDetailData;
    out->InfDate = FILETIME{0, 0};
    DWORD firstLen = d.driverHardwareIds.empty() ? 0 : DWORD(d.driverHardwareIds[0].size() + 1);
    out->CompatIDsOffset = d.driverHardwareIds.size() > 1 ? firstLen : 0;
    out->CompatIDsLength = d.driverHardwareIds.size() > 1 ? DWORD(list.size()) - firstLen : 0;
    out->Reserved = 0;
    CopyField(out->SectionName, LINE_LEN, d.installSection);
    CopyField(out->InfFileName, MAX_PATH, d.infPath);
    CopyField(out->DrvDescription, LINE_LEN, d.installSection);
    if (DriverInfoDetailDataSize < required) {
        SetError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    memcpy(out->HardwareID, list.data(), list.size());
    return TRUE;
}

BOOL WINAPI SetupDiSelectDevice(HDEVINFO DeviceInfoSet, PSP_DEVINFO_DATA DeviceInfoData)
{
    (void)DeviceInfoSet;
    (void)DeviceInfoData;
    fprintf(stderr, "winsim: SetupDiSelectDevice was called; the test platform ends the "
                    "process here, so the programs must never call it\n");
    fflush(stderr);
    abort();
}

BOOL WINAPI SetupDiSetSelectedDriverA(HDEVINFO DeviceInfoSet, PSP_DEVINFO_DATA DeviceInfoData,
                                      PSP_DRVINFO_DATA_A DriverInfoData)
{
    (void)DeviceInfoSet;
    (void)DeviceInfoData;
    (void)DriverInfoData;
    fprintf(stderr, "winsim: SetupDiSetSelectedDriverA was called; the test platform ends the "
                    "process here, so the programs must never call it\n");
    fflush(stderr);
    abort();
}

HINF WINAPI SetupOpenInfFileA(PCSTR FileName, PCSTR InfClass, DWORD InfStyle, PUINT ErrorLine)
{
    DWORD err;
    if (Enter("SetupOpenInfFileA", &err)) {
        SetError(err);
        return INVALID_HANDLE_VALUE;
    }
    if (InfClass)
        Unmodelled("SetupOpenInfFileA", "a class filter");
    if (InfStyle != INF_STYLE_WIN4)
        Unmodelled("SetupOpenInfFileA", "INF styles other than INF_STYLE_WIN4");
    if (ErrorLine)
        *ErrorLine = 0;
    if (!FileName) {
        SetError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    std::string name = FileName;
    if (name.find('\\') == std::string::npos)
        name = M().windowsDir + "\\inf\\" + name; // a bare name is looked up in the INF folder
    std::string canon = NormPath(name);
    if (canon.empty())
        Unmodelled("SetupOpenInfFileA", "the relative path \"" + std::string(FileName) + "\"");
    FileNode* n = FindNode(canon);
    if (!n || n->dir) {
        SetError(n ? ERROR_ACCESS_DENIED : MissingError(canon));
        return INVALID_HANDLE_VALUE;
    }
    InfFile inf;
    if (!ParseInf(n->path, n->content, &inf)) {
        SetError(ERROR_BAD_SECTION_NAME_LINE);
        return INVALID_HANDLE_VALUE;
    }
    bool signed4 = false;
    if (const InfSection* version = FindInfSection(inf, "Version"))
        for (const std::string& line : version->lines) {
            std::string key;
            std::vector<std::string> f;
            SplitLine(line, &key, &f);
            if (IEquals(key, "Signature") && !f.empty() &&
                (IEquals(f[0], "$Windows NT$") || IEquals(f[0], "$Chicago$") ||
                 IEquals(f[0], "$Windows 95$")))
                signed4 = true;
        }
    if (!signed4) {
        SetError(ERROR_WRONG_INF_STYLE);
        return INVALID_HANDLE_VALUE;
    }
    uintptr_t h = NewHandle();
    M().infs[h] = inf;
    return reinterpret_cast<HINF>(h);
}

BOOL WINAPI SetupInstallFromInfSectionA(HWND Owner, HINF InfHandle, PCSTR SectionName, UINT Flags,
                                        HKEY RelativeKeyRoot, PCSTR SourceRootPath, UINT CopyFlags,
                                        PSP_FILE_CALLBACK_A MsgHandler, PVOID Context,
                                        HDEVINFO DeviceInfoSet, PSP_DEVINFO_DATA DeviceInfoData)
{
    DWORD err;
    if (Enter("SetupInstallFromInfSectionA", &err)) {
        SetError(err);
        return FALSE;
    }
    (void)Owner;
    (void)SourceRootPath;
    (void)CopyFlags;
    if (Flags & ~UINT(SPINST_INIFILES | SPINST_REGISTRY))
        Unmodelled("SetupInstallFromInfSectionA", "flags other than INI files and registry");
    if (MsgHandler || Context || DeviceInfoSet || DeviceInfoData)
        Unmodelled("SetupInstallFromInfSectionA", "a message handler or a device");
    auto it = M().infs.find(uintptr_t(InfHandle));
    if (it == M().infs.end()) {
        SetError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    const InfFile& inf = it->second;
    const InfSection* sec = SectionName ? FindInfSection(inf, SectionName) : nullptr;
    if (!sec) {
        SetError(ERROR_SECTION_NOT_FOUND);
        return FALSE;
    }
    // Every directive names its sections; all must be there before anything is written.
    std::vector<const InfSection*> addReg;
    for (const std::string& line : sec->lines) {
        std::string key;
        std::vector<std::string> f;
        SplitLine(line, &key, &f);
        if ((Flags & SPINST_INIFILES) &&
            (IEquals(key, "UpdateInis") || IEquals(key, "UpdateIniFields") ||
             IEquals(key, "Ini2Reg")))
            Unmodelled("SetupInstallFromInfSectionA", "INI file directives");
        if (!(Flags & SPINST_REGISTRY) || !IEquals(key, "AddReg"))
            continue;
        for (const std::string& name : f) {
            if (name.empty())
                continue;
            const InfSection* target = FindInfSection(inf, name);
            if (!target) {
                SetError(ERROR_SECTION_NOT_FOUND);
                return FALSE;
            }
            addReg.push_back(target);
        }
    }
    for (const InfSection* target : addReg)
        if (!ApplyAddReg(inf, *target, RelativeKeyRoot))
            return FALSE;
    return TRUE;
}

void WINAPI SetupCloseInfFile(HINF InfHandle)
{
    EnterInfallible("SetupCloseInfFile");
    M().infs.erase(uintptr_t(InfHandle));
}

INT WINAPI SetupPromptReboot(HSPFILEQ FileQueue, HWND Owner, BOOL ScanOnly)
{
    DWORD err;
    if (Enter("SetupPromptReboot", &err)) {
        SetError(err);
        return -1;
    }
    (void)Owner;
    if (FileQueue || ScanOnly)
        Unmodelled("SetupPromptReboot", "a file queue or a scan");
    M().journal.push_back("reboot-prompt");
    return 0;
}

CONFIGRET WINAPI CM_Get_Device_IDA(DEVINST dnDevInst, PSTR Buffer, ULONG BufferLen, ULONG ulFlags)
{
    DWORD err;
    if (Enter("CM_Get_Device_IDA", &err))
        return CR_FAILURE;
    if (ulFlags)
        Unmodelled("CM_Get_Device_IDA", "flags");
    if (!Buffer)
        return CR_INVALID_POINTER;
    if (dnDevInst >= M().devices.size())
        return CR_INVALID_DEVNODE;
    const std::string& id = M().devices[dnDevInst].d.instanceId;
    if (BufferLen < id.size() + 1) {
        memcpy(Buffer, id.data(), BufferLen); // as much as fits, with no terminating NUL
        return CR_BUFFER_SMALL;
    }
    memcpy(Buffer, id.c_str(), id.size() + 1);
    return CR_SUCCESS;
}

} // extern "C"
