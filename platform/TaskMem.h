// The COM task allocator: blocks handed to and taken back from hosts.
//
// On Windows these are ole32's CoTaskMemAlloc / CoTaskMemFree; elsewhere the
// library exports its own pair under those names (declared in
// include/kw5/TaskMem.h), so a host frees what it receives.
#ifndef KW5_PLATFORM_TASKMEM_H
#define KW5_PLATFORM_TASKMEM_H

#include <cstddef>

namespace kw5platform {

void* taskMemAlloc(size_t size);
void taskMemFree(void* block);

} // namespace kw5platform

#endif
