// Appending handles on Windows. ShareRead is the emergency log's way: one
// writer at a time, readers welcome. ShareReadWrite opens with
// FILE_APPEND_DATA only, so the system puts every write at the end of the
// file, whichever process writes.
#include "platform/AppendFile.h"

#include <windows.h>

namespace kw5platform {

AppendFile::AppendFile() : handle_(INVALID_HANDLE_VALUE) {}

AppendFile::~AppendFile() {
    close();
}

bool AppendFile::open(const KW5WString& path, AppendSharing sharing) {
    close();
    HANDLE handle = INVALID_HANDLE_VALUE;
    if (sharing == AppendSharing::ShareRead) {
        handle = ::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
        if (handle == INVALID_HANDLE_VALUE)
            return false;
        LARGE_INTEGER zero;
        zero.QuadPart = 0;
        if (!::SetFilePointerEx(handle, zero, nullptr, FILE_END)) {
            ::CloseHandle(handle);
            return false;
        }
    } else {
        handle = ::CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                               nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle == INVALID_HANDLE_VALUE)
            return false;
    }
    handle_ = handle;
    return true;
}

bool AppendFile::append(const void* bytes, size_t count) {
    if (handle_ == INVALID_HANDLE_VALUE)
        return false;
    const unsigned char* next = static_cast<const unsigned char*>(bytes);
    while (count > 0) {
        // WriteFile takes a 32-bit count.
        DWORD chunk = count > 0x40000000u ? 0x40000000u : static_cast<DWORD>(count);
        DWORD written = 0;
        if (!::WriteFile(static_cast<HANDLE>(handle_), next, chunk, &written, nullptr) ||
            written == 0)
            return false;
        next += written;
        count -= written;
    }
    return true;
}

void AppendFile::close() {
    if (handle_ != INVALID_HANDLE_VALUE)
        ::CloseHandle(static_cast<HANDLE>(handle_));
    handle_ = INVALID_HANDLE_VALUE;
}

} // namespace kw5platform
