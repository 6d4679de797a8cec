#include "platform/UserFolders.h"

#include <shlobj.h>
#include <windows.h>

namespace kw5platform {

namespace {

bool specialFolder(int id, KW5WString& path) {
    wchar_t buffer[MAX_PATH + 1] = {};
    if (!SHGetSpecialFolderPathW(nullptr, buffer, id, TRUE))
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
