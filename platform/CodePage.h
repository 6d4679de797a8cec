// Conversions between host (UTF-16) strings and narrow strings in the
// thread's ANSI code page.
#ifndef KW5_PLATFORM_CODEPAGE_H
#define KW5_PLATFORM_CODEPAGE_H

#include "platform/Types.h"

#include <string>

namespace kw5platform {

// Inputs of this many characters or more are refused.
const size_t kMaxConvertLength = 0x3FFFFFFF;

// Converts the characters up to the first NUL. A single-NUL input gives a
// single-NUL output. Returns false when the conversion is impossible (too
// long, or the code page cannot be used); unmappable characters become the
// code page's replacement character and are no failure.
bool convertToWide(const std::string& narrow, KW5WString& wide);
bool convertToNarrow(const KW5WString& wide, std::string& narrow);

// The ANSI code page of the calling thread (Windows code page number, e.g.
// 1252 or 932). On POSIX it is held per thread, starts from the environment
// variable KW5_ANSI_CODEPAGE or 1252; on Windows it is CP_THREAD_ACP and
// setting it changes the thread locale where possible.
unsigned int threadAnsiCodePage();
bool setThreadAnsiCodePage(unsigned int codePage);

} // namespace kw5platform

#endif
