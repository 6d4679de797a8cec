#include "platform/Registry.h"

#include "platform/UnicodeText.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

namespace kw5platform {

namespace {

const char* const kDefaultRoot = "/etc/kw5/registry";

const char* hiveFolder(RegistryHive hive) {
    switch (hive) {
    case RegistryHive::LocalMachine:
        break;
    }
    return "HKEY_LOCAL_MACHINE";
}

// A key path component may not climb out of the tree or be empty.
bool appendKeyPath(std::string& folder, const std::string& keyPath) {
    size_t start = 0;
    while (start <= keyPath.size()) {
        size_t end = keyPath.find('\\', start);
        if (end == std::string::npos)
            end = keyPath.size();
        std::string part = keyPath.substr(start, end - start);
        if (part.empty() || part == "." || part == ".." || part.find('/') != std::string::npos)
            return false;
        folder += '/';
        folder += part;
        start = end + 1;
    }
    return true;
}

bool isFolder(const std::string& path) {
    struct stat status;
    return stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

bool readSmallFile(const std::string& path, size_t limit, std::string& text) {
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat status;
    if (fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        return false;
    }
    std::vector<char> buffer(limit + 1);
    size_t got = 0;
    while (got < buffer.size()) {
        ssize_t count = read(fd, buffer.data() + got, buffer.size() - got);
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0) {
            ::close(fd);
            return false;
        }
        if (count == 0)
            break;
        got += static_cast<size_t>(count);
    }
    ::close(fd);
    // More than the limit: the value cannot be the caller's.
    if (got > limit)
        return false;
    text.assign(buffer.data(), got);
    return true;
}

} // namespace

bool readRegistryString(RegistryHive hive, const std::string& keyPath, const KW5WString& valueName,
                        size_t maxBytes, KW5WString& value) {
    const char* root = std::getenv("KW5_REGISTRY_ROOT");
    std::string folder = root && *root ? root : kDefaultRoot;
    folder += '/';
    folder += hiveFolder(hive);
    if (!appendKeyPath(folder, keyPath) || !isFolder(folder))
        return false;
    std::string name = utf16ToUtf8(valueName);
    if (name.empty() || name == "." || name == ".." || name.find('/') != std::string::npos)
        return false;
    // UTF-8 takes at most three bytes per UTF-16 unit (two bytes), so a
    // file longer than this cannot hold a value that fits, line end or not.
    std::string text;
    if (!readSmallFile(folder + '/' + name, maxBytes * 2 + 2, text))
        return false;
    if (!text.empty() && text.back() == '\n') {
        text.pop_back();
        if (!text.empty() && text.back() == '\r')
            text.pop_back();
    }
    KW5WString wide = utf8ToUtf16(text);
    if ((wide.size() + 1) * sizeof(KW5WChar) > maxBytes)
        return false;
    value = wide;
    return true;
}

} // namespace kw5platform
