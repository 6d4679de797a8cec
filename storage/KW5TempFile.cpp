#include "storage/KW5TempFile.h"

#include "platform/Path.h"
#include "storage/KW5FileOpen.h"
#include "support/KW5Log.h"

#include <random>

namespace kw5storage {

namespace {

KW5WString randomCharacters(size_t count) {
    // Lower case only: Windows names do not tell case apart.
    static const char kAlphabet[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    thread_local std::mt19937 generator{std::random_device{}()};
    std::uniform_int_distribution<int> pick(0, static_cast<int>(sizeof kAlphabet) - 2);
    KW5WString out;
    for (size_t i = 0; i < count; ++i)
        out += static_cast<KW5WChar>(kAlphabet[pick(generator)]);
    return out;
}

// Drive and folder of a path: where files beside it go.
bool folderOf(const KW5WString& path, KW5WString& folder) {
    kw5platform::PathParts parts;
    if (!kw5platform::splitPath(path, parts))
        return false;
    folder.assign(parts.drive).append(parts.directory);
    return true;
}

} // namespace

KW5WString fillNameTemplate(const KW5WString& pattern) {
    KW5WString name = pattern;
    size_t count = name.size() < kUniqueCharacters ? name.size() : kUniqueCharacters;
    name.replace(name.size() - count, count, randomCharacters(count));
    return name;
}

_KW5_FILE_RET makeTemporaryPath(const KW5WString& target, KW5WString& temporary) {
    KW5WString name = fillNameTemplate(KW5_WSTR("tempXXXXXX"));
    KW5WString folder;
    if (!kw5platform::temporaryFolder(folder) || folder.size() > kMaxTemporaryFolder)
        folder.clear();
    // Without a temporary folder the copy goes beside the target (drive
    // included, so it stays on the target's volume).
    if (folder.empty() && !folderOf(target, folder))
        return KW5_FILE_RET_FAILED;
    KW5WString path = folder + name;
    if (path.size() > kMaxTemporaryPath)
        return KW5_FILE_RET_FAILED;
    temporary = path;
    return KW5_FILE_RET_OK;
}

_KW5_FILE_RET makeReplacementPath(const KW5WString& target, KW5WString& replacement) {
    kw5platform::PathParts parts;
    if (!kw5platform::splitPath(target, parts))
        return KW5_FILE_RET_FAILED;
    KW5WString folder;
    folder.assign(parts.drive).append(parts.directory);
    replacement = folder + KW5_WSTR(".") + parts.name + parts.extension +
                  fillNameTemplate(KW5_WSTR(".kw5new-XXXXXX"));
    return KW5_FILE_RET_OK;
}

bool createExclusiveFile(kw5platform::File& file, KW5WString& path) {
    if (path.size() < kUniqueCharacters) {
        kw5platform::setLastError(kw5platform::kErrorInvalidName);
        return false;
    }
    for (int attempt = 1;; ++attempt) {
        if (openWithRetry(file, path, kw5platform::OpenPurpose::CreateNewExclusive))
            return true;
        uint32_t error = kw5platform::lastError();
        bool taken =
            error == kw5platform::kErrorFileExists || error == kw5platform::kErrorAlreadyExists;
        if (!taken || attempt == kCreateAttempts)
            return false;
        path.replace(path.size() - kUniqueCharacters, kUniqueCharacters,
                     randomCharacters(kUniqueCharacters));
    }
}

KW5ScratchFile::KW5ScratchFile() : owned_(false) {}

KW5ScratchFile::~KW5ScratchFile() {
    try {
        remove();
    } catch (...) {
    }
}

bool KW5ScratchFile::create(const KW5WString& path) {
    remove();
    path_ = path;
    owned_ = createExclusiveFile(file_, path_);
    return owned_;
}

bool KW5ScratchFile::remove() {
    file_.close();
    if (!owned_)
        return true;
    owned_ = false;
    uint32_t error = kw5platform::lastError();
    bool removed = kw5platform::deleteFile(path_) || !kw5platform::findFile(path_);
    if (!removed) {
        kw5platform::File emptied;
        if (emptied.open(path_, kw5platform::OpenPurpose::WriteExclusive))
            emptied.truncate(0);
        writeLog("writeFile: temporary file cannot be removed path = %S", path_.c_str());
    }
    kw5platform::setLastError(error);
    return removed;
}

void KW5ScratchFile::keep() {
    file_.close();
    owned_ = false;
}

} // namespace kw5storage
