#include "storage/KW5FileReplace.h"

#include "platform/File.h"
#include "platform/Path.h"
#include "storage/KW5AudioCopy.h"
#include "storage/KW5FileOpen.h"
#include "support/KW5Log.h"

namespace kw5storage {

namespace {

// Errors after which the content can still go through the held target.
bool mayWriteThrough(uint32_t error) {
    return error == kw5platform::kErrorAccessDenied || error == kw5platform::kErrorWriteProtect;
}

bool renameOver(kw5platform::File& held, const KW5WString& from, const KW5WString& target) {
    if (!kw5platform::copyPermissions(target, from) ||
        !kw5platform::replaceHeldFile(held, from, target))
        return false;
    // The new file is in place: a folder that cannot be flushed (or no
    // memory to try) changes nothing about that, so it is reported but not
    // a failure.
    bool synced = false;
    try {
        synced = kw5platform::syncFolderOf(target);
    } catch (...) {
        kw5platform::setLastError(kw5platform::kErrorNotEnoughMemory);
    }
    if (!synced)
        writeLog("writeFile(remake) folder not flushed %d path = %S",
                 static_cast<int>(kw5platform::lastError()), target.c_str());
    writeLog("writeFile(remake) replaced path = %S", target.c_str());
    return true;
}

ReplaceOutcome writeThrough(KW5HeldTarget& held, KW5ScratchFile& finished, uint64_t size,
                            const KW5WString& target) {
    finished.file().close();
    kw5platform::File input;
    if (!held.exists() || !held.file().seek(0) ||
        !openWithRetry(input, finished.path(), kw5platform::OpenPurpose::ReadShareRead))
        return ReplaceOutcome::Untouched;
    if (copyRest(input, held.file(), kw5platform::SourceCache::Release) != KW5_FILE_RET_OK ||
        !held.file().truncate(size) || !held.file().flush()) {
        uint32_t error = kw5platform::lastError();
        finished.keep();
        writeLog("writeFile(remake) writing through the target failed %d path = %S, the new "
                 "file is kept at %S",
                 static_cast<int>(error), target.c_str(), finished.path().c_str());
        kw5platform::setLastError(error);
        return ReplaceOutcome::Damaged;
    }
    writeLog("writeFile(remake) written through the existing file path = %S", target.c_str());
    return ReplaceOutcome::WrittenThrough;
}

// A copy of finished in the target's folder, renamed over the target.
ReplaceOutcome copyBesideAndRename(KW5HeldTarget& held, KW5ScratchFile& finished, uint64_t size,
                                   const KW5WString& target) {
    KW5WString beside;
    if (makeReplacementPath(target, beside) != KW5_FILE_RET_OK) {
        kw5platform::setLastError(kw5platform::kErrorInvalidName);
        return ReplaceOutcome::Untouched;
    }
    KW5ScratchFile copy;
    if (!copy.create(beside))
        return mayWriteThrough(kw5platform::lastError())
                   ? writeThrough(held, finished, size, target)
                   : ReplaceOutcome::Untouched;
    finished.file().close();
    kw5platform::File input;
    if (!openWithRetry(input, finished.path(), kw5platform::OpenPurpose::ReadShareRead) ||
        copyRest(input, copy.file(), kw5platform::SourceCache::Release) != KW5_FILE_RET_OK ||
        !copy.file().flush())
        return ReplaceOutcome::Untouched;
    input.close();
    bool kept = true;
    if (held.exists() && !held.file().copyIdentityTo(copy.file(), kept))
        return ReplaceOutcome::Untouched;
    copy.file().close();
    if (kept && renameOver(held.file(), copy.path(), target)) {
        copy.keep();
        return ReplaceOutcome::Replaced;
    }
    if (!kept || mayWriteThrough(kw5platform::lastError())) {
        copy.remove();
        return writeThrough(held, finished, size, target);
    }
    return ReplaceOutcome::Untouched;
}

} // namespace

ReplaceOutcome replaceTarget(KW5HeldTarget& held, KW5ScratchFile& finished, uint64_t size,
                             const KW5WString& target) {
    bool same = false;
    if (!kw5platform::sameVolume(finished.path(), target, same))
        return ReplaceOutcome::Untouched;
    if (!same)
        return copyBesideAndRename(held, finished, size, target);
    bool kept = true;
    if (held.exists() && !held.file().copyIdentityTo(finished.file(), kept))
        return ReplaceOutcome::Untouched;
    if (!kept)
        return writeThrough(held, finished, size, target);
    finished.file().close();
    if (renameOver(held.file(), finished.path(), target)) {
        finished.keep();
        return ReplaceOutcome::Replaced;
    }
    // Mount points of one file system share a device number, but a rename
    // between them fails as across volumes.
    uint32_t error = kw5platform::lastError();
    if (error == kw5platform::kErrorNotSameDevice)
        return copyBesideAndRename(held, finished, size, target);
    if (mayWriteThrough(error))
        return writeThrough(held, finished, size, target);
    return ReplaceOutcome::Untouched;
}

} // namespace kw5storage
