// errno values of POSIX calls as the Windows error numbers of File.h, and
// host paths as the UTF-8 names the POSIX calls take.
#ifndef KW5_PLATFORM_POSIX_POSIXERROR_H
#define KW5_PLATFORM_POSIX_POSIXERROR_H

#include "platform/Types.h"

#include <cstdint>
#include <string>

namespace kw5platform {

// path is the name the failed call was given: ENOENT is "file not found"
// when its folder exists and "path not found" when it does not.
uint32_t windowsErrorFromErrno(int error, const std::string& path);

// Sets lastError() from errno and returns false, for "return fail(path);".
bool failFromErrno(const std::string& path);

// An empty result for a path holding a NUL character, which no POSIX call
// can take.
bool nativePath(const KW5WString& path, std::string& native);

} // namespace kw5platform

#endif
