// Shared by the fuzz targets: whole runs in a child process under libFuzzer, and the checks that
// every run must pass.
#pragma once
#include "winsim/machine.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include <unistd.h>

namespace fuzzsupport
{

// libFuzzer treats any exit() during an input as a finding, also in a forked child. A child
// marks itself, and this handler, registered in the parent before any child exists, ends the
// child with its own status once the machine's state has gone back to the parent (that handler
// is registered later, in the child, and so runs first).
inline bool& InChild()
{
    static bool inChild = false;
    return inChild;
}

inline void EndChild(int status, void*)
{
    if (InChild())
        _exit(status);
}

// A whole run of body in a child; returns its exit code (-1: killed by a signal or a hang).
inline int RunWhole(const std::function<int()>& body, int timeoutSeconds = 10)
{
    static bool registered = (on_exit(EndChild, nullptr), true);
    (void)registered;
    return winsim::RunChild(
        [&body] {
            InChild() = true;
            return body();
        },
        timeoutSeconds);
}

// Splits data at each separator byte.
inline std::vector<std::string> Split(const uint8_t* data, size_t size, char separator,
                                      size_t maxParts)
{
    std::vector<std::string> parts(1);
    for (size_t i = 0; i < size; i++) {
        if (char(data[i]) == separator && parts.size() < maxParts)
            parts.emplace_back();
        else
            parts.back() += char(data[i]);
    }
    return parts;
}

// A broken rule is a finding: stop here so that libFuzzer keeps the input.
inline void Require(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "fuzz: %s\n", what);
        std::abort();
    }
}

} // namespace fuzzsupport
