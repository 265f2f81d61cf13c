// The diagnostic hook for tests: every call becomes a journal line, in order.
#include "devices.h"
#include "winsim/machine.h"

#include <string>

int Trace(const char* text, const char* caption)
{
    winsim::Note(std::string("trace ") + (caption ? caption : "(null)") + "|" +
                 (text ? text : "(null)"));
    return 0;
}
