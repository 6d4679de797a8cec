#include "platform/Process.h"

#include <windows.h>

namespace kw5platform {

KW5WString executablePath() {
    wchar_t buffer[MAX_PATH];
    DWORD count = GetModuleFileNameW(nullptr, buffer, MAX_PATH);
    if (count == 0)
        return KW5WString();
    // A cut name keeps MAX_PATH - 1 characters, as the callers expect.
    if (count >= MAX_PATH)
        count = MAX_PATH - 1;
    return KW5WString(buffer, count);
}

std::string commandLine() {
    const char* line = GetCommandLineA();
    return line ? std::string(line) : std::string();
}

uint32_t processId() {
    return GetCurrentProcessId();
}

uint32_t threadId() {
    return GetCurrentThreadId();
}

} // namespace kw5platform
