#include "platform/TaskMem.h"

#include <objbase.h>

namespace kw5platform {

void* taskMemAlloc(size_t size) { return CoTaskMemAlloc(size); }

void taskMemFree(void* block) { CoTaskMemFree(block); }

} // namespace kw5platform
