#include "platform/NamedMutex.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

namespace kw5platform {

namespace {

const auto kPollInterval = std::chrono::milliseconds(10);

// The user's own runtime folder; else the shared /tmp, where the name
// carries the user id so that users never share (or block) a lock file.
std::string lockPath(const std::string& name) {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && runtime[0] == '/')
        return std::string(runtime) + "/" + name + ".lock";
    return "/tmp/" + name + "-" + std::to_string(::geteuid()) + ".lock";
}

} // namespace

NamedMutex::NamedMutex() : fd_(-1), owned_(false) {}

NamedMutex::~NamedMutex() {
    close();
}

bool NamedMutex::open(const std::string& name) {
    close();
    if (name.empty() || name.find('/') != std::string::npos)
        return false;
    std::string path = lockPath(name);
    // Read access suffices for flock; a planted link is not followed, and
    // a file someone else made under our name is not used.
    fd_ = ::open(path.c_str(), O_RDONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    struct stat st;
    if (fd_ >= 0 && (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid())) {
        ::close(fd_);
        fd_ = -1;
    }
    return fd_ >= 0;
}

NamedMutex::Wait NamedMutex::wait(unsigned int milliseconds) {
    if (fd_ < 0)
        return Wait::Failed;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    for (;;) {
        if (flock(fd_, LOCK_EX | LOCK_NB) == 0) {
            owned_ = true;
            return Wait::Acquired;
        }
        if (errno != EWOULDBLOCK && errno != EINTR)
            return Wait::Failed;
        auto now = std::chrono::steady_clock::now();
        if (now >= deadline)
            return Wait::TimedOut;
        auto left = deadline - now;
        std::this_thread::sleep_for(left < kPollInterval ? left : kPollInterval);
    }
}

void NamedMutex::release() {
    if (fd_ >= 0 && owned_)
        flock(fd_, LOCK_UN);
    owned_ = false;
}

void NamedMutex::close() {
    release();
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}

} // namespace kw5platform
