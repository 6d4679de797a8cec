#include "support/KW5Log.h"

#include "support/VmkUtilsBinding.h"
#include "support/vmkutils/VmkUtilsBase.h"

#include <cstdarg>

void writeLog(const char* format, ...) {
    va_list args;
    va_start(args, format);
    try {
        vmkutils_base()->writeLine(format, args);
    } catch (...) {
        // The log never takes its caller down.
    }
    va_end(args);
}

void writeSharedLog(const char* format, ...) {
    // Bound before the arguments are opened: a failure throws from here.
    VmkUtilsBase* utility = vmkutils_base_stub();
    va_list args;
    va_start(args, format);
    try {
        utility->writeLine(format, args);
    } catch (...) {
        va_end(args);
        throw;
    }
    va_end(args);
}
