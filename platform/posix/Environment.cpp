#include "platform/Environment.h"

#include "platform/UnicodeText.h"

#include <cstdlib>

namespace kw5platform {

bool environmentVariable(const char* name, KW5WString& value) {
    const char* text = name ? std::getenv(name) : nullptr;
    if (!text)
        return false;
    value = utf8ToUtf16(text);
    return true;
}

bool setEnvironmentVariable(const char* name, const KW5WString& value) {
    return name && setenv(name, utf16ToUtf8(value).c_str(), 1) == 0;
}

bool unsetEnvironmentVariable(const char* name) {
    return name && unsetenv(name) == 0;
}

} // namespace kw5platform
