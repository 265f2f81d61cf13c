// Bounded text helpers: every copy and format in the setup program goes through these.
#pragma once
#include <stddef.h>

// Each writes at most size bytes, always NUL-terminated when size > 0, and returns 1 when the
// whole text fitted, 0 when it was cut short (the caller must not use a cut text as a path or
// command).
int CopyText(char* dest, size_t size, const char* src);
int AppendText(char* dest, size_t size, const char* src);
int FormatText(char* dest, size_t size, const char* format, ...)
    __attribute__((format(printf, 3, 4)));
