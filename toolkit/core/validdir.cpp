// The directory test: an absolute path that Windows could create as a folder.
#include "state.h"

#include <cctype>
#include <cstring>

namespace tk
{

namespace
{
// CreateDirectoryA leaves room for an 8.3 file name below the folder.
constexpr size_t kMaxDirLength = MAX_PATH - 12;
} // namespace

bool ValidDir(const char* path)
{
    if (!path)
        return false;
    size_t length = std::strlen(path);
    if (length < 3 || length >= kMaxDirLength)
        return false;

    const char* rest;
    if (std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':' && path[2] == '\\') {
        rest = path + 3;
    } else if (path[0] == '\\' && path[1] == '\\') {
        // \\server\share: both names present; "." and ".." name no server.
        const char* server = path + 2;
        const char* serverEnd = std::strchr(server, '\\');
        if (!serverEnd || serverEnd == server)
            return false;
        std::string name(server, serverEnd);
        if (name.find_first_not_of('.') == std::string::npos)
            return false;
        const char* share = serverEnd + 1;
        if (*share == '\0' || *share == '\\')
            return false;
        rest = server;
    } else {
        return false;
    }
    // Only single-byte characters can be refused: a double-byte character's second byte may
    // equal '|' or '\\' without being one.
    for (const char* p = rest; *p; p = CharNextA(p)) {
        unsigned char c = static_cast<unsigned char>(*p);
        if (CharNextA(p) - p != 1)
            continue;
        if (c < 0x20 || std::strchr("<>\"|?*:", c))
            return false;
    }
    return true;
}

} // namespace tk
