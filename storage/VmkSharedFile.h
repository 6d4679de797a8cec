// The shared-file utilities of the VMK components: free space of a volume
// and full-path resolution, logging through the shared-file log.
#ifndef KW5_STORAGE_VMKSHAREDFILE_H
#define KW5_STORAGE_VMKSHAREDFILE_H

#include "platform/Types.h"

#include <cstdint>

namespace VmkShared {

// Paths of more characters are refused; full paths must fit in as many.
const size_t kMaxPathLength = 260;

class CVmkSharedFile {
public:
    CVmkSharedFile() {}
    virtual ~CVmkSharedFile() {}

    // GetDiskFreeSpaceExW on the full path of directory. Nonzero on success;
    // 0 after a log line naming the cause. Outputs may be null.
    int VmkGetDiskFreeSpaceEx(const KW5WString& directory, uint64_t* freeBytesAvailable,
                              uint64_t* totalBytes, uint64_t* totalFreeBytes);
};

// The full path of path (which need not exist) into fullPath. 0 on success,
// -1 for a path longer than 260 characters, a failed resolution or a full
// path that does not fit in 260 characters.
int GetDriveInfo(const KW5WString& path, KW5WString& fullPath);

} // namespace VmkShared

#endif
