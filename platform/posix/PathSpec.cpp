#include "platform/PathSpec.h"

#include "platform/UnicodeText.h"

#include <sys/stat.h>

#include <cerrno>

namespace kw5platform {

bool fileExists(const KW5WString& path) {
    struct stat status;
    return !path.empty() && stat(utf16ToUtf8(path).c_str(), &status) == 0;
}

bool createFolders(const KW5WString& path) {
    std::string name = utf16ToUtf8(path);
    if (name.empty())
        return false;
    // Each prefix ending before a separator, then the whole path.
    for (size_t end = name.find('/', 1);; end = name.find('/', end + 1)) {
        std::string prefix = end == std::string::npos ? name : name.substr(0, end);
        if (mkdir(prefix.c_str(), 0777) != 0 && errno != EEXIST)
            return false;
        if (end == std::string::npos)
            break;
    }
    struct stat status;
    return stat(name.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

void removeFileSpec(KW5WString& path) {
    size_t last = path.rfind(u'/');
    if (last == KW5WString::npos)
        path.clear();
    else
        path.resize(last == 0 ? 1 : last);
}

void removeTrailingBackslash(KW5WString& path) {
    if (path.empty() || path.back() != u'\\')
        return;
    // "\" and "X:\" are roots and keep their backslash.
    if (path.size() == 1 || (path.size() == 3 && path[1] == u':'))
        return;
    path.pop_back();
}

void toNativeSeparators(KW5WString& path) {
    for (KW5WChar& c : path) {
        if (c == u'\\')
            c = u'/';
    }
}

} // namespace kw5platform
