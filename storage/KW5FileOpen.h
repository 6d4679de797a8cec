// The one rule by which the storage room opens files: up to 3 attempts,
// 100 ms apart, retrying only while the open fails with a sharing violation
// (another process holds the file in a conflicting mode).
#ifndef KW5_STORAGE_KW5FILEOPEN_H
#define KW5_STORAGE_KW5FILEOPEN_H

#include "platform/File.h"
#include "platform/Types.h"

#include <cstdint>

namespace kw5storage {

const int kOpenAttempts = 3;
const unsigned int kOpenRetryPauseMs = 100;

// False with kw5platform::lastError() of the last attempt.
bool openWithRetry(kw5platform::File& file, const KW5WString& path,
                   kw5platform::OpenPurpose purpose);

// Errors that mean "there is no such file" rather than "it cannot be read":
// not found, folder not found, and names no file can have.
bool errorMeansMissing(uint32_t error);

} // namespace kw5storage

#endif
