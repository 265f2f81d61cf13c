// The host front end: dialogs play the answer script, links are small text files.
#include "host_frontend.h"
#include "resources.h"
#include "toolkit_host.h"
#include "winsim/machine.h"

#include <cstdio>
#include <cstdlib>

namespace tk
{

namespace
{
std::string Joined(const char* list)
{
    std::string text;
    if (const std::vector<std::string>* entries = FindList(list)) {
        for (size_t i = 0; i < entries->size(); ++i)
            text += (i ? ";" : "") + (*entries)[i];
    }
    return text;
}

struct HostFrontend : Frontend {
    void Log(const std::string& line) override
    {
        winsim::Note(line);
    }

    bool ShowDialog(const DialogCall& call) override
    {
        int dialogId = call.id;
        if (IsCustomInstallDialog(dialogId)) {
            winsim::Note("dialog-symbols " + std::to_string(dialogId) + "|EditTextIn=" +
                         Symbol("EditTextIn") + "|EditFocus=" + Symbol("EditFocus") +
                         "|StatusItemsText=" + Joined("StatusItemsText") +
                         "|CheckItemsState=" + Joined("CheckItemsState"));
        }
        PlayShowing(dialogId, call.showing);
        return true;
    }

    int ShowMessage(HWND parent, const char* text, const char* caption, UINT style) override
    {
        return MessageBoxA(parent, text, caption, style);
    }

    HWND CreateFrame() override
    {
        return winsim::AddWindow("");
    }

    void DestroyFrame(HWND) override {}

    // Kept aside rather than journalled: the journal is what a user or Windows would see.
    void EndRun(const std::string& outcome) override
    {
        outcomes.push_back(outcome);
    }

    std::vector<std::string> outcomes;

    std::string ProgramsFolder() override
    {
        return "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs";
    }

    bool WriteLink(const std::string& linkPath, const std::string& target,
                   const std::string& arguments) override
    {
        HANDLE file = CreateFileA(linkPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            return false;
        std::string content = "target=" + target + "\r\nargs=" + arguments + "\r\n";
        DWORD written = 0;
        BOOL ok =
            WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
        DWORD error = GetLastError();
        CloseHandle(file);
        if (!ok || written != content.size()) {
            SetLastError(ok ? ERROR_WRITE_PROTECT : error);
            return false;
        }
        return true;
    }
};

HostFrontend gHost;
// A program linked with the host toolkit works without a test calling TkReset first.
const bool gInstalled = (SetFrontend(&gHost), true);
} // namespace

void InstallHostFrontend()
{
    SetFrontend(&gHost);
    gHost.outcomes.clear();
}

} // namespace tk

void TkReset()
{
    tk::Reset();
    tk::InstallHostFrontend();
}

std::vector<std::string> TkOutcomes()
{
    return tk::gHost.outcomes;
}

void TkSetAnswerScript(const char* text)
{
    std::string error;
    if (!tk::Script().Parse(text ? text : "", &error)) {
        std::fprintf(stderr, "answer script: %s\n", error.c_str());
        std::abort();
    }
}
