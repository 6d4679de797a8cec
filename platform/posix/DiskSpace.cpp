#define _FILE_OFFSET_BITS 64

#include "platform/DiskSpace.h"

#include "platform/File.h"
#include "platform/posix/PosixError.h"

#include <cerrno>
#include <sys/stat.h>
#include <sys/statvfs.h>

namespace kw5platform {

bool diskFreeSpace(const KW5WString& folder, uint64_t* freeToCaller, uint64_t* totalBytes,
                   uint64_t* totalFree) {
    std::string native;
    if (!nativePath(folder, native) || native.empty()) {
        setLastError(folder.empty() ? kErrorPathNotFound : kErrorInvalidName);
        return false;
    }
    struct stat st;
    if (::stat(native.c_str(), &st) != 0) {
        // GetDiskFreeSpaceExW answers a missing folder with "path not found".
        setLastError(errno == ENOENT ? kErrorPathNotFound : windowsErrorFromErrno(errno, native));
        return false;
    }
    if (!S_ISDIR(st.st_mode)) {
        setLastError(kErrorDirectory);
        return false;
    }
    struct statvfs vfs;
    if (::statvfs(native.c_str(), &vfs) != 0)
        return failFromErrno(native);
    uint64_t unit = vfs.f_frsize ? vfs.f_frsize : vfs.f_bsize;
    if (freeToCaller)
        *freeToCaller = static_cast<uint64_t>(vfs.f_bavail) * unit;
    if (totalBytes)
        *totalBytes = static_cast<uint64_t>(vfs.f_blocks) * unit;
    if (totalFree)
        *totalFree = static_cast<uint64_t>(vfs.f_bfree) * unit;
    return true;
}

} // namespace kw5platform
