// The frame's command-line options: usage, unattended answers, log file.
#include "state.h"

namespace tk
{

namespace
{
// Splits at blanks and tabs outside double quotes; the quotes themselves are dropped.
std::vector<std::string> Tokens(const char* commandLine)
{
    std::vector<std::string> tokens;
    std::string token;
    bool quoted = false, inToken = false;
    for (const char* p = commandLine ? commandLine : ""; *p; ++p) {
        if (*p == '"') {
            quoted = !quoted;
            inToken = true;
        } else if ((*p == ' ' || *p == '\t') && !quoted) {
            if (inToken)
                tokens.push_back(token);
            token.clear();
            inToken = false;
        } else {
            token += *p;
            inToken = true;
        }
    }
    if (inToken)
        tokens.push_back(token);
    return tokens;
}

bool Option(const std::string& token, const char* name, std::string* value, bool* hasValue)
{
    std::string head = token.substr(0, token.find('='));
    if (!EqualNoCase(head, name))
        return false;
    *hasValue = head.size() < token.size();
    *value = *hasValue ? token.substr(head.size() + 1) : std::string();
    return true;
}
} // namespace

FrameOptions ParseFrameOptions(const char* commandLine)
{
    FrameOptions options;
    std::vector<std::string> tokens = Tokens(commandLine);
    options.usage = !tokens.empty() && tokens[0] == "/?";
    for (const std::string& token : tokens) {
        std::string value;
        bool hasValue;
        if (Option(token, "/unattended", &value, &hasValue)) {
            options.unattended = true;
            options.answerFile = value;
        } else if (Option(token, "/log", &value, &hasValue) && hasValue) {
            options.logFile = value;
        }
        // Anything else belongs to the program, which is handed the command line unchanged.
    }
    return options;
}

} // namespace tk
