// Bounded text helpers over the C library's formatted printing.
#include "text.h"

#include <stdarg.h>
#include <stdio.h>
#include <string.h>

int CopyText(char* dest, size_t size, const char* src)
{
    return FormatText(dest, size, "%s", src);
}

int AppendText(char* dest, size_t size, const char* src)
{
    size_t used = strnlen(dest, size);
    if (used == size) // no terminator inside the buffer: nothing can be appended safely
        return 0;
    return CopyText(dest + used, size - used, src);
}

int FormatText(char* dest, size_t size, const char* format, ...)
{
    if (size == 0)
        return 0;
    va_list args;
    va_start(args, format);
    int needed = vsnprintf(dest, size, format, args);
    va_end(args);
    if (needed < 0) {
        dest[0] = '\0';
        return 0;
    }
    return (size_t)needed < size;
}
