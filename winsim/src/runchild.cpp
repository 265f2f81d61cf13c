// Running the program under test in a child process and taking its machine back afterwards.
#include "internal.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace winsim::detail
{

namespace
{

const char kMagic[] = "WINSIM-STATE-1";

struct Writer {
    std::string out;
    void U(uint64_t v)
    {
        out.append(reinterpret_cast<const char*>(&v), sizeof v);
    }
    void I(int64_t v)
    {
        U(uint64_t(v));
    }
    void S(const std::string& s)
    {
        U(s.size());
        out += s;
    }
    void G(const GUID& g)
    {
        out.append(reinterpret_cast<const char*>(&g), sizeof g);
    }
};

struct Reader {
    const std::string& in;
    size_t at = 0;
    bool ok = true;
    explicit Reader(const std::string& s) : in(s) {}
    uint64_t U()
    {
        uint64_t v = 0;
        if (at + sizeof v > in.size()) {
            ok = false;
            return 0;
        }
        memcpy(&v, in.data() + at, sizeof v);
        at += sizeof v;
        return v;
    }
    int64_t I()
    {
        return int64_t(U());
    }
    std::string S()
    {
        uint64_t n = U();
        if (!ok || n > in.size() - at) {
            ok = false;
            return "";
        }
        std::string s = in.substr(at, n);
        at += n;
        return s;
    }
    GUID G()
    {
        GUID g{};
        if (at + sizeof g > in.size()) {
            ok = false;
            return g;
        }
        memcpy(&g, in.data() + at, sizeof g);
        at += sizeof g;
        return g;
    }
    size_t N()
    {
        uint64_t n = U();
        if (n > in.size()) // every element takes at least one byte
            ok = false;
        return ok ? size_t(n) : 0;
    }
};

void PutStrings(Writer& w, const std::vector<std::string>& v)
{
    w.U(v.size());
    for (const auto& s : v)
        w.S(s);
}

std::vector<std::string> GetStrings(Reader& r)
{
    std::vector<std::string> v(r.N());
    for (auto& s : v)
        s = r.S();
    return v;
}

} // namespace

std::string Serialize(const Machine& m)
{
    Writer w;
    w.S(kMagic);
    w.S(m.modulePath);
    w.S(m.windowsDir);
    w.S(m.tempDir);
    w.I(m.cx);
    w.I(m.cy);
    w.U(m.codePage);
    w.U(m.keys.size());
    for (const auto& [id, k] : m.keys) {
        w.S(k.path);
        w.U(k.values.size());
        for (const RegValue& v : k.values) {
            w.S(v.name);
            w.U(v.type);
            w.S(v.data);
        }
    }
    w.U(m.files.size());
    for (const auto& [id, f] : m.files) {
        w.S(f.path);
        w.S(f.content);
        w.U(f.attributes);
        w.U(f.dir);
    }
    w.U(m.windows.size());
    for (const WindowRec& win : m.windows) {
        w.U(win.id);
        w.S(win.text);
        w.I(win.placement.x);
        w.I(win.placement.y);
        w.I(win.placement.cx);
        w.I(win.placement.cy);
        w.U(win.placement.flags);
    }
    w.U(m.queue.size());
    for (const QueuedMsg& q : m.queue) {
        w.U(q.hwnd);
        w.U(q.message);
        w.U(q.wParam);
        w.I(q.lParam);
    }
    w.U(m.quitPosted);
    w.I(m.quitCode);
    w.I(m.dispatched);
    w.U(m.msgBoxAnswers.size());
    for (int a : m.msgBoxAnswers)
        w.I(a);
    w.U(m.processes.size());
    for (const Process& p : m.processes) {
        w.S(p.commandLine);
        w.S(p.argumentText);
        w.U(p.show);
        w.S(p.program);
    }
    PutStrings(w, m.journal);
    w.U(m.classes.size());
    for (const ClassRec& c : m.classes) {
        w.S(c.name);
        w.G(c.guid);
    }
    w.U(m.devices.size());
    for (const DeviceRec& d : m.devices) {
        w.S(d.d.instanceId);
        w.U(d.d.present);
        w.G(d.d.classGuid);
        w.S(d.d.className);
        w.S(d.d.driverKey);
        PutStrings(w, d.d.hardwareIds);
        w.S(d.d.infPath);
        w.S(d.d.installSection);
        PutStrings(w, d.d.driverHardwareIds);
        w.U(d.installed);
        w.U(d.last.flags);
        w.U(d.last.flagsEx);
        w.S(d.last.driverPath);
    }
    w.U(m.outcomes.size());
    for (const auto& [key, o] : m.outcomes) {
        w.I(key.first);
        w.U(key.second);
        w.U(o.ok);
        w.U(o.error);
        w.U(o.setFlags);
    }
    w.U(m.openKeys.size());
    for (const auto& [h, k] : m.openKeys) {
        w.U(h);
        w.S(k.key);
        w.U(k.access);
    }
    w.U(m.sets.size());
    for (const auto& [h, s] : m.sets) {
        w.U(h);
        w.U(s.members.size());
        for (const Element& e : s.members) {
            w.I(e.devInst);
            w.U(e.flags);
            w.U(e.flagsEx);
            w.S(e.driverPath);
            w.U(e.selected);
        }
    }
    w.U(m.infs.size());
    for (const auto& [h, inf] : m.infs) {
        w.U(h);
        w.S(inf.path);
        w.U(inf.sections.size());
        for (const InfSection& sec : inf.sections) {
            w.S(sec.name);
            PutStrings(w, sec.lines);
        }
    }
    w.U(m.fileHandles.size());
    for (const auto& [h, f] : m.fileHandles) {
        w.U(h);
        w.S(f.key);
        w.U(f.pos);
        w.U(f.read);
        w.U(f.write);
    }
    w.I(long(m.localBlocks.size()) + m.foreignLocalBlocks);
    w.U(m.nextHandle);
    w.U(m.faults.size());
    for (const Fault& f : m.faults) {
        w.S(f.name);
        w.I(f.remaining);
        w.U(f.error);
    }
    PutStrings(w, m.callLog.Texts());
    w.U(m.lastError);
    w.S(kMagic);
    return w.out;
}

bool Deserialize(const std::string& bytes, Machine* out)
{
    Reader r(bytes);
    if (r.S() != kMagic)
        return false;
    Machine m;
    m.modulePath = r.S();
    m.windowsDir = r.S();
    m.tempDir = r.S();
    m.cx = int(r.I());
    m.cy = int(r.I());
    m.codePage = unsigned(r.U());
    for (size_t n = r.N(); n && r.ok; --n) {
        RegKey k;
        k.path = r.S();
        for (size_t v = r.N(); v && r.ok; --v) {
            RegValue val;
            val.name = r.S();
            val.type = DWORD(r.U());
            val.data = r.S();
            k.values.push_back(val);
        }
        m.keys[Upper(k.path)] = k;
    }
    for (size_t n = r.N(); n && r.ok; --n) {
        FileNode f;
        f.path = r.S();
        f.content = r.S();
        f.attributes = DWORD(r.U());
        f.dir = r.U() != 0;
        m.files[Upper(f.path)] = f;
    }
    for (size_t n = r.N(); n && r.ok; --n) {
        WindowRec win;
        win.id = uintptr_t(r.U());
        win.text = r.S();
        win.placement.x = int(r.I());
        win.placement.y = int(r.I());
        win.placement.cx = int(r.I());
        win.placement.cy = int(r.I());
        win.placement.flags = UINT(r.U());
        m.windows.push_back(win);
    }
    for (size_t n = r.N(); n && r.ok; --n) {
        QueuedMsg q;
        q.hwnd = uintptr_t(r.U());
        q.message = UINT(r.U());
        q.wParam = uintptr_t(r.U());
        q.lParam = intptr_t(r.I());
        m.queue.push_back(q);
    }
    m.quitPosted = r.U() != 0;
    m.quitCode = int(r.I());
    m.dispatched = long(r.I());
    for (size_t n = r.N(); n && r.ok; --n)
        m.msgBoxAnswers.push_back(int(r.I()));
    for (size_t n = r.N(); n && r.ok; --n) {
        Process p;
        p.commandLine = r.S();
        p.argumentText = r.S();
        p.show = UINT(r.U());
        p.program = r.S();
        m.processes.push_back(p);
    }
    m.journal = GetStrings(r);
    for (size_t n = r.N(); n && r.ok; --n) {
        ClassRec c;
        c.name = r.S();
        c.guid = r.G();
        m.classes.push_back(c);
    }
    for (size_t n = r.N(); n && r.ok; --n) {
        DeviceRec d;
        d.d.instanceId = r.S();
        d.d.present = r.U() != 0;
        d.d.classGuid = r.G();
        d.d.className = r.S();
        d.d.driverKey = r.S();
        d.d.hardwareIds = GetStrings(r);
        d.d.infPath = r.S();
        d.d.installSection = r.S();
        d.d.driverHardwareIds = GetStrings(r);
        d.installed = r.U() != 0;
        d.last.flags = DWORD(r.U());
        d.last.flagsEx = DWORD(r.U());
        d.last.driverPath = r.S();
        m.devices.push_back(d);
    }
    for (size_t n = r.N(); n && r.ok; --n) {
        int dev = int(r.I());
        DWORD dif = DWORD(r.U());
        InstallerOutcome o;
        o.ok = r.U() != 0;
        o.error = DWORD(r.U());
        o.setFlags = DWORD(r.U());
        m.outcomes[{dev, dif}] = o;
    }
    for (size_t n = r.N(); n && r.ok; --n) {
        uintptr_t h = uintptr_t(r.U());
        OpenKey k;
        k.key = r.S();
        k.access = REGSAM(r.U());
        m.openKeys[h] = k;
    }
    for (size_t n = r.N(); n && r.ok; --n) {
        uintptr_t h = uintptr_t(r.U());
        DeviceSet s;
        for (size_t e = r.N(); e && r.ok; --e) {
            Element el;
            el.devInst = int(r.I());
            el.flags = DWORD(r.U());
            el.flagsEx = DWORD(r.U());
            el.driverPath = r.S();
            el.selected = r.U() != 0;
            s.Add(el);
        }
        m.sets[h] = s;
    }
    for (size_t n = r.N(); n && r.ok; --n) {
        uintptr_t h = uintptr_t(r.U());
        InfFile inf;
        inf.path = r.S();
        for (size_t s = r.N(); s && r.ok; --s) {
            InfSection sec;
            sec.name = r.S();
            sec.lines = GetStrings(r);
            inf.sections.push_back(sec);
        }
        m.infs[h] = inf;
    }
    for (size_t n = r.N(); n && r.ok; --n) {
        uintptr_t h = uintptr_t(r.U());
        FileHandle f;
        f.key = r.S();
        f.pos = r.U();
        f.read = r.U() != 0;
        f.write = r.U() != 0;
        m.fileHandles[h] = f;
    }
    m.foreignLocalBlocks = long(r.I());
    m.nextHandle = uintptr_t(r.U());
    for (size_t n = r.N(); n && r.ok; --n) {
        Fault f;
        f.name = r.S();
        f.remaining = int(r.I());
        f.error = DWORD(r.U());
        m.faults.push_back(f);
    }
    m.callLog.Assign(GetStrings(r));
    m.lastError = DWORD(r.U());
    if (!r.ok || r.S() != kMagic || !r.ok)
        return false;
    *out = std::move(m);
    return true;
}

namespace
{

int g_statePipe = -1;

void WriteAll(int fd, const std::string& bytes)
{
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;
        done += size_t(n);
    }
}

// Runs in the child however it ends through exit(): returning from the body or exit() anywhere.
void SendState()
{
    if (g_statePipe < 0)
        return;
    int fd = g_statePipe;
    g_statePipe = -1;
    WriteAll(fd, Serialize(M()));
    close(fd);
}

} // namespace

} // namespace winsim::detail

