// Folders of the current user, created when missing.
#ifndef KW5_PLATFORM_USERFOLDERS_H
#define KW5_PLATFORM_USERFOLDERS_H

#include "platform/Types.h"

namespace kw5platform {

// SHGetSpecialFolderPathW(CSIDL_DESKTOP, create). POSIX: $XDG_DESKTOP_DIR
// when it is an absolute path, else ~/Desktop.
bool desktopFolder(KW5WString& path);

// The folder for an application's per-user state: %LOCALAPPDATA% on
// Windows; POSIX: $XDG_STATE_HOME when absolute, else ~/.local/state.
bool userStateFolder(KW5WString& path);

} // namespace kw5platform

#endif
