#include "platform/Module.h"

#include <windows.h>

namespace kw5platform {

bool moduleOfAddress(const void* address, ModuleHandle& module, uint32_t& error) {
    HMODULE handle = nullptr;
    if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            static_cast<LPCSTR>(address), &handle)) {
        error = GetLastError();
        return false;
    }
    module = handle;
    return true;
}

bool moduleFileName(ModuleHandle module, KW5WString& path, uint32_t& error) {
    wchar_t buffer[kModuleFileNameCapacity];
    DWORD count = GetModuleFileNameW(static_cast<HMODULE>(module), buffer,
                                     static_cast<DWORD>(kModuleFileNameCapacity));
    if (count == 0) {
        error = GetLastError();
        return false;
    }
    // A full buffer means the name was cut.
    if (count >= kModuleFileNameCapacity) {
        error = kErrorInsufficientBuffer;
        return false;
    }
    path.assign(buffer, count);
    return true;
}

bool loadLibrary(const KW5WString& path, ModuleHandle& module, uint32_t& error) {
    HMODULE handle = LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (!handle) {
        error = GetLastError();
        return false;
    }
    module = handle;
    return true;
}

void* librarySymbol(ModuleHandle module, const char* name, uint32_t& error) {
    FARPROC address = GetProcAddress(static_cast<HMODULE>(module), name);
    if (!address) {
        error = GetLastError();
        return nullptr;
    }
    return reinterpret_cast<void*>(address);
}

void freeLibrary(ModuleHandle module) {
    if (module)
        FreeLibrary(static_cast<HMODULE>(module));
}

} // namespace kw5platform
