// UTF-16 host text to and from UTF-8.
//
// Log files and POSIX file names are UTF-8 bytes; host strings are UTF-16.
// Broken input (a lone surrogate, an invalid UTF-8 byte) becomes U+FFFD
// instead of failing, so a diagnostic line or a path is never lost.
#ifndef KW5_PLATFORM_UNICODETEXT_H
#define KW5_PLATFORM_UNICODETEXT_H

#include "platform/Types.h"

#include <cstddef>
#include <string>

namespace kw5platform {

std::string utf16ToUtf8(const KW5WChar* text, size_t length);
std::string utf16ToUtf8(const KW5WString& text);
KW5WString utf8ToUtf16(const std::string& text);

} // namespace kw5platform

#endif
