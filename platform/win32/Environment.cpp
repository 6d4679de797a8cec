#include "platform/Environment.h"

#include <windows.h>

#include <vector>

namespace kw5platform {

namespace {

std::wstring wideName(const char* name) {
    // Variable names are ASCII.
    return std::wstring(name, name + strlen(name));
}

} // namespace

bool environmentVariable(const char* name, KW5WString& value) {
    if (!name)
        return false;
    std::wstring wide = wideName(name);
    SetLastError(ERROR_SUCCESS);
    DWORD needed = GetEnvironmentVariableW(wide.c_str(), nullptr, 0);
    if (needed == 0) {
        // Set but empty reports 0 without an error.
        if (GetLastError() == ERROR_ENVVAR_NOT_FOUND)
            return false;
        value.clear();
        return true;
    }
    std::vector<wchar_t> buffer(needed);
    DWORD count = GetEnvironmentVariableW(wide.c_str(), buffer.data(), needed);
    if (count >= needed)
        return false;
    value.assign(buffer.data(), count);
    return true;
}

bool setEnvironmentVariable(const char* name, const KW5WString& value) {
    return name && SetEnvironmentVariableW(wideName(name).c_str(), value.c_str());
}

bool unsetEnvironmentVariable(const char* name) {
    return name && SetEnvironmentVariableW(wideName(name).c_str(), nullptr);
}

} // namespace kw5platform
