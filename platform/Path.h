// Path services over the operating system: the temporary folder, full
// paths, splitting, and the steps of replacing a file safely (rename over,
// delete, permissions, flushing a folder). Failures set lastError() (File.h)
// to a Windows error number.
#ifndef KW5_PLATFORM_PATH_H
#define KW5_PLATFORM_PATH_H

#include "platform/Types.h"

namespace kw5platform {

// The separator this platform writes ('\\' on Windows, '/' elsewhere).
KW5WChar pathSeparator();
bool isPathSeparator(KW5WChar c);

// GetTempPathW: the temporary folder with a trailing separator ($TMPDIR, else
// /tmp on POSIX). False when none can be had.
bool temporaryFolder(KW5WString& folder);

// GetFullPathNameW: an absolute path with "." and ".." resolved by text;
// the path need not exist. False for an empty path or when the current
// folder cannot be read.
bool fullPathName(const KW5WString& path, KW5WString& full);

// _wsplitpath_s: drive ("C:" or empty), directory (with its trailing
// separator), file name and extension (with its dot). Same limits as the C
// run time: drive 2, the other parts 255 characters; false when a part does
// not fit.
struct PathParts {
    KW5WString drive;
    KW5WString directory;
    KW5WString name;
    KW5WString extension;
};
bool splitPath(const KW5WString& path, PathParts& parts);

// MoveFileExW with MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH on
// Windows, rename(2) elsewhere: atomic when both are on one volume.
bool replaceFile(const KW5WString& from, const KW5WString& to);

// replaceFile onto a target that held has open without sharing: POSIX
// renames while the lock is held (the old file stays locked until held is
// closed); Windows cannot move onto a file open without sharing and lets
// go of it first.
class File;
bool replaceHeldFile(File& held, const KW5WString& from, const KW5WString& to);

// DeleteFileW / unlink.
bool deleteFile(const KW5WString& path);

// Whether two paths live on the same volume, so that a rename can move one
// onto the other. A path that does not exist is represented by its folder.
bool sameVolume(const KW5WString& first, const KW5WString& second, bool& same);

// Gives file the permissions of model (POSIX: mode bits, and owner and group
// where allowed; Windows: the read-only, hidden, system and archive
// attributes). When model does not exist, file gets the permissions of a
// newly created file.
bool copyPermissions(const KW5WString& model, const KW5WString& file);

// Makes a rename or creation inside the folder of path durable (fsync of the
// folder on POSIX; nothing to do on Windows, where MoveFileExW writes
// through).
bool syncFolderOf(const KW5WString& path);

// The path of the file itself when path is a symbolic link (realpath on
// POSIX; on Windows the final path of the opened file, for every existing
// file); the path unchanged when it does not exist or is no link.
bool resolveLinks(const KW5WString& path, KW5WString& resolved);

} // namespace kw5platform

#endif
