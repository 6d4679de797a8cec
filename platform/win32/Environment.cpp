// The process environment block of Windows. The C run time keeps a copy of
// its own (getenv, _putenv), but the system calls that read variables (the
// temporary folder, for one) see this block, so it is the one used here.
#include "platform/Environment.h"

#include <windows.h>

#include <vector>

namespace kw5platform {

namespace {

// Variable names are ASCII.
std::wstring wideName(const char* name) {
    std::wstring wide;
    for (const char* c = name; *c; ++c)
        wide.push_back(static_cast<wchar_t>(static_cast<unsigned char>(*c)));
    return wide;
}

} // namespace

bool environmentVariable(const char* name, KW5WString& value) {
    if (!name || !*name)
        return false;
    std::wstring wide = wideName(name);
    std::vector<wchar_t> buffer(256);
    for (;;) {
        ::SetLastError(ERROR_SUCCESS);
        DWORD length = ::GetEnvironmentVariableW(wide.c_str(), buffer.data(),
                                                 static_cast<DWORD>(buffer.size()));
        if (length == 0) {
            // Zero is also the length of an empty value.
            if (::GetLastError() == ERROR_ENVVAR_NOT_FOUND)
                return false;
            value.clear();
            return true;
        }
        if (length < buffer.size()) {
            value.assign(buffer.data(), length);
            return true;
        }
        // Too small: length is the size needed, terminator included.
        buffer.resize(length + 1);
    }
}

bool setEnvironmentVariable(const char* name, const KW5WString& value) {
    return name && *name && ::SetEnvironmentVariableW(wideName(name).c_str(), value.c_str());
}

bool unsetEnvironmentVariable(const char* name) {
    if (!name || !*name)
        return false;
    // Removing a variable that is not set is no failure, as with unsetenv.
    return ::SetEnvironmentVariableW(wideName(name).c_str(), nullptr) ||
           ::GetLastError() == ERROR_ENVVAR_NOT_FOUND;
}

} // namespace kw5platform
