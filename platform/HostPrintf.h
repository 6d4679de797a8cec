// printf-style formatting with host (UTF-16) strings.
//
// The library's log formats come from Windows, where %S in a narrow format
// takes a wide string. The C libraries disagree on %S (glibc reads wchar_t,
// which is 32 bits there), so the conversions are parsed here and each one
// is handed to snprintf on its own, with the host strings turned to UTF-8
// first.
//
// Host text: %S, %ls and %lS take const KW5WChar* (null prints "(null)");
// their precision counts UTF-16 units read, never splitting a surrogate
// pair, and their width counts bytes of the UTF-8 result. %C and %lc take
// one KW5WChar. %hs and %hS take a narrow string.
// Everything else follows printf: flags "-+ #0", width and precision (also
// "*"), the lengths hh h l ll j z t L and the Windows I, I32 and I64, and
// the conversions d i u o x X c s p e E f F g G a A %. %n writes nothing.
// An unknown conversion ends the formatting: the rest of the format is
// copied as it stands and no further argument is read.
#ifndef KW5_PLATFORM_HOSTPRINTF_H
#define KW5_PLATFORM_HOSTPRINTF_H

#include <cstdarg>
#include <string>

namespace kw5platform {

std::string formatHostV(const char* format, va_list args);
std::string formatHost(const char* format, ...);

} // namespace kw5platform

#endif
