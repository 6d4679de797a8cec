#include "platform/PathSpec.h"

#include <windows.h>

#include <shlwapi.h>

#include <vector>

namespace kw5platform {

namespace {

bool isSeparator(wchar_t c) {
    return c == L'\\' || c == L'/';
}

bool isFolder(const KW5WString& path) {
    DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

} // namespace

bool fileExists(const KW5WString& path) {
    return !path.empty() && ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool createFolders(const KW5WString& path) {
    if (path.empty())
        return false;
    // Each prefix ending before a separator, then the whole path. Prefixes
    // that are roots ("C:", "\\server\share") cannot be created and need
    // not be: their failures are passed over, the final test decides.
    for (size_t end = 1; end < path.size(); ++end) {
        if (isSeparator(path[end]) && !isSeparator(path[end - 1]))
            ::CreateDirectoryW(path.substr(0, end).c_str(), nullptr);
    }
    ::CreateDirectoryW(path.c_str(), nullptr);
    return isFolder(path);
}

void removeFileSpec(KW5WString& path) {
    std::vector<wchar_t> buffer(path.begin(), path.end());
    buffer.push_back(L'\0');
    ::PathRemoveFileSpecW(buffer.data());
    path.assign(buffer.data());
}

void removeTrailingBackslash(KW5WString& path) {
    std::vector<wchar_t> buffer(path.begin(), path.end());
    buffer.push_back(L'\0');
    ::PathRemoveBackslashW(buffer.data());
    path.assign(buffer.data());
}

void toNativeSeparators(KW5WString&) {
    // Backslashes are Windows's own.
}

} // namespace kw5platform
