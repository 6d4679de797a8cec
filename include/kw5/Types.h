// Integer and string types shared by the library and its hosts.
//
// The library's 32-bit results and sizes are 32-bit on every platform, and
// host strings are UTF-16 code units: std::wstring on Windows (where wchar_t
// is 16 bits), std::u16string elsewhere.
#ifndef KW5_TYPES_H
#define KW5_TYPES_H

#include <cstdint>
#include <string>

#ifdef _WIN32
// Identical to the Windows SDK typedefs, so both may be seen together.
typedef long LONG;
typedef unsigned long ULONG;
typedef long HRESULT;
typedef wchar_t KW5WChar;
typedef std::wstring KW5WString;
#define KW5_WSTR(s) L##s
#else
typedef int32_t LONG;
typedef uint32_t ULONG;
typedef int32_t HRESULT;
typedef char16_t KW5WChar;
typedef std::u16string KW5WString;
#define KW5_WSTR(s) u##s
#endif

static_assert(sizeof(LONG) == 4, "LONG must be 32 bits");
static_assert(sizeof(ULONG) == 4, "ULONG must be 32 bits");
static_assert(sizeof(KW5WChar) == 2, "host characters must be UTF-16 code units");

#if defined(_WIN32)
#if defined(KW5_BUILDING_LIBRARY)
#define KW5_API __declspec(dllexport)
#else
#define KW5_API __declspec(dllimport)
#endif
#else
#define KW5_API __attribute__((visibility("default")))
#endif

#endif
