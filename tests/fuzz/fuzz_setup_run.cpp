// Fuzz target: the configuration file and an answer script, split at the first NUL byte, drive a
// whole run of the setup program. Every run must end with 0, stop the toolkit at most once, show
// the fatal dialog at most once and leave nothing open.
#include "setup_medium.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace fuzzsupport;
    std::vector<std::string> parts = Split(data, size, '\0', 2);
    parts.resize(2);
    MakeMedium(parts[0]);
    if (!SourceDirectoryIsFull() || !UseAnswers(parts[1]))
        return -1; // not kept in the corpus
    RunSetupAndCheck();
    return 0;
}
