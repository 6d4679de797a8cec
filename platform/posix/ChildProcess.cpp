#include "platform/ChildProcess.h"

#include "platform/UnicodeText.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>

extern char** environ;

namespace kw5platform {

ChildProcess::ChildProcess() : pid_(-1) {}

ChildProcess::~ChildProcess() {
    if (pid_ > 0) {
        kill();
        wait();
    }
}

bool ChildProcess::start(const KW5WString& executable, const std::vector<std::string>& arguments) {
    if (pid_ > 0)
        return false;
    std::string program = utf16ToUtf8(executable);
    std::vector<std::string> strings;
    strings.push_back(program);
    strings.insert(strings.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& s : strings)
        argv.push_back(&s[0]);
    argv.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv.data(), environ) != 0)
        return false;
    pid_ = pid;
    return true;
}

bool ChildProcess::kill() {
    return pid_ > 0 && ::kill(pid_, SIGKILL) == 0;
}

bool ChildProcess::wait() {
    if (pid_ <= 0)
        return false;
    int status = 0;
    pid_t got;
    do {
        got = waitpid(pid_, &status, 0);
    } while (got < 0 && errno == EINTR);
    pid_ = -1;
    return got > 0;
}

} // namespace kw5platform
