#include "storage/VmkSharedFile.h"

#include "platform/DiskSpace.h"
#include "platform/File.h"
#include "platform/Path.h"
#include "support/KW5Log.h"

namespace VmkShared {

int CVmkSharedFile::VmkGetDiskFreeSpaceEx(const KW5WString& directory, uint64_t* freeBytesAvailable,
                                          uint64_t* totalBytes, uint64_t* totalFreeBytes) {
    KW5WString full;
    if (GetDriveInfo(directory, full) != 0) {
        writeSharedLog("GetDriveInfo failed: input path = %S", directory.c_str());
        return 0;
    }
    if (kw5platform::diskFreeSpace(full, freeBytesAvailable, totalBytes, totalFreeBytes))
        return 1;
    unsigned int error = kw5platform::lastError();
    if (error == kw5platform::kErrorPathNotFound)
        writeSharedLog("GetDiskFreeSpaceEx() failed: not found path: LastError = %u "
                       "InputDriveInfo = %S",
                       error, full.c_str());
    else if (error == kw5platform::kErrorInvalidName)
        writeSharedLog("GetDiskFreeSpaceEx() failed: wrong path: LastError = %u "
                       "InputDriveInfo = %S",
                       error, full.c_str());
    else
        writeSharedLog("GetDiskFreeSpaceEx() failed: LastError = %u InputDriveInfo = %S", error,
                       full.c_str());
    return 0;
}

int GetDriveInfo(const KW5WString& path, KW5WString& fullPath) {
    if (path.size() > kMaxPathLength) {
        writeSharedLog("invalid input file path: too long path");
        return -1;
    }
    KW5WString full;
    if (!kw5platform::fullPathName(path, full)) {
        unsigned int error = kw5platform::lastError();
        writeSharedLog("GetFullPathName(): GetFullPathName failed: LastError = %u: input path = %S",
                       error, path.c_str());
        return -1;
    }
    // The result goes into a MAX_PATH buffer: one place is the terminator's.
    if (full.size() >= kMaxPathLength)
        return -1;
    fullPath = full;
    return 0;
}

} // namespace VmkShared
