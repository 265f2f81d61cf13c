// The answer script: INI text that says how each showing of each dialog and each message box
// ends when nobody sits at the screen.
#include "resources.h"
#include "state.h"

#include <cctype>
#include <cstdlib>
#include <sstream>

namespace tk
{

namespace
{
struct ButtonName {
    const char* name;
    int id;
};
const ButtonName kButtons[] = {{"OK", IDOK},       {"CANCEL", IDCANCEL}, {"ABORT", IDABORT},
                               {"RETRY", IDRETRY}, {"IGNORE", IDIGNORE}, {"YES", IDYES},
                               {"NO", IDNO}};

// The buttons of each MB_ type, in the order Windows shows them.
std::vector<int> Buttons(UINT style)
{
    switch (style & 0xF) {
    case MB_OKCANCEL:
        return {IDOK, IDCANCEL};
    case MB_ABORTRETRYIGNORE:
        return {IDABORT, IDRETRY, IDIGNORE};
    case MB_YESNOCANCEL:
        return {IDYES, IDNO, IDCANCEL};
    case MB_YESNO:
        return {IDYES, IDNO};
    case MB_RETRYCANCEL:
        return {IDRETRY, IDCANCEL};
    default:
        return {IDOK};
    }
}

bool HasButton(UINT style, int id)
{
    for (int button : Buttons(style))
        if (button == id)
            return true;
    return false;
}

// "key" or "key.N" with N a positive decimal number; number 0 stands for the plain key.
bool SplitKey(const std::string& key, std::string* stem, int* number)
{
    size_t dot = key.find('.');
    *stem = key.substr(0, dot);
    *number = 0;
    if (dot == std::string::npos)
        return true;
    std::string digits = key.substr(dot + 1);
    if (digits.empty() || digits.size() > 6 ||
        digits.find_first_not_of("0123456789") != std::string::npos)
        return false;
    *number = std::atoi(digits.c_str());
    return *number > 0;
}

bool ParseSectionName(const std::string& name, int* dialogId)
{
    if (name.empty() || name.size() > 6 ||
        name.find_first_not_of("0123456789") != std::string::npos)
        return false;
    *dialogId = std::atoi(name.c_str());
    return true;
}

bool ParseButton(const std::string& value, int* id)
{
    for (const ButtonName& button : kButtons) {
        if (EqualNoCase(value, button.name)) {
            *id = button.id;
            return true;
        }
    }
    return false;
}

std::vector<std::string> Words(const std::string& text)
{
    std::vector<std::string> words;
    std::istringstream in(text);
    std::string word;
    while (in >> word)
        words.push_back(word);
    return words;
}
} // namespace

bool AnswerScript::Entry::Get(int number, std::string* value) const
{
    auto it = byNumber.find(number);
    if (it != byNumber.end()) {
        *value = it->second;
        return true;
    }
    if (hasAll) {
        *value = all;
        return true;
    }
    return false;
}

bool AnswerScript::Parse(const std::string& text, std::string* error)
{
    std::map<int, DialogSection> dialogs;
    Entry msgbox;
    enum { kNone, kDialog, kMsgBox } where = kNone;
    DialogSection* section = nullptr;
    std::istringstream in(text);
    std::string raw;
    int lineNumber = 0;
    auto fail = [&](const std::string& why) {
        *error = "line " + std::to_string(lineNumber) + ": " + why;
        return false;
    };
    while (std::getline(in, raw)) {
        ++lineNumber;
        if (!raw.empty() && raw.back() == '\r')
            raw.pop_back();
        std::string line = Trim(raw);
        if (line.empty() || line[0] == ';' || line[0] == '#')
            continue;
        if (line[0] == '[') {
            if (line.back() != ']')
                return fail("section header without ']'");
            std::string name = Trim(line.substr(1, line.size() - 2));
            int id;
            if (EqualNoCase(name, "msgbox")) {
                where = kMsgBox;
            } else if (ParseSectionName(name, &id) && IsDialogId(id)) {
                where = kDialog;
                section = &dialogs[id];
            } else {
                return fail("unknown section [" + name + "]");
            }
            continue;
        }
        size_t equals = line.find('=');
        if (equals == std::string::npos)
            return fail("expected key=value");
        if (where == kNone)
            return fail("key outside a section");
        std::string key = Trim(line.substr(0, equals));
        std::string value = Unquote(line.substr(equals + 1));
        std::string stem;
        int number;
        if (!SplitKey(key, &stem, &number))
            return fail("bad key '" + key + "'");
        for (char& c : stem)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));

