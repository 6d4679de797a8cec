#include "platform/Process.h"

#include "platform/UnicodeText.h"

#include <fcntl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

namespace kw5platform {

KW5WString executablePath() {
    std::vector<char> buffer(4096);
    ssize_t count = readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (count <= 0 || static_cast<size_t>(count) >= buffer.size())
        return KW5WString();
    return utf8ToUtf16(std::string(buffer.data(), static_cast<size_t>(count)));
}

std::string commandLine() {
    int fd = open("/proc/self/cmdline", O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return std::string();
    std::string raw;
    char chunk[4096];
    for (;;) {
        ssize_t count = read(fd, chunk, sizeof chunk);
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            break;
        raw.append(chunk, static_cast<size_t>(count));
    }
    close(fd);
    // The arguments are NUL-terminated one after the other.
    if (!raw.empty() && raw.back() == '\0')
        raw.pop_back();
    for (char& c : raw) {
        if (c == '\0')
            c = ' ';
    }
    return raw;
}

uint32_t processId() {
    return static_cast<uint32_t>(getpid());
}

uint32_t threadId() {
    return static_cast<uint32_t>(syscall(SYS_gettid));
}

} // namespace kw5platform
