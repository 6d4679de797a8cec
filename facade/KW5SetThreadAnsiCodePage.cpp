// The exported switch of the ANSI code page that narrow frame texts use on
// the calling thread.
#include "kw5/CKW5VorletLib.h"

#include "platform/CodePage.h"

extern "C" KW5_API bool KW5SetThreadAnsiCodePage(unsigned int codePage) {
    try {
        return kw5platform::setThreadAnsiCodePage(codePage);
    } catch (...) {
        return false;
    }
}
