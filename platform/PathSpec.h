// Small operations on paths held as host strings.
#ifndef KW5_PLATFORM_PATHSPEC_H
#define KW5_PLATFORM_PATHSPEC_H

#include "platform/Types.h"

namespace kw5platform {

// GetFileAttributesW succeeds: something exists at the path.
bool fileExists(const KW5WString& path);

// Creates the folder and its missing parents; true when it exists after.
bool createFolders(const KW5WString& path);

// PathRemoveFileSpecW: drops the last path component and its separator,
// keeping a root.
void removeFileSpec(KW5WString& path);

// PathRemoveBackslashW: drops one trailing "\" unless it is a root. This
// works on Windows-style text on every platform.
void removeTrailingBackslash(KW5WString& path);

// Turns a Windows-style path ("\" separators) into the platform's form.
void toNativeSeparators(KW5WString& path);

} // namespace kw5platform

#endif
