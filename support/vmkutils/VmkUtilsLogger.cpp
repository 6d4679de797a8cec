#include "support/vmkutils/VmkUtilsLogger.h"

#include "platform/AppendFile.h"
#include "platform/Clock.h"
#include "platform/HostPrintf.h"
#include "platform/Process.h"
#include "support/vmkutils/VmkLogDestination.h"

#include <cstdio>
#include <string>

namespace vmkutils {

namespace {

#ifdef _WIN32
const char* const kLineEnd = "\r\n";
#else
const char* const kLineEnd = "\n";
#endif

std::string formatLine(const char* format, va_list args) {
    kw5platform::LocalTime t = kw5platform::localTimeNow();
    char prefix[64];
    std::snprintf(prefix, sizeof prefix, "%04d-%02d-%02d %02d:%02d:%02d.%03d %08x:%08x ", t.year,
                  t.month, t.day, t.hour, t.minute, t.second, t.millisecond,
                  static_cast<unsigned int>(kw5platform::processId()),
                  static_cast<unsigned int>(kw5platform::threadId()));
    return prefix + kw5platform::formatHostV(format, args);
}

} // namespace

void VmkUtilsLogger::writeLine(const char* format, va_list args) {
    if (!format)
        return;
    std::string line = formatLine(format, args);
    if (line.back() != '\n')
        line += kLineEnd;
    KW5WString path;
    if (!logFilePath(path))
        return;
    std::lock_guard<std::mutex> lock(mutex_);
    kw5platform::AppendFile file;
    if (file.open(path, kw5platform::AppendSharing::ShareReadWrite))
        file.append(line.data(), line.size());
}

} // namespace vmkutils
