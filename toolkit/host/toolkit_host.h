// Test controls of the host toolkit: fresh state, and the script that answers its dialogs.
#pragma once

void TkReset(); // no symbols, lists, INF, copy list, frame or dialogs; no answer script
// Dialogs are answered from this script from now on (see toolkit/FORMATS.md). A script that
// does not parse ends the process with the reason on standard error: a typo must not pass as
// the default answers.
void TkSetAnswerScript(const char* text);
