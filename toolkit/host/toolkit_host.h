// Test controls of the host toolkit: fresh state, and the script that answers its dialogs.
#pragma once

#include <string>
#include <vector>

void TkReset(); // no symbols, lists, INF, copy list, frame or dialogs; no answer script
// The outcome lines the runs since TkReset() ended with ("completed", "abandoned by the user",
// "failed: <why>"), as an unattended log's last line gives them.
std::vector<std::string> TkOutcomes();
// Dialogs are answered from this script from now on (see the README). A script that
// does not parse ends the process with the reason on standard error: a typo must not pass as
// the default answers.
void TkSetAnswerScript(const char* text);
