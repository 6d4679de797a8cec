// Reading string values from the system registry.
//
// On Windows this is the registry itself. Elsewhere a folder tree stands in
// for it: its root is the environment variable KW5_REGISTRY_ROOT, else
// /etc/kw5/registry; each hive and key is a folder (the key path is split at
// "\"), and each value a file holding its text in UTF-8, of which a single
// line end at the very end is not part of the value.
#ifndef KW5_PLATFORM_REGISTRY_H
#define KW5_PLATFORM_REGISTRY_H

#include "platform/Types.h"

#include <cstddef>
#include <string>

namespace kw5platform {

enum class RegistryHive { LocalMachine };

// RegOpenKeyExA(hive, keyPath, KEY_READ), RegQueryValueExW(valueName) into
// a buffer of maxBytes bytes, RegCloseKey. False when the key cannot be
// opened, the value is missing, is not a string, or its text with its
// terminator needs more than maxBytes bytes of UTF-16.
bool readRegistryString(RegistryHive hive, const std::string& keyPath, const KW5WString& valueName,
                        size_t maxBytes, KW5WString& value);

} // namespace kw5platform

#endif
