#include "storage/KW5DiskSpace.h"

#include "platform/File.h"
#include "platform/Path.h"
#include "platform/UnicodeText.h"
#include "storage/KW5File.h"
#include "storage/KW5FileOpen.h"
#include "storage/VmkSharedFile.h"
#include "support/KW5Log.h"

#include <string>

namespace kw5storage {

namespace {

// The folder canUseDiskSpace asks about: drive and directory of the path.
bool rootOf(const KW5WString& path, KW5WString& root) {
    kw5platform::PathParts parts;
    if (!kw5platform::splitPath(path, parts))
        return false;
    root.assign(parts.drive).append(parts.directory);
    // A bare file name lives in the current folder.
    if (root.empty())
        root.assign(1, KW5WChar('.'));
    return root.size() <= VmkShared::kMaxPathLength;
}

} // namespace

_KW5_FILE_RET getFileSize64(const KW5WString& path, uint64_t& size) {
    size = 0;
    if (!KW5File::fileExists(path))
        return KW5_FILE_RET_OK;
    kw5platform::File file;
    if (!openWithRetry(file, path, kw5platform::OpenPurpose::ReadExclusive)) {
        writeLog("util get li failed: path = %S %x", path.c_str(), 0xFFFFFFFFu);
        return KW5_FILE_RET_FILE_ACCESS_ERROR;
    }
    if (!file.size(size)) {
        size = 0;
        writeLog("util GetFileSize %d", -1);
        return KW5_FILE_RET_FAILED;
    }
    return KW5_FILE_RET_OK;
}

_KW5_FILE_RET computeNeededSpace(uint64_t fileSize, uint32_t oldTagSize, uint32_t newTagSize,
                                 uint64_t& needed) {
    if (newTagSize >= oldTagSize)
        needed = fileSize + (newTagSize - oldTagSize);
    else
        needed = fileSize > oldTagSize - newTagSize ? fileSize - (oldTagSize - newTagSize) : 0;
    return KW5_FILE_RET_OK;
}

_KW5_FILE_RET canUseDiskSpace(const KW5WString& path, uint64_t needed) {
    KW5WString root;
    if (!rootOf(path, root))
        return KW5_FILE_RET_FAILED;
    // The %s lines name the folder in narrow text.
    std::string narrowRoot = kw5platform::utf16ToUtf8(root);
    uint64_t available = 0;
    VmkShared::CVmkSharedFile shared;
    if (!shared.VmkGetDiskFreeSpaceEx(root, &available, nullptr, nullptr)) {
        writeLog("VmkSharedFile::VmkGetDiskFreeSpaceEx() Failed: path = %s", narrowRoot.c_str());
        return KW5_FILE_RET_FAILED;
    }
    if (available >= needed)
        return KW5_FILE_RET_OK;
    writeLog("Free Space Check Failed: path = %s", narrowRoot.c_str());
    return KW5_FILE_RET_DISK_FULL;
}

_KW5_FILE_RET checkFreeTempSpace(const KW5WString& target, const KW5WString& temporary,
                                 uint32_t oldTagSize, uint32_t newTagSize) {
    uint64_t size = 0;
    _KW5_FILE_RET result = getFileSize64(target, size);
    if (result != KW5_FILE_RET_OK) {
        writeLog("get li failed");
        return result;
    }
    return checkFreeTempSpaceFor(size, temporary, oldTagSize, newTagSize);
}

_KW5_FILE_RET checkFreeTempSpaceFor(uint64_t targetSize, const KW5WString& temporary,
                                    uint32_t oldTagSize, uint32_t newTagSize) {
    uint64_t needed = 0;
    _KW5_FILE_RET result = computeNeededSpace(targetSize, oldTagSize, newTagSize, needed);
    if (result != KW5_FILE_RET_OK) {
        writeLog("calc n f failed");
        return result;
    }
    result = canUseDiskSpace(temporary, needed);
    if (result != KW5_FILE_RET_OK) {
        writeLog("canUseDiskSpace failed");
        return result;
    }
    return KW5_FILE_RET_OK;
}

_KW5_FILE_RET checkFreeDestSpace(const KW5WString& temporary, const KW5WString& target) {
    uint64_t size = 0;
    _KW5_FILE_RET result = getFileSize64(temporary, size);
    if (result != KW5_FILE_RET_OK)
        return result;
    return checkFreeDestSpaceFor(size, temporary, target);
}

_KW5_FILE_RET checkFreeDestSpaceFor(uint64_t temporarySize, const KW5WString& temporary,
                                    const KW5WString& target) {
    bool same = false;
    if (!kw5platform::sameVolume(temporary, target, same))
        return KW5_FILE_RET_FAILED;
    if (same)
        return KW5_FILE_RET_OK;
    return canUseDiskSpace(target, temporarySize);
}

} // namespace kw5storage
