// A child process started from an executable, mainly for tests that need a
// second process (for example one that dies holding a lock).
#ifndef KW5_PLATFORM_CHILDPROCESS_H
#define KW5_PLATFORM_CHILDPROCESS_H

#include "platform/Types.h"

#include <string>
#include <vector>

namespace kw5platform {

class ChildProcess {
public:
    ChildProcess();
    // Kills and reaps a child that is still running.
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Starts executable with the arguments (UTF-8) and this process's
    // environment.
    bool start(const KW5WString& executable, const std::vector<std::string>& arguments);
    // Kills the child at once, as a crash would.
    bool kill();
    // Waits for the child to end; false when there is none.
    bool wait();

private:
#ifdef _WIN32
    void* handle_;
#else
    int pid_;
#endif
};

} // namespace kw5platform

#endif
