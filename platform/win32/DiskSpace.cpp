#include "platform/DiskSpace.h"

#include "platform/File.h"

#include <windows.h>

namespace kw5platform {

bool diskFreeSpace(const KW5WString& folder, uint64_t* freeToCaller, uint64_t* totalBytes,
                   uint64_t* totalFree) {
    ULARGE_INTEGER caller, total, allFree;
    if (!::GetDiskFreeSpaceExW(folder.c_str(), &caller, &total, &allFree)) {
        setLastError(static_cast<uint32_t>(::GetLastError()));
        return false;
    }
    if (freeToCaller)
        *freeToCaller = caller.QuadPart;
    if (totalBytes)
        *totalBytes = total.QuadPart;
    if (totalFree)
        *totalFree = allFree.QuadPart;
    return true;
}

} // namespace kw5platform
