// Facts about the calling process and thread.
#ifndef KW5_PLATFORM_PROCESS_H
#define KW5_PLATFORM_PROCESS_H

#include "platform/Types.h"

#include <cstdint>
#include <string>

namespace kw5platform {

// Full path of the process's executable (GetModuleFileNameW with no module,
// POSIX: /proc/self/exe); empty when it cannot be had.
KW5WString executablePath();

// GetCommandLineA; POSIX: the arguments of /proc/self/cmdline joined by
// single spaces. Empty when it cannot be had.
std::string commandLine();

uint32_t processId();
uint32_t threadId();

} // namespace kw5platform

#endif
