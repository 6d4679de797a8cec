// Environment variables of the process, as host strings (UTF-8 on POSIX).
#ifndef KW5_PLATFORM_ENVIRONMENT_H
#define KW5_PLATFORM_ENVIRONMENT_H

#include "platform/Types.h"

namespace kw5platform {

// False when the variable is not set; an empty value is a value.
bool environmentVariable(const char* name, KW5WString& value);
bool setEnvironmentVariable(const char* name, const KW5WString& value);
bool unsetEnvironmentVariable(const char* name);

} // namespace kw5platform

#endif