namespace winsim
{
using namespace detail;

int RunChild(const std::function<int()>& body, int timeoutSeconds)
{
    int fds[2];
    if (pipe(fds) != 0) {
        perror("winsim: RunChild: pipe");
        abort();
    }
    fflush(nullptr);
    pid_t pid = fork();
    if (pid < 0) {
        perror("winsim: RunChild: fork");
        abort();
    }
    if (pid == 0) {
        close(fds[0]);
        g_statePipe = fds[1];
        atexit(SendState);
        signal(SIGALRM, SIG_DFL);
        alarm(unsigned(timeoutSeconds > 0 ? timeoutSeconds : 1));
        int code = body();
        exit(code);
    }
    close(fds[1]);

    // Read while the child runs so a large state never blocks it on a full pipe; give up (and
    // kill it) a little after its own alarm should have ended it.
    std::string bytes;
    time_t deadline = time(nullptr) + (timeoutSeconds > 0 ? timeoutSeconds : 1) + 5;
    bool killed = false;
    char buf[65536];
    for (;;) {
        long left = long(deadline - time(nullptr));
        if (left <= 0) {
            kill(pid, SIGKILL);
            killed = true;
            break;
        }
        pollfd p{fds[0], POLLIN, 0};
        int r = poll(&p, 1, int(left * 1000));
        if (r < 0 && errno == EINTR)
            continue;
        if (r <= 0)
            continue;
        ssize_t n = read(fds[0], buf, sizeof buf);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        bytes.append(buf, size_t(n));
    }
    close(fds[0]);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (!killed && !bytes.empty()) {
        Machine m;
        if (Deserialize(bytes, &m)) {
            for (void* p : M().localBlocks)
                free(p);
            M() = std::move(m);
        } else {
            fprintf(stderr, "winsim: RunChild: the child's machine state was damaged\n");
        }
    }
    if (killed || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

} // namespace winsim
