#include "platform/NamedMutex.h"

#include <windows.h>

namespace kw5platform {

NamedMutex::NamedMutex() : handle_(nullptr), owned_(false) {}

NamedMutex::~NamedMutex() {
    close();
}

bool NamedMutex::open(const std::string& name) {
    close();
    handle_ = CreateMutexA(nullptr, FALSE, name.c_str());
    return handle_ != nullptr;
}

NamedMutex::Wait NamedMutex::wait(unsigned int milliseconds) {
    if (!handle_)
        return Wait::Failed;
    switch (WaitForSingleObject(handle_, milliseconds)) {
    case WAIT_OBJECT_0:
        owned_ = true;
        return Wait::Acquired;
    case WAIT_ABANDONED:
        owned_ = true;
        return Wait::Abandoned;
    case WAIT_TIMEOUT:
        return Wait::TimedOut;
    default:
        return Wait::Failed;
    }
}

void NamedMutex::release() {
    if (handle_ && owned_)
        ReleaseMutex(handle_);
    owned_ = false;
}

void NamedMutex::close() {
    release();
    if (handle_)
        CloseHandle(handle_);
    handle_ = nullptr;
}

} // namespace kw5platform
