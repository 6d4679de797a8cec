#include "platform/PathSpec.h"

#include <shlobj.h>
#include <shlwapi.h>
#include <windows.h>

#include <vector>

namespace kw5platform {

namespace {

// The shell's path functions work in place on MAX_PATH buffers.
std::vector<wchar_t> pathBuffer(const KW5WString& path) {
    std::vector<wchar_t> buffer(path.begin(), path.end());
    buffer.resize(path.size() + 1 > MAX_PATH ? path.size() + 1 : MAX_PATH, L'\0');
    return buffer;
}

} // namespace

bool fileExists(const KW5WString& path) {
    return !path.empty() && GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool createFolders(const KW5WString& path) {
    if (path.empty())
        return false;
    int result = SHCreateDirectoryExW(nullptr, path.c_str(), nullptr);
    if (result != ERROR_SUCCESS && result != ERROR_ALREADY_EXISTS && result != ERROR_FILE_EXISTS)
        return false;
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void removeFileSpec(KW5WString& path) {
    std::vector<wchar_t> buffer = pathBuffer(path);
    PathRemoveFileSpecW(buffer.data());
    path = buffer.data();
}

void removeTrailingBackslash(KW5WString& path) {
    std::vector<wchar_t> buffer = pathBuffer(path);
    PathRemoveBackslashW(buffer.data());
    path = buffer.data();
}

void toNativeSeparators(KW5WString&) {}

} // namespace kw5platform
