#include "support/vmkutils/VmkUtilsBase.h"
#include "support/vmkutils/VmkUtilsLogger.h"

extern "C" VMKUTILS_API VmkUtilsBase* vmkutils_base() {
    // Never destroyed: lines may still be written while other static
    // objects of the process are torn down.
    static vmkutils::VmkUtilsLogger* logger = new vmkutils::VmkUtilsLogger();
    return logger;
}
