#include "platform/AppendFile.h"

#include <windows.h>

namespace kw5platform {

AppendFile::AppendFile() : handle_(INVALID_HANDLE_VALUE) {}

AppendFile::~AppendFile() {
    close();
}

bool AppendFile::open(const KW5WString& path, AppendSharing sharing) {
    close();
    if (sharing == AppendSharing::ShareRead) {
        handle_ = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
        if (handle_ != INVALID_HANDLE_VALUE)
            SetFilePointer(handle_, 0, nullptr, FILE_END);
    } else {
        // Append-only access: the system puts every write at the end.
        handle_ = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    }
    return handle_ != INVALID_HANDLE_VALUE;
}

bool AppendFile::append(const void* bytes, size_t count) {
    if (handle_ == INVALID_HANDLE_VALUE)
        return false;
    const char* next = static_cast<const char*>(bytes);
    while (count > 0) {
        DWORD chunk = count > 0x40000000 ? 0x40000000 : static_cast<DWORD>(count);
        DWORD written = 0;
        if (!WriteFile(handle_, next, chunk, &written, nullptr) || written == 0)
            return false;
        next += written;
        count -= written;
    }
    return true;
}

void AppendFile::close() {
    if (handle_ != INVALID_HANDLE_VALUE)
        CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
}

} // namespace kw5platform
