// UTF-8 to UTF-16 as the Win32 converter (code page 65001, no flags) reads
// it, ill-formed input included: each ill-formed sequence becomes one U+FFFD,
// and a sequence cut off by the end of the input takes the rest with it.
#ifndef KW5_PLATFORM_POSIX_UTF8TOWIDE_H
#define KW5_PLATFORM_POSIX_UTF8TOWIDE_H

#include "platform/Types.h"

#include <cstddef>

namespace kw5platform {

void utf8ToWide(const unsigned char* bytes, size_t length, KW5WString& wide);

} // namespace kw5platform

#endif
