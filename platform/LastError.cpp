#include "platform/File.h"

namespace kw5platform {

namespace {
// Like GetLastError: one value per thread, so parallel objects on other
// threads do not see each other's failures.
thread_local uint32_t tLastError = 0;
} // namespace

uint32_t lastError() {
    return tLastError;
}

void setLastError(uint32_t code) {
    tLastError = code;
}

} // namespace kw5platform
