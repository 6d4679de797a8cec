#include "storage/KW5FileReplace.h"

#include "platform/File.h"
#include "platform/Path.h"
#include "storage/KW5AudioCopy.h"
#include "storage/KW5FileOpen.h"
#include "storage/KW5TempFile.h"

namespace kw5storage {

namespace {

// Removes a half-made file without losing the error that made it useless.
void discard(const KW5WString& path) {
    uint32_t error = kw5platform::lastError();
    kw5platform::deleteFile(path);
    kw5platform::setLastError(error);
}

bool renameOver(const KW5WString& from, const KW5WString& target) {
    return kw5platform::copyPermissions(target, from) && kw5platform::replaceFile(from, target) &&
           kw5platform::syncFolderOf(target);
}

bool copyBesideAndRename(const KW5WString& finished, const KW5WString& target) {
    KW5WString beside;
    if (makeReplacementPath(target, beside) != KW5_FILE_RET_OK) {
        kw5platform::setLastError(kw5platform::kErrorInvalidName);
        return false;
    }
    kw5platform::File output;
    if (!createExclusiveFile(output, beside))
        return false;
    kw5platform::File input;
    if (!openWithRetry(input, finished, kw5platform::OpenPurpose::ReadShareRead)) {
        output.close();
        discard(beside);
        return false;
    }
    bool copied = copyRest(input, output) == KW5_FILE_RET_OK && output.flush();
    input.close();
    output.close();
    if (!copied || !renameOver(beside, target)) {
        discard(beside);
        return false;
    }
    return true;
}

} // namespace

bool replaceTarget(const KW5WString& finished, const KW5WString& target) {
    bool same = false;
    if (!kw5platform::sameVolume(finished, target, same))
        return false;
    if (same)
        return renameOver(finished, target);
    return copyBesideAndRename(finished, target);
}

} // namespace kw5storage
