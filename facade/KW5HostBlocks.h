// Byte blocks that cross the export boundary: private copies of what a host
// hands in, and task-allocator blocks handed out (the host frees them with
// CoTaskMemFree).
#ifndef KW5_FACADE_KW5HOSTBLOCKS_H
#define KW5_FACADE_KW5HOSTBLOCKS_H

#include "facade/KW5FileRet.h"
#include "platform/Types.h"

#include <cstddef>
#include <vector>

// A private copy of size host bytes. KW5_FILE_RET_NULL_POINTER when bytes is
// null but size is not 0, KW5_FILE_RET_OUT_OF_MEMORY when the copy cannot be
// had.
_KW5_FILE_RET copyHostBytes(const unsigned char* bytes, size_t size,
                            std::vector<unsigned char>& copy);

// A new task-allocator block holding a copy of size bytes;
// KW5_FILE_RET_OUT_OF_MEMORY when the allocator answers null.
_KW5_FILE_RET makeTaskMemBlock(const unsigned char* bytes, size_t size, unsigned char*& block);

#endif
