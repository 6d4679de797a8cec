#include "platform/Registry.h"

#include <windows.h>

#include <vector>

namespace kw5platform {

namespace {

HKEY hiveKey(RegistryHive hive) {
    switch (hive) {
    case RegistryHive::LocalMachine:
        break;
    }
    return HKEY_LOCAL_MACHINE;
}

} // namespace

bool readRegistryString(RegistryHive hive, const std::string& keyPath, const KW5WString& valueName,
                        size_t maxBytes, KW5WString& value) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(hiveKey(hive), keyPath.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    // One unit more than asked for, so the text is terminated even when the
    // stored value is not.
    std::vector<wchar_t> buffer(maxBytes / sizeof(wchar_t) + 1, L'\0');
    DWORD type = 0;
    DWORD size = static_cast<DWORD>(maxBytes);
    LONG result = RegQueryValueExW(key, valueName.c_str(), nullptr, &type,
                                   reinterpret_cast<BYTE*>(buffer.data()), &size);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ))
        return false;
    size_t units = size / sizeof(wchar_t);
    // An unterminated value needs room for its terminator too.
    if (units > 0 && buffer[units - 1] == L'\0')
        --units;
    else if ((units + 1) * sizeof(wchar_t) > maxBytes)
        return false;
    value.assign(buffer.data(), units);
    // The text ends at its first terminator, as the string functions read it.
    size_t end = value.find(L'\0');
    if (end != KW5WString::npos)
        value.resize(end);
    return true;
}

} // namespace kw5platform
