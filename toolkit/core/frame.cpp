// Starting and ending the frame, the unattended run's answer file, and the outcome of a run.
#include "state.h"

#include <cstdio>

namespace tk
{

const char* const kUsageText =
    "Usage: setup [/unattended[=answers.ini]] [/log=file]\n\n"
    "/unattended  answer every dialog from the answer file, or with the\n"
    "             configured defaults when none is given\n"
    "/log         write what setup does to the file";

namespace
{
// An answer file larger than this is no answer file.
constexpr DWORD kMaxAnswerFileBytes = 1u << 20;

void FinishRun(const std::string& outcome)
{
    if (!St().runBegun || St().runEnded)
        return;
    St().runEnded = true;
    Ui().EndRun(outcome);
}
} // namespace

std::string ErrorText(DWORD error)
{
    // Asking for the text must not change the error the caller is about to report.
    DWORD saved = GetLastError();
    char text[256] = "";
    DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                             error, 0, text, sizeof text, nullptr);
    std::string message(text, n < sizeof text ? n : 0);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' ||
                                message.back() == ' ' || message.back() == '.'))
        message.pop_back();
    SetLastError(saved);
    std::string code = "error " + std::to_string(error);
    return message.empty() ? code : message + " (" + code + ")";
}

unsigned short EventCode(const std::string& eventText)
{
    // The second byte of a one-character text is its terminator, as in the program's buffer.
    signed char first = eventText.empty() ? 0 : static_cast<signed char>(eventText[0]);
    signed char second = eventText.size() < 2 ? 0 : static_cast<signed char>(eventText[1]);
    return static_cast<unsigned short>(first + second);
}

void NoteFailure(const char* call)
{
    St().lastProblem = std::string(call) + " failed: " + ErrorText(GetLastError());
}

void NoteMessage(const std::string& text)
{
    std::string oneLine = text;
    for (char& c : oneLine)
        if (c == '\r' || c == '\n')
            c = ' ';
    St().lastProblem = oneLine;
}

bool LoadAnswerFile(const std::string& path, std::string* error)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        *error = "answer file " + path + ": " + ErrorText(GetLastError());
        return false;
    }
    DWORD size = GetFileSize(file, nullptr);
    std::string text;
    bool ok = size != INVALID_FILE_SIZE && size <= kMaxAnswerFileBytes;
    if (ok) {
        text.resize(size);
        DWORD got = 0;
        ok = size == 0 || (ReadFile(file, &text[0], size, &got, nullptr) && got == size);
    }
    CloseHandle(file);
    if (!ok) {
        *error = "answer file " + path + ": cannot be read";
        return false;
    }
    std::string why;
    if (!Script().Parse(text, &why)) {
        *error = "answer file " + path + ", " + why;
        return false;
    }
    return true;
}

int StartFrame(const char* commandLine)
{
    FrameOptions options = ParseFrameOptions(commandLine);
    St().unattended = options.unattended;
    if (options.usage) {
        Ui().ShowMessage(nullptr, kUsageText, "Setup", MB_OK | MB_ICONINFORMATION);
        return -1;
    }
    if (St().frame)
        return 1;
    // The run begins before the answer file is read, so that a bad one is told in the log.
    std::string error;
    St().runBegun = true;
    St().runEnded = false;
    if (!Ui().BeginRun(options, &error)) {
        St().runBegun = false;
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (!options.answerFile.empty() && !LoadAnswerFile(options.answerFile, &error)) {
        FinishRun("failed: " + error);
        SetLastError(ERROR_BAD_FORMAT);
        return 0;
    }
    St().frame = Ui().CreateFrame();
    if (!St().frame) {
        NoteFailure("InitializeFrame");
        FinishRun("failed: " + St().lastProblem);
        return 0;
    }
    return 1;
}

std::string Outcome()
{
    if (St().fatalShown)
        return "failed: " + (St().fatalReason.empty() ? std::string("setup reported a fatal error")
                                                      : St().fatalReason);
    if (St().quitConfirmed)
        return "abandoned by the user";
    // The frame came up but the install library never did: nothing was set up.
    if (!St().installReady)
        return "failed: " + (St().lastProblem.empty()
                                 ? std::string("the install library did not start")
                                 : St().lastProblem);
    return "completed";
}

bool EndFrame()
{
    if (!St().frame) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return false;
    }
    // The dialogs belong to the frame and go with it.
    while (!St().dialogs.empty()) {
        int id = St().dialogs.back().id;
        St().dialogs.pop_back();
        Ui().DialogClosed(id);
    }
    Ui().DestroyFrame(St().frame);
    St().frame = nullptr;
    Ui().Log("frame-end");
    FinishRun(Outcome());
    return true;
}

} // namespace tk
