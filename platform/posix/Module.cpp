#include "platform/Module.h"

#include "platform/UnicodeText.h"

#include <dlfcn.h>
#include <link.h>
#include <sys/stat.h>
#include <unistd.h>

#include <vector>

namespace kw5platform {

namespace {

bool executableFileName(std::string& path) {
    std::vector<char> buffer(4096);
    ssize_t count = readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (count <= 0 || static_cast<size_t>(count) >= buffer.size())
        return false;
    path.assign(buffer.data(), static_cast<size_t>(count));
    return true;
}

} // namespace

// The handle is the dynamic linker's link_map of the module: it names the
// module's file, and it stays valid while the module is loaded.
bool moduleOfAddress(const void* address, ModuleHandle& module, uint32_t& error) {
    Dl_info info;
    struct link_map* map = nullptr;
    if (!address || dladdr1(address, &info, reinterpret_cast<void**>(&map), RTLD_DL_LINKMAP) == 0 ||
        !map) {
        error = kErrorInvalidAddress;
        return false;
    }
    module = map;
    return true;
}

bool moduleFileName(ModuleHandle module, KW5WString& path, uint32_t& error) {
    const struct link_map* map = static_cast<const struct link_map*>(module);
    std::string name;
    if (!map) {
        error = kErrorModNotFound;
        return false;
    }
    // The executable's own entry has an empty name.
    if (!map->l_name || map->l_name[0] == 0) {
        if (!executableFileName(name)) {
            error = kErrorModNotFound;
            return false;
        }
    } else {
        name = map->l_name;
    }
    KW5WString wide = utf8ToUtf16(name);
    if (wide.size() >= kModuleFileNameCapacity) {
        error = kErrorInsufficientBuffer;
        return false;
    }
    path = wide;
    return true;
}

bool loadLibrary(const KW5WString& path, ModuleHandle& module, uint32_t& error) {
    std::string name = utf16ToUtf8(path);
    void* handle = dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        struct stat status;
        error = stat(name.c_str(), &status) == 0 ? kErrorBadExeFormat : kErrorModNotFound;
        return false;
    }
    module = handle;
    return true;
}

void* librarySymbol(ModuleHandle module, const char* name, uint32_t& error) {
    void* address = module && name ? dlsym(module, name) : nullptr;
    if (!address)
        error = kErrorProcNotFound;
    return address;
}

void freeLibrary(ModuleHandle module) {
    if (module)
        dlclose(module);
}

} // namespace kw5platform
