#include "platform/Process.h"

#include <windows.h>

#include <vector>

namespace kw5platform {

KW5WString executablePath() {
    // Long paths ("\\?\" names) may exceed MAX_PATH: grow until it fits.
    for (DWORD capacity = MAX_PATH; capacity <= 32768; capacity *= 2) {
        std::vector<wchar_t> buffer(capacity);
        DWORD length = ::GetModuleFileNameW(nullptr, buffer.data(), capacity);
        if (length == 0)
            return KW5WString();
        if (length < capacity)
            return KW5WString(buffer.data(), length);
    }
    return KW5WString();
}

std::string commandLine() {
    const char* line = ::GetCommandLineA();
    return line ? std::string(line) : std::string();
}

uint32_t processId() {
    return static_cast<uint32_t>(::GetCurrentProcessId());
}

uint32_t threadId() {
    return static_cast<uint32_t>(::GetCurrentThreadId());
}

} // namespace kw5platform
