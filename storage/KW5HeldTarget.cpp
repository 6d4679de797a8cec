#include "storage/KW5HeldTarget.h"

#include "storage/KW5File.h"
#include "storage/KW5FileOpen.h"
#include "support/KW5Log.h"
#include "tag/KW5TagHeader.h"

namespace kw5storage {

KW5HeldTarget::KW5HeldTarget() : tagSize_(0), fileSize_(0) {}

_KW5_FILE_RET KW5HeldTarget::hold(const KW5WString& target) {
    file_.close();
    tagSize_ = 0;
    fileSize_ = 0;
    _KW5_FILE_RET writable = KW5File::checkFileWritable(target);
    if (writable != KW5_FILE_RET_OK) {
        writeLog("writeFile: target is read-only or cannot be examined path = %S", target.c_str());
        return KW5_FILE_RET_FAILED;
    }
    // A writer that replaced the file while we waited for it leaves us
    // holding the old one: open again, the new one is at the path now.
    for (int attempt = 1; attempt <= kOpenAttempts; ++attempt) {
        if (!openWithRetry(file_, target, kw5platform::OpenPurpose::ReadWriteExclusive)) {
            uint32_t error = kw5platform::lastError();
            if (errorMeansMissing(error) && !KW5File::fileExists(target))
                return KW5_FILE_RET_OK;
            writeLog("writeFile: target cannot be held for writing %d path = %S",
                     static_cast<int>(error), target.c_str());
            kw5platform::setLastError(error);
            return KW5_FILE_RET_FILE_ACCESS_ERROR;
        }
        if (file_.isAt(target))
            return measure();
        file_.close();
    }
    writeLog("writeFile: target keeps being replaced path = %S", target.c_str());
    kw5platform::setLastError(kw5platform::kErrorSharingViolation);
    return KW5_FILE_RET_FILE_ACCESS_ERROR;
}

_KW5_FILE_RET KW5HeldTarget::measure() {
    unsigned char header[KW5TagHeader::kLength];
    uint32_t got = 0;
    if (!file_.size(fileSize_) || !file_.seek(0) ||
        !file_.read(header, KW5TagHeader::kLength, got)) {
        file_.close();
        return KW5_FILE_RET_FILE_ACCESS_ERROR;
    }
    tagSize_ = KW5TagHeader::tagSizeOf(header, got);
    return KW5_FILE_RET_OK;
}

bool KW5HeldTarget::audioStartsLikeATag() {
    if (!exists() || tagSize_ == 0 || fileSize_ <= tagSize_)
        return false;
    unsigned char header[KW5TagHeader::kLength];
    uint32_t got = 0;
    if (!file_.seek(tagSize_) || !file_.read(header, KW5TagHeader::kLength, got))
        return true;
    return KW5TagHeader::tagSizeOf(header, got) != 0;
}

} // namespace kw5storage
