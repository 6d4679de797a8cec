#include "storage/KW5FileOpen.h"

namespace kw5storage {

bool openWithRetry(kw5platform::File& file, const KW5WString& path,
                   kw5platform::OpenPurpose purpose) {
    for (int attempt = 1;; ++attempt) {
        if (file.open(path, purpose))
            return true;
        if (kw5platform::lastError() != kw5platform::kErrorSharingViolation ||
            attempt == kOpenAttempts)
            return false;
        kw5platform::sleepMilliseconds(kOpenRetryPauseMs);
    }
}

bool errorMeansMissing(uint32_t error) {
    return error == kw5platform::kErrorFileNotFound || error == kw5platform::kErrorPathNotFound ||
           error == kw5platform::kErrorInvalidName ||
           error == kw5platform::kErrorFilenameExcedRange;
}

} // namespace kw5storage
