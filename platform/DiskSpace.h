// Free space of a volume (GetDiskFreeSpaceExW / statvfs).
#ifndef KW5_PLATFORM_DISKSPACE_H
#define KW5_PLATFORM_DISKSPACE_H

#include "platform/Types.h"

#include <cstdint>

namespace kw5platform {

// folder names an existing folder on the volume. Any output may be null.
// False with lastError() set: 3 when the folder does not exist, 123 for an
// invalid name, 267 when the path is not a folder.
bool diskFreeSpace(const KW5WString& folder, uint64_t* freeToCaller, uint64_t* totalBytes,
                   uint64_t* totalFree);

} // namespace kw5platform

#endif
