// The allocator of every block the library hands to a host.
#ifndef KW5_TASKMEM_H
#define KW5_TASKMEM_H

#include "kw5/Types.h"

#include <cstddef>

#ifdef _WIN32
// Hosts use ole32's CoTaskMemAlloc / CoTaskMemFree on Windows.
#include <objbase.h>
#else
extern "C" {
KW5_API void* CoTaskMemAlloc(size_t size);
KW5_API void CoTaskMemFree(void* block);
}
#endif

#endif