        Entry* entry = nullptr;
        if (where == kMsgBox) {
            int button;
            if (stem != "answer")
                return fail("unknown key '" + key + "' in [msgbox]");
            if (!ParseButton(value, &button))
                return fail("unknown button '" + value + "'");
            entry = &msgbox;
        } else if (stem == "event") {
            entry = &section->event;
        } else if (stem == "edit") {
            entry = &section->edit;
        } else if (stem == "check") {
            if (Words(value).size() > 2)
                return fail("check takes at most two states");
            entry = &section->check;
        } else if (stem == "action") {
            if (!value.empty() && !EqualNoCase(value, "quit") && !EqualNoCase(value, "none"))
                return fail("unknown action '" + value + "'");
            entry = &section->action;
        } else {
            return fail("unknown key '" + key + "'");
        }
        if (number == 0) {
            if (entry->hasAll)
                return fail("'" + key + "' given twice");
            entry->hasAll = true;
            entry->all = value;
        } else {
            if (entry->byNumber.count(number))
                return fail("'" + key + "' given twice");
            entry->byNumber[number] = value;
        }
    }
    dialogs_.swap(dialogs);
    msgbox_ = msgbox;
    return true;
}

const AnswerScript::DialogSection* AnswerScript::Find(int dialogId) const
{
    auto it = dialogs_.find(dialogId);
    return it == dialogs_.end() ? nullptr : &it->second;
}

DialogAnswer AnswerScript::Answer(int dialogId, int showing) const
{
    DialogAnswer answer;
    // Unscripted, every dialog goes on, except that quitting is declined.
    answer.event = dialogId == kDialogQuit ? "CANCEL" : "CONTINUE";
    const DialogSection* section = Find(dialogId);
    if (!section)
        return answer;
    section->event.Get(showing, &answer.event);
    answer.hasEdit = section->edit.Get(showing, &answer.edit);
    std::string check;
    if (section->check.Get(showing, &check)) {
        answer.hasCheck = true;
        answer.check = Words(check);
    }
    std::string action;
    answer.quit = section->action.Get(showing, &action) && EqualNoCase(action, "quit");
    return answer;
}

int AnswerScript::DefaultMessageBoxAnswer(UINT style)
{
    // The choice that changes least: No where there is one, else Cancel, else Abort, else OK.
    for (int id : {IDNO, IDCANCEL, IDABORT})
        if (HasButton(style, id))
            return id;
    return IDOK;
}

int AnswerScript::MessageBoxAnswer(UINT style, int boxNumber) const
{
    std::string value;
    int id;
    if (msgbox_.Get(boxNumber, &value) && ParseButton(value, &id) && HasButton(style, id))
        return id;
    return DefaultMessageBoxAnswer(style);
}

AnswerScript& Script()
{
    return St().script;
}

void PlayShowing(int dialogId, int showing)
{
    DialogAnswer answer = Script().Answer(dialogId, showing);
    SetSymbol("DLGEVENT", answer.event);
    if (IsCustomInstallDialog(dialogId)) {
        SetSymbol("EditTextOut", answer.hasEdit ? answer.edit : Symbol("EditTextIn"));
        if (answer.hasCheck) {
            // The dialog changes the states the caller listed; it adds none of its own.
            std::vector<std::string>* states = FindList("CheckItemsState");
            for (size_t i = 0; states && i < answer.check.size() && i < states->size(); ++i) {
                bool fixed = dialogId == kDialogCustomInstallNoDriver && i == 1;
                if (!fixed)
                    (*states)[i] = answer.check[i];
            }
        }
    }
    if (answer.quit)
        PostQuitMessage(0);
}

int PlayMessageBox(UINT style)
{
    return Script().MessageBoxAnswer(style, ++St().messageBoxes);
}

} // namespace tk
