#include "platform/Module.h"

#include <windows.h>

namespace kw5platform {

bool moduleOfAddress(const void* address, ModuleHandle& module, uint32_t& error) {
    HMODULE handle = nullptr;
    if (!address || !::GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                              GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                                          static_cast<LPCSTR>(address), &handle)) {
        error = address ? static_cast<uint32_t>(::GetLastError()) : kErrorInvalidAddress;
        return false;
    }
    module = handle;
    return true;
}

bool moduleFileName(ModuleHandle module, KW5WString& path, uint32_t& error) {
    wchar_t buffer[kModuleFileNameCapacity];
    DWORD length = ::GetModuleFileNameW(static_cast<HMODULE>(module), buffer,
                                        static_cast<DWORD>(kModuleFileNameCapacity));
    if (length == 0) {
        error = static_cast<uint32_t>(::GetLastError());
        return false;
    }
    // A name that fills the buffer was cut (Windows XP does not even say so).
    if (length >= kModuleFileNameCapacity) {
        error = kErrorInsufficientBuffer;
        return false;
    }
    path.assign(buffer, length);
    return true;
}

bool loadLibrary(const KW5WString& path, ModuleHandle& module, uint32_t& error) {
    HMODULE handle = ::LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (!handle) {
        error = static_cast<uint32_t>(::GetLastError());
        return false;
    }
    module = handle;
    return true;
}

void* librarySymbol(ModuleHandle module, const char* name, uint32_t& error) {
    if (!module || !name) {
        error = kErrorProcNotFound;
        return nullptr;
    }
    FARPROC address = ::GetProcAddress(static_cast<HMODULE>(module), name);
    if (!address) {
        error = static_cast<uint32_t>(::GetLastError());
        return nullptr;
    }
    return reinterpret_cast<void*>(address);
}

void freeLibrary(ModuleHandle module) {
    if (module)
        ::FreeLibrary(static_cast<HMODULE>(module));
}

} // namespace kw5platform
