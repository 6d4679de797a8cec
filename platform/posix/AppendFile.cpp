#include "platform/AppendFile.h"

#include "platform/UnicodeText.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace kw5platform {

AppendFile::AppendFile() : fd_(-1) {}

AppendFile::~AppendFile() {
    close();
}

// POSIX has no share modes; O_APPEND makes every write land whole at the
// end, whichever process writes.
bool AppendFile::open(const KW5WString& path, AppendSharing) {
    close();
    std::string name = utf16ToUtf8(path);
    fd_ = ::open(name.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    return fd_ >= 0;
}

bool AppendFile::append(const void* bytes, size_t count) {
    if (fd_ < 0)
        return false;
    const char* next = static_cast<const char*>(bytes);
    while (count > 0) {
        ssize_t written = ::write(fd_, next, count);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        next += written;
        count -= static_cast<size_t>(written);
    }
    return true;
}

void AppendFile::close() {
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}

} // namespace kw5platform
