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
};

State& St();

} // namespace tk
