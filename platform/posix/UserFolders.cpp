#include "platform/UserFolders.h"

#include "platform/PathSpec.h"
#include "platform/UnicodeText.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

namespace kw5platform {

namespace {

// An XDG variable counts only when it holds an absolute path.
bool absoluteVariable(const char* name, std::string& value) {
    const char* text = std::getenv(name);
    if (!text || text[0] != '/')
        return false;
    value = text;
    return true;
}

bool homeFolder(std::string& home) {
    if (absoluteVariable("HOME", home))
        return true;
    std::vector<char> buffer(16384);
    struct passwd entry;
    struct passwd* found = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || !found ||
        !found->pw_dir || found->pw_dir[0] != '/')
        return false;
    home = found->pw_dir;
    return true;
}

bool folderFrom(const char* variable, const char* belowHome, KW5WString& path) {
    std::string folder;
    if (!absoluteVariable(variable, folder)) {
        if (!homeFolder(folder))
            return false;
        folder += belowHome;
    }
    KW5WString wide = utf8ToUtf16(folder);
    if (!createFolders(wide))
        return false;
    path = wide;
    return true;
}

} // namespace

bool desktopFolder(KW5WString& path) {
    return folderFrom("XDG_DESKTOP_DIR", "/Desktop", path);
}

bool userStateFolder(KW5WString& path) {
    return folderFrom("XDG_STATE_HOME", "/.local/state", path);
}

} // namespace kw5platform
