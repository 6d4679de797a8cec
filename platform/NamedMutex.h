// A mutex shared by every process of the user under one name.
//
// Windows: CreateMutexA (initially not owned), WaitForSingleObject,
// ReleaseMutex. POSIX: an exclusive flock on "<name>.lock" in
// $XDG_RUNTIME_DIR, else on "<name>-<uid>.lock" in /tmp (a file of another
// user there is refused), polled until the time limit; the kernel drops
// the lock of a process that dies, so a crashed holder never blocks others.
// Unlike a Windows mutex, the POSIX lock is not recursive: a thread that
// already holds it times out when it waits again.
#ifndef KW5_PLATFORM_NAMEDMUTEX_H
#define KW5_PLATFORM_NAMEDMUTEX_H

#include <string>

namespace kw5platform {

class NamedMutex {
public:
    enum class Wait { Acquired, Abandoned, TimedOut, Failed };

    NamedMutex();
    ~NamedMutex();
    NamedMutex(const NamedMutex&) = delete;
    NamedMutex& operator=(const NamedMutex&) = delete;

    // Creates or opens the mutex; false when it cannot be had.
    bool open(const std::string& name);
    // Acquired and Abandoned (the last owner died holding it; Windows only)
    // both mean the caller now owns the mutex.
    Wait wait(unsigned int milliseconds);
    void release();
    // Releases ownership if held and closes the handle.
    void close();

private:
#ifdef _WIN32
    void* handle_;
#else
    int fd_;
#endif
    bool owned_;
};

} // namespace kw5platform

#endif
