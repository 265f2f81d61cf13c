// Fuzz target: the source-path helper over random registry states, argument texts and failing
// calls. Whatever happens, it ends with 0, closes its keys, and each source path it found is kept
// in the live value or in its backup.
//
// Input: a flags byte (which values exist, which temporary directory), a byte choosing the call
// that fails (0: none), then NUL-separated fields: argument texts (one per run, separated by
// line feeds), and the data of SourcePath, ServicePackSourcePath and their two backups.
#include "fuzz_support.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR argumentText, int);

namespace
{

const std::string kSetupKey = "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Setup";
const char* const kLive[] = {"SourcePath", "ServicePackSourcePath"};

std::string Backup(const std::string& live)
{
    return live + ".BackupByZelnora";
}

bool Get(const std::string& name, std::string* data)
{
    DWORD type;
    return winsim::RegGet(kSetupKey, name, &type, data);
}

// What a run must keep of a pair: a non-empty backup if there is one, else the live value.
bool Kept(const std::string& live, std::string* data)
{
    if (Get(Backup(live), data) && !data->empty())
        return true;
    return Get(live, data);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace fuzzsupport;
    if (size < 2)
        return -1;
    const uint8_t flags = data[0];
    const uint8_t failing = data[1];
    std::vector<std::string> fields = Split(data + 2, size - 2, '\0', 5);
    fields.resize(5);

    winsim::Reset();
    winsim::SetModulePath("C:\\Medium\\Brinmoor.EXE");
    winsim::PutFile("C:\\Medium\\Brinmoor.EXE", "MZ helper", FILE_ATTRIBUTE_READONLY);
    if (flags & 0x10)
        winsim::SetTempDir("C:\\Medium\\"); // the medium itself
    if (flags & 0x20)
        winsim::SetAttributes("C:\\Windows\\Temp",
                              FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY);
    for (int i = 0; i < 4; i++) {
        if (flags & (1 << i)) {
            std::string name = i < 2 ? kLive[i] : Backup(kLive[i - 2]);
            winsim::RegPut(kSetupKey, name, (flags & 0x40) ? REG_EXPAND_SZ : REG_SZ, fields[1 + i]);
        }
    }

    std::vector<std::string> arguments = {""};
    for (char c : fields[0]) {
        if (c == '\n' && arguments.size() < 4)
            arguments.emplace_back();
        else
            arguments.back() += c;
    }
    for (size_t run = 0; run < arguments.size(); run++) {
        std::string kept[2];
        bool had[2];
        for (int i = 0; i < 2; i++)
            had[i] = Kept(kLive[i], &kept[i]);
        if (run == 0 && failing != 0)
            winsim::FailCall("*", failing, ERROR_ACCESS_DENIED);
        const std::string argument = arguments[run];
        int code = RunWhole([argument] {
            std::string text = argument;
            return WinMain(nullptr, nullptr, text.data(), SW_SHOWDEFAULT);
        });
        winsim::ClearFaults();
        Require(code == 0, "the helper did not end with exit code 0");
        const int stillOpen = winsim::Open().keys;
        Require(stillOpen == 0 || (failing != 0 && run == 0 && stillOpen == 1),
                "a key was left open");
        if (stillOpen != 0)
            return 0; // a failed close; the machine is no longer one Windows would have
        for (int i = 0; i < 2; i++) {
            if (!had[i])
                continue;
            std::string live, backup;
            Get(kLive[i], &live);
            Get(Backup(kLive[i]), &backup);
            Require(live == kept[i] || backup == kept[i], "a source path was lost");
        }
    }
    return 0;
}
