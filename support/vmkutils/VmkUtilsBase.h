// The utility library VMKUtils_base.dll: its entry point and the object it
// hands out.
//
// The library binds vmkutils_base at load time for its own log and looks it
// up again at run time for the shared-file log. Both reach the log through
// the first virtual slot of the object, so writeLine must stay the first
// virtual function declared here, and new operations go after it.
#ifndef KW5_SUPPORT_VMKUTILS_VMKUTILSBASE_H
#define KW5_SUPPORT_VMKUTILS_VMKUTILSBASE_H

#include <cstdarg>

#if defined(_WIN32)
#if defined(VMKUTILS_BUILDING)
#define VMKUTILS_API __declspec(dllexport)
#else
#define VMKUTILS_API __declspec(dllimport)
#endif
#else
#define VMKUTILS_API __attribute__((visibility("default")))
#endif

class VmkUtilsBase {
public:
    // Writes one log line from a printf-style narrow format, in which %S
    // takes a host (UTF-16) string and %s a narrow one.
    virtual void writeLine(const char* format, va_list args) = 0;

protected:
    // The object lives as long as the process; callers never release it.
    ~VmkUtilsBase() = default;
};

// The type of vmkutils_base, for a lookup at run time.
typedef VmkUtilsBase* (*VmkUtilsBaseEntry)();

// Never returns null.
extern "C" VMKUTILS_API VmkUtilsBase* vmkutils_base();

#endif
