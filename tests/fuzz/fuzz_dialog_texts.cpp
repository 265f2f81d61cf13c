// Fuzz target: event texts, the destination and the component states a user can leave in the
// dialogs. The event code and the backslash walk are tried in process; then the texts play the
// custom-install, bad-path, quit and fatal dialogs of a whole run.
//
// Input: fields separated by NUL bytes: the first byte chooses the code page, then event texts
// for successive showings of 6200, 6400, 200 and 400, the entered destination and the two states.
#include "setup_medium.h"
#include "calllayer.h"

#include <cstring>

// The backslash walk of the custom-install conversation.
void AddTrailingBackslash(char* text);
void StripTrailingBackslash(char* text);

namespace
{

const size_t PATH_LIMIT = 255; // the limit the destination is read with

// Texts the script format can carry: one line, no surrounding blanks lost to trimming.
std::string Line(std::string text)
{
    text.erase(std::remove_if(text.begin(), text.end(),
                              [](char c) { return c == '\n' || c == '\r' || c == '\0'; }),
               text.end());
    return "\"" + text + "\"";
}

std::string Word(std::string text)
{
    text.erase(std::remove_if(text.begin(), text.end(),
                              [](char c) {
                                  return c == '\n' || c == '\r' || c == '\0' || c == ' ' ||
                                         c == '\t' || c == '"';
                              }),
               text.end());
    return text.empty() ? "OFF" : text;
}

void CheckInProcess(const std::vector<std::string>& fields)
{
    using fuzzsupport::Require;
    for (const std::string& field : fields) {
        // A text of fewer than two characters names no event, whatever follows its NUL: the
        // bytes after it are taken from the field itself.
        char event[EVENT_TEXT_SIZE];
        std::memset(event, 0, sizeof event);
        std::memcpy(event, field.data(), std::min(field.size(), sizeof event));
        if (event[0] == '\0' || event[1] == '\0') {
            unsigned short code = DialogEvent(event);
            Require(code != EventCancel && code != EventProceed && code != EventExit,
                    "a text of fewer than two characters named an event");
        }

        // A destination of up to 254 bytes with room for one more character and its NUL.
        char path[PATH_LIMIT + 2];
        std::memset(path, 0x7F, sizeof path);
        const size_t length = std::min(std::strlen(field.c_str()), size_t(PATH_LIMIT - 1));
        std::memcpy(path, field.c_str(), length);
        path[length] = '\0';
        AddTrailingBackslash(path);
        const size_t added = std::strlen(path);
        Require(added == length || added == length + 1, "adding a backslash changed the text");
        Require(added > 0 && path[added - 1] == '\\', "the text does not end in a backslash");
        Require(path[PATH_LIMIT + 1] == 0x7F || added + 1 > PATH_LIMIT + 1,
                "adding a backslash wrote past the text");
        StripTrailingBackslash(path);
        Require(std::strlen(path) + 1 >= added, "stripping removed more than one character");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace fuzzsupport;
    if (size == 0)
        return -1;
    std::vector<std::string> fields = Split(data + 1, size - 1, '\0', 12);

    MakeMedium(
        "[Symbols]\r\nAPP_DEST_PATH=C:\\Program Files\\Util\\\r\nAPP_PROGRAM_GROUP=Util\r\n"
        "APP_INSTALL_UTILITY=1\r\nCLASS=Display\r\nID_1=ven_1234\r\n[app]\r\nDispCpl.exe\r\n");
    winsim::SetCodePage(data[0] & 1 ? 932 : 1252);
    CheckInProcess(fields);

    fields.resize(12);
    const int dialogs[] = {6200, 6400, 200, 400};
    std::string script;
    size_t next = 0;
    // Two showings of each dialog take their event texts from the input; later ones take the
    // default, so that the run comes to an end.
    for (int id : dialogs) {
        script += "[" + std::to_string(id) + "]\n";
        for (int showing = 1; showing <= 2; showing++)
            script += "event." + std::to_string(showing) + "=" + Line(fields[next++]) + "\n";
        if (id == 6200) {
            script += "edit.1=" + Line(fields[8]) + "\n";
            script += "check=" + Word(fields[9]) + " " + Word(fields[10]) + "\n";
        }
    }
    if (!UseAnswers(script))
        return -1;
    RunSetupAndCheck();
    return 0;
}
