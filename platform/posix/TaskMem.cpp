#include "platform/TaskMem.h"

#include "kw5/TaskMem.h"

#include <cstdlib>

extern "C" {

KW5_API void* CoTaskMemAlloc(size_t size) { return std::malloc(size == 0 ? 1 : size); }

KW5_API void CoTaskMemFree(void* block) { std::free(block); }
}

namespace kw5platform {

void* taskMemAlloc(size_t size) { return CoTaskMemAlloc(size); }

void taskMemFree(void* block) { CoTaskMemFree(block); }

} // namespace kw5platform
