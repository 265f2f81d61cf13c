// The machine's storage, fault countdowns and the path, registry and GUID helpers behind it.
#include "internal.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace winsim::detail
{

Machine& M()
{
    // Never destroyed: exit handlers of a child run read it after static destructors may run.
    static Machine* machine = new Machine;
    return *machine;
}

uintptr_t NewHandle()
{
    Machine& m = M();
    m.nextHandle += 4;
    return m.nextHandle;
}

static bool CountDown(const char* name, DWORD* error)
{
    Machine& m = M();
    m.callLog.Add(name);
    bool fire = false;
    DWORD err = 0;
    for (auto it = m.faults.begin(); it != m.faults.end();) {
        if (it->name == "*" || it->name == name) {
            if (--it->remaining <= 0) {
                if (!fire)
                    err = it->error;
                fire = true;
                it = m.faults.erase(it);
                continue;
            }
        }
        ++it;
    }
    if (fire && error)
        *error = err;
    return fire;
}

bool Enter(const char* name, DWORD* error)
{
    DWORD e = 0;
    bool fail = CountDown(name, &e);
    if (error)
        *error = e;
    return fail;
}

void EnterInfallible(const char* name)
{
    CountDown(name, nullptr);
}

void Unmodelled(const char* call, const std::string& what)
{
    fprintf(stderr, "winsim: %s: %s is not modelled\n", call, what.c_str());
    fflush(stderr);
    abort();
}

void SetError(DWORD e)
{
    M().lastError = e;
}

std::string Upper(const std::string& s)
{
    std::string r = s;
    for (char& c : r)
        if (c >= 'a' && c <= 'z')
            c = char(c - 'a' + 'A');
    return r;
}

bool IEquals(const std::string& a, const std::string& b)
{
    return a.size() == b.size() && Upper(a) == Upper(b);
}

std::string Trim(const std::string& s)
{
    size_t b = 0, e = s.size();
    while (b < e && (s[b] == ' ' || s[b] == '\t'))
        ++b;
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t' || s[e - 1] == '\r'))
        --e;
    return s.substr(b, e - b);
}

// ---- Paths

std::string NormPath(const std::string& path)
{
    std::string p = path;
    for (char& c : p)
        if (c == '/')
            c = '\\';
    if (p.size() < 3 || p[1] != ':' || p[2] != '\\')
        return "";
    char drive = p[0];
    if (drive >= 'a' && drive <= 'z')
        drive = char(drive - 'a' + 'A');
    if (drive < 'A' || drive > 'Z')
        return "";
    std::vector<std::string> parts;
    size_t i = 3;
    while (i <= p.size()) {
        size_t j = p.find('\\', i);
        if (j == std::string::npos)
            j = p.size();
        std::string part = p.substr(i, j - i);
        if (part == "..") {
            if (!parts.empty())
                parts.pop_back();
        } else if (!part.empty() && part != ".") {
            // Windows drops trailing dots and blanks of a path component.
            while (!part.empty() && (part.back() == '.' || part.back() == ' '))
                part.pop_back();
            if (part.empty())
                return "";
            parts.push_back(part);
        }
        i = j + 1;
    }
    std::string out = std::string(1, drive) + ":\\";
    for (size_t k = 0; k < parts.size(); ++k) {
        if (k)
            out += '\\';
        out += parts[k];
    }
    return out;
}

std::string ParentPath(const std::string& canon)
{
    if (canon.size() <= 3)
        return "";
    size_t pos = canon.rfind('\\');
    if (pos == 2)
        return canon.substr(0, 3);
    return canon.substr(0, pos);
}

FileNode* FindNode(const std::string& canon)
{
    if (canon.empty())
        return nullptr;
    auto it = M().files.find(Upper(canon));
    return it == M().files.end() ? nullptr : &it->second;
}

DWORD MissingError(const std::string& canon)
{
    std::string parent = ParentPath(canon);
    FileNode* n = parent.empty() ? nullptr : FindNode(parent);
    return (n && n->dir) ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
}

void PutNode(const std::string& canon, const std::string& content, DWORD attributes, bool dir)
{
    FileNode& n = M().files[Upper(canon)];
    if (n.path.empty())
        n.path = canon;
    n.content = content;
    n.attributes = attributes;
    n.dir = dir;
}

// ---- Registry

static std::string NormKeyPath(const std::string& path)
{
    std::string out;
    size_t i = 0;
    while (i <= path.size()) {
        size_t j = path.find('\\', i);
        if (j == std::string::npos)
            j = path.size();
        std::string part = path.substr(i, j - i);
        if (!part.empty()) {
            if (!out.empty())
                out += '\\';
            out += part;
        }
        i = j + 1;
    }
    return out;
}

RegKey* FindKey(const std::string& path)
{
    auto it = M().keys.find(Upper(NormKeyPath(path)));
    return it == M().keys.end() ? nullptr : &it->second;
}

RegKey& EnsureKey(const std::string& rawPath)
{
    std::string path = NormKeyPath(rawPath);
    size_t pos = path.rfind('\\');
    if (pos != std::string::npos)
        EnsureKey(path.substr(0, pos));
    RegKey& k = M().keys[Upper(path)];
    if (k.path.empty())
        k.path = path;
    return k;
}

RegValue* FindValue(RegKey& key, const std::string& name)
{
    for (RegValue& v : key.values)
        if (IEquals(v.name, name))
            return &v;
    return nullptr;
}

void SetValue(RegKey& key, const std::string& name, DWORD type, const std::string& data)
{
    if (RegValue* v = FindValue(key, name)) {
        v->type = type;
        v->data = data;
        return;
    }
    key.values.push_back({name, type, data});
}

// ---- GUIDs

std::string GuidText(const GUID& g)
{
    char buf[40];
    snprintf(buf, sizeof buf, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
             unsigned(g.Data1), unsigned(g.Data2), unsigned(g.Data3), g.Data4[0], g.Data4[1],
             g.Data4[2], g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
    return buf;
}

static int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool ParseGuid(const std::string& t, GUID* out)
{
    if (t.size() != 38 || t[0] != '{' || t[37] != '}' || t[9] != '-' || t[14] != '-' ||
        t[19] != '-' || t[24] != '-')
        return false;
    auto hex = [&](size_t at, int n, uint64_t* v) {
        *v = 0;
        for (int i = 0; i < n; ++i) {
            int d = HexDigit(t[at + i]);
            if (d < 0)
                return false;
            *v = (*v << 4) | unsigned(d);
        }
        return true;
    };
    uint64_t a, b, c, d, e;
    if (!hex(1, 8, &a) || !hex(10, 4, &b) || !hex(15, 4, &c) || !hex(20, 4, &d) || !hex(25, 12, &e))
        return false;
    out->Data1 = uint32_t(a);
    out->Data2 = uint16_t(b);
    out->Data3 = uint16_t(c);
    out->Data4[0] = uint8_t(d >> 8);
    out->Data4[1] = uint8_t(d);
    for (int i = 0; i < 6; ++i)
        out->Data4[2 + i] = uint8_t(e >> (8 * (5 - i)));
    return true;
}

bool SameGuid(const GUID& a, const GUID& b)
{
    return memcmp(&a, &b, sizeof a) == 0;
}

} // namespace winsim::detail
