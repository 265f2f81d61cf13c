// Brinmoor's process entry for Windows: no C runtime, so the argument text is found here.
#include "platform.h"

// The text a GUI program's WinMain receives: the command line after the program name (a quoted
// name up to its closing quote, an unquoted one up to the first blank or tab) and the blanks and
// tabs that follow it.
static LPSTR ArgumentText(LPSTR commandLine)
{
    LPSTR text = commandLine;
    if (*text == '"') {
        text++;
        while (*text != '\0' && *text != '"')
            text++;
        if (*text == '"')
            text++;
    } else {
        while (*text != '\0' && *text != ' ' && *text != '\t')
            text++;
    }
    while (*text == ' ' || *text == '\t')
        text++;
    return text;
}

extern "C" void __cdecl BrinmoorStartup(void)
{
    WinMain(GetModuleHandleA(NULL), NULL, ArgumentText(GetCommandLineA()), SW_SHOWDEFAULT);
    ExitProcess(0);
}
