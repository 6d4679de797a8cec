#include "support/EmergencyLog.h"

#include "platform/AppendFile.h"
#include "platform/Clock.h"
#include "platform/HostPrintf.h"
#include "platform/NamedMutex.h"
#include "platform/Path.h"
#include "platform/Process.h"
#include "platform/UserFolders.h"

#include <cstdarg>
#include <mutex>
#include <string>

namespace {

const char* const kMutexName = "vmkemergencylog-mutex";
const unsigned int kMutexWaitMilliseconds = 5000;
const KW5WChar* const kFileName = KW5_WSTR("vmk-emergency-log.txt");
// The file path fits a 260-character buffer with its terminator.
const size_t kMaxPathLength = 259;
// GetModuleFileNameW into 260 characters keeps at most 259.
const size_t kMaxExecutableLength = 259;
// The line buffer: prefix and message are each cut to fit it.
const size_t kLineBufferSize = 2048;

// Held process-wide once found. A lock keeps a thread from reading a path
// another thread is still writing.
std::mutex cachedPathMutex;
KW5WString cachedPath;

void cutToBuffer(std::string& text) {
    if (text.size() > kLineBufferSize - 1)
        text.resize(kLineBufferSize - 1);
}

} // namespace

KW5WString emergencyLogPath() {
    std::lock_guard<std::mutex> lock(cachedPathMutex);
    if (cachedPath.empty()) {
        KW5WString desktop;
        if (!kw5platform::desktopFolder(desktop))
            return KW5WString();
        KW5WString path = desktop + kw5platform::pathSeparator() + kFileName;
        if (path.size() > kMaxPathLength)
            return KW5WString();
        cachedPath = path;
    }
    return cachedPath;
}

void writeEmergencyLog(const char* format, ...) {
    kw5platform::LocalTime t = kw5platform::localTimeNow();
    KW5WString path = emergencyLogPath();
    if (path.empty() || !format)
        return;
    KW5WString executable = kw5platform::executablePath();
    if (executable.size() > kMaxExecutableLength)
        executable.resize(kMaxExecutableLength);
    std::string commandLine = kw5platform::commandLine();

    // Without a mutex of our own (another user made a file under its name)
    // the line still goes out: it is appended in one write.
    kw5platform::NamedMutex mutex;
    if (mutex.open(kMutexName)) {
        kw5platform::NamedMutex::Wait waited = mutex.wait(kMutexWaitMilliseconds);
        if (waited != kw5platform::NamedMutex::Wait::Acquired &&
            waited != kw5platform::NamedMutex::Wait::Abandoned)
            return;
    }
    kw5platform::AppendFile file;
    if (!file.open(path, kw5platform::AppendSharing::ShareRead))
        return;

    std::string prefix = kw5platform::formatHost(
        "%04d/%02d/%02d %02d:%02d:%02d.%03d [%S %s] %08x:%08x ", t.year, t.month, t.day, t.hour,
        t.minute, t.second, t.millisecond, executable.c_str(), commandLine.c_str(),
        static_cast<unsigned int>(kw5platform::processId()),
        static_cast<unsigned int>(kw5platform::threadId()));
    cutToBuffer(prefix);
    va_list args;
    va_start(args, format);
    std::string message = kw5platform::formatHostV(format, args);
    va_end(args);
    cutToBuffer(message);
    // One write per line, so a reader never sees half of it.
    std::string line = prefix + message + "\r\n";
    file.append(line.data(), line.size());
    // The file closes before the mutex is released (destruction order).
}
