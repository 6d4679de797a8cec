#include "facade/KW5HostBlocks.h"

#include "platform/TaskMem.h"

#include <cstring>
#include <new>
#include <stdexcept>

_KW5_FILE_RET copyHostBytes(const unsigned char* bytes, size_t size,
                            std::vector<unsigned char>& copy) {
    if (bytes == nullptr && size != 0)
        return KW5_FILE_RET_NULL_POINTER;
    try {
        copy.assign(bytes, bytes + size);
    } catch (const std::bad_alloc&) {
        return KW5_FILE_RET_OUT_OF_MEMORY;
    } catch (const std::length_error&) {
        return KW5_FILE_RET_OUT_OF_MEMORY;
    }
    return KW5_FILE_RET_OK;
}

_KW5_FILE_RET makeTaskMemBlock(const unsigned char* bytes, size_t size, unsigned char*& block) {
    if (bytes == nullptr && size != 0)
        return KW5_FILE_RET_NULL_POINTER;
    void* fresh = kw5platform::taskMemAlloc(size);
    if (fresh == nullptr)
        return KW5_FILE_RET_OUT_OF_MEMORY;
    if (size != 0)
        std::memcpy(fresh, bytes, size);
    block = static_cast<unsigned char*>(fresh);
    return KW5_FILE_RET_OK;
}
