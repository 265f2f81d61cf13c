// The toolkit's one state record, shared by the core's source files.
#pragma once
#include "core.h"

#include <map>
#include <string>
#include <vector>

namespace tk
{

struct NoCaseLess {
    bool operator()(const std::string& a, const std::string& b) const;
};

struct OpenDialog {
    int id;
    DialogCall call;    // as it was opened, for its help
    int showingsInARow; // showings since it was opened; the loop guard counts these
};

struct State {
    std::map<std::string, std::string, NoCaseLess> symbols;
    std::map<std::string, std::vector<std::string>, NoCaseLess> lists;
    std::string infPath; // empty: no INF open
    std::vector<CopyItem> copyList;
    std::vector<OpenDialog> dialogs;
    std::map<int, int> showings; // per dialog id, for the whole run
    int messageBoxes = 0;
    std::vector<HCURSOR> cursors;
    unsigned long nextCursor = 0;
    AnswerScript script;

    // The frame and the install library.
    HWND frame = nullptr;
    bool installReady = false;
    int sizeCheckMode = 0;

    // The run, for its outcome.
    bool runBegun = false, runEnded = false;
    bool unattended = false;
    bool fatalShown = false;
    bool quitConfirmed = false;
    std::string lastProblem, fatalReason;
    unsigned long eventWrites = 0; // times DLGEVENT was set, so a dialog knows it has answered
};

State& St();

} // namespace tk
