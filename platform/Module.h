// Loaded modules: which module holds an address, its file name, and
// loading a library to look up one of its exports.
//
// Errors are Windows error numbers on every platform, since the callers put
// them into messages that name the Windows calls.
#ifndef KW5_PLATFORM_MODULE_H
#define KW5_PLATFORM_MODULE_H

#include "platform/Types.h"

#include <cstddef>
#include <cstdint>

namespace kw5platform {

typedef void* ModuleHandle;

// Module file names are read into this many characters, terminator included.
const size_t kModuleFileNameCapacity = 260;

const uint32_t kErrorInsufficientBuffer = 122;
const uint32_t kErrorModNotFound = 126;
const uint32_t kErrorProcNotFound = 127;
const uint32_t kErrorBadExeFormat = 193;
const uint32_t kErrorInvalidAddress = 487;

// GetModuleHandleExA with GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS and
// GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT: the module that holds
// address, without taking a reference (POSIX: dladdr).
bool moduleOfAddress(const void* address, ModuleHandle& module, uint32_t& error);

// GetModuleFileNameW into kModuleFileNameCapacity characters. A name that
// does not fit is a failure (kErrorInsufficientBuffer), never a cut path.
// The executable itself is named by its full path on every platform.
bool moduleFileName(ModuleHandle module, KW5WString& path, uint32_t& error);

// LoadLibraryExW with LOAD_WITH_ALTERED_SEARCH_PATH, so the library's own
// dependencies are searched for beside it (POSIX: dlopen, RTLD_NOW).
bool loadLibrary(const KW5WString& path, ModuleHandle& module, uint32_t& error);

// GetProcAddress; null with error set when the export is missing.
void* librarySymbol(ModuleHandle module, const char* name, uint32_t& error);

// FreeLibrary of a handle from loadLibrary.
void freeLibrary(ModuleHandle module);

} // namespace kw5platform

#endif
