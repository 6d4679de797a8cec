// The Windows registry. A 64-bit process reads the 64-bit view and a 32-bit
// one the WOW6432Node view, as KEY_READ alone gives them.
#include "platform/Registry.h"

#include <windows.h>

#include <vector>

namespace kw5platform {

namespace {

HKEY rootKey(RegistryHive hive) {
    switch (hive) {
    case RegistryHive::LocalMachine:
        break;
    }
    return HKEY_LOCAL_MACHINE;
}

} // namespace

bool readRegistryString(RegistryHive hive, const std::string& keyPath, const KW5WString& valueName,
                        size_t maxBytes, KW5WString& value) {
    if (maxBytes < sizeof(wchar_t) || maxBytes > 0x7FFFFFFF)
        return false;
    HKEY key = nullptr;
    if (::RegOpenKeyExA(rootKey(hive), keyPath.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    std::vector<wchar_t> buffer(maxBytes / sizeof(wchar_t) + 1, L'\0');
    DWORD type = 0;
    DWORD size = static_cast<DWORD>(maxBytes);
    LONG status = ::RegQueryValueExW(key, valueName.c_str(), nullptr, &type,
                                     reinterpret_cast<BYTE*>(buffer.data()), &size);
    ::RegCloseKey(key);
    if (status != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ))
        return false;
    // The stored bytes may or may not end in a terminator.
    size_t units = size / sizeof(wchar_t);
    while (units > 0 && buffer[units - 1] == L'\0')
        --units;
    if ((units + 1) * sizeof(wchar_t) > maxBytes)
        return false;
    value.assign(buffer.data(), units);
    return true;
}

} // namespace kw5platform
