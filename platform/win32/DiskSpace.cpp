#include "platform/DiskSpace.h"

#include "platform/File.h"

#include <windows.h>

namespace kw5platform {

bool diskFreeSpace(const KW5WString& folder, uint64_t* freeToCaller, uint64_t* totalBytes,
                   uint64_t* totalFree) {
    ULARGE_INTEGER caller, total, allFree;
    if (!::GetDiskFreeSpaceExW(folder.c_str(), &caller, &total, &allFree)) {
        DWORD error = ::GetLastError();
        // The argument is a folder: Windows reports a missing one as
        // ERROR_PATH_NOT_FOUND, Wine as ERROR_FILE_NOT_FOUND.
        if (error == ERROR_FILE_NOT_FOUND)
            error = ERROR_PATH_NOT_FOUND;
        setLastError(static_cast<uint32_t>(error));
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
