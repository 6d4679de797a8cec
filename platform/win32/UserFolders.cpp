#include "platform/UserFolders.h"

#include <windows.h>

#include <shlobj.h>

namespace kw5platform {

namespace {

bool specialFolder(int csidl, KW5WString& path) {
    wchar_t buffer[MAX_PATH + 1] = {0};
    if (!::SHGetSpecialFolderPathW(nullptr, buffer, csidl, TRUE))
        return false;
    path = buffer;
    return !path.empty();
}

} // namespace

bool desktopFolder(KW5WString& path) {
    return specialFolder(CSIDL_DESKTOP, path);
}

bool userStateFolder(KW5WString& path) {
    return specialFolder(CSIDL_LOCAL_APPDATA, path);
}

} // namespace kw5platform
