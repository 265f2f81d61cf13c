// The system's message text for the last error, handed to the diagnostic hook.
#include "devices.h"

void ReportSystemError(const char* caption)
{
    DWORD error = GetLastError();
    char* text = NULL;

    FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM, NULL, error,
                   LANG_USER_DEFAULT, (LPSTR)&text, 0, NULL);
    Trace(text, caption);
    if (text != NULL)
        LocalFree(text);
}
