// Win32 file handles. Windows gives the share modes and error numbers of
// File.h natively; this layer only fixes access, sharing and creation per
// purpose and records GetLastError for the callers.
#include "platform/File.h"

#include <windows.h>

namespace kw5platform {

namespace {

struct OpenRule {
    DWORD access;
    DWORD share;
    DWORD creation;
};

OpenRule ruleFor(OpenPurpose purpose) {
    switch (purpose) {
    case OpenPurpose::ReadShareRead:
        return {GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING};
    case OpenPurpose::ReadExclusive:
        return {GENERIC_READ, 0, OPEN_EXISTING};
    case OpenPurpose::ReadShareAll:
        return {GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING};
    case OpenPurpose::WriteExclusive:
        return {GENERIC_WRITE, 0, OPEN_ALWAYS};
    case OpenPurpose::ReadWriteExclusive:
        return {GENERIC_READ | GENERIC_WRITE, 0, OPEN_EXISTING};
    case OpenPurpose::CreateNewExclusive:
        // CREATE_NEW fails with ERROR_FILE_EXISTS on anything already at the
        // path, a link included, so nothing planted there is followed. The
        // file inherits the ACL of its folder: the user's own temporary
        // folder, or the target's folder for a replacement.
        return {GENERIC_WRITE, 0, CREATE_NEW};
    }
    return {GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING};
}

bool fail() {
    setLastError(static_cast<uint32_t>(::GetLastError()));
    return false;
}

} // namespace

File::File() : handle_(INVALID_HANDLE_VALUE) {}

File::~File() {
    close();
}

bool File::open(const KW5WString& path, OpenPurpose purpose) {
    close();
    OpenRule rule = ruleFor(purpose);
    HANDLE handle = ::CreateFileW(path.c_str(), rule.access, rule.share, nullptr, rule.creation,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return fail();
    if (purpose == OpenPurpose::ReadWriteExclusive && ::GetFileType(handle) != FILE_TYPE_DISK) {
        // A device or a pipe is never the target of a rewrite.
        ::CloseHandle(handle);
        setLastError(kErrorAccessDenied);
        return false;
    }
    handle_ = handle;
    return true;
}

bool File::isOpen() const {
    return handle_ != INVALID_HANDLE_VALUE;
}

void File::close() {
    if (handle_ != INVALID_HANDLE_VALUE) {
        ::CloseHandle(static_cast<HANDLE>(handle_));
        handle_ = INVALID_HANDLE_VALUE;
    }
}

bool File::seek(uint64_t position) {
    if (position > static_cast<uint64_t>(INT64_MAX)) {
        setLastError(kErrorInvalidParameter);
        return false;
    }
    LARGE_INTEGER distance;
    distance.QuadPart = static_cast<LONGLONG>(position);
    if (!::SetFilePointerEx(static_cast<HANDLE>(handle_), distance, nullptr, FILE_BEGIN))
        return fail();
    return true;
}

bool File::skip(uint64_t count) {
    if (count > static_cast<uint64_t>(INT64_MAX)) {
        setLastError(kErrorInvalidParameter);
        return false;
    }
    LARGE_INTEGER distance;
    distance.QuadPart = static_cast<LONGLONG>(count);
    if (!::SetFilePointerEx(static_cast<HANDLE>(handle_), distance, nullptr, FILE_CURRENT))
        return fail();
    return true;
}

bool File::read(void* buffer, uint32_t count, uint32_t& got) {
    got = 0;
    DWORD n = 0;
    if (!::ReadFile(static_cast<HANDLE>(handle_), buffer, count, &n, nullptr))
        return fail();
    got = n;
    return true;
}

bool File::write(const void* buffer, uint32_t count, uint32_t& written) {
    written = 0;
    const unsigned char* in = static_cast<const unsigned char*>(buffer);
    while (written < count) {
        DWORD n = 0;
        if (!::WriteFile(static_cast<HANDLE>(handle_), in + written, count - written, &n, nullptr))
            return fail();
        if (n == 0) {
            setLastError(kErrorDiskFull);
            return false;
        }
        written += n;
    }
    return true;
}

bool File::flush() {
    if (!::FlushFileBuffers(static_cast<HANDLE>(handle_)))
        return fail();
    return true;
}

void File::startFlush() {
    // Windows has no call that starts a write-back without waiting for it;
    // the cache manager writes behind on its own.
}

void File::releaseCacheBehind() {
    // The cache manager trims a file's cache on its own.
}

bool File::size(uint64_t& bytes) {
    bytes = 0;
    LARGE_INTEGER value;
    if (!::GetFileSizeEx(static_cast<HANDLE>(handle_), &value))
        return fail();
    bytes = static_cast<uint64_t>(value.QuadPart);
    return true;
}

bool File::openedSize(uint64_t& bytes) {
    return size(bytes);
}

bool File::truncate(uint64_t length) {
    if (!seek(length))
        return false;
    if (!::SetEndOfFile(static_cast<HANDLE>(handle_)))
        return fail();
    return true;
}

bool File::isAt(const KW5WString&) const {
    return handle_ != INVALID_HANDLE_VALUE;
}

bool File::copyIdentityTo(File& other, bool& kept) const {
    // The replacement takes the target's attributes by name
    // (copyPermissions); only further hard links cannot move with it.
    kept = false;
    BY_HANDLE_FILE_INFORMATION info;
    if (handle_ == INVALID_HANDLE_VALUE || other.handle_ == INVALID_HANDLE_VALUE) {
        setLastError(kErrorInvalidHandle);
        return false;
    }
    if (!::GetFileInformationByHandle(static_cast<HANDLE>(handle_), &info))
        return fail();
    kept = info.nNumberOfLinks <= 1;
    return true;
}

bool findFile(const KW5WString& path) {
    WIN32_FIND_DATAW data;
    HANDLE search = ::FindFirstFileW(path.c_str(), &data);
    if (search == INVALID_HANDLE_VALUE)
        return fail();
    ::FindClose(search);
    return true;
}

CopyEnd copyToEnd(File& source, File& destination, uint64_t flushEvery, SourceCache cache) {
    // The cache manager reads ahead and writes behind on its own; large
    // buffered chunks are what CopyFileExW does for files of this size.
    return copyByChunks(source, destination, flushEvery, cache);
}

Attributes fileAttributes(const KW5WString& path) {
    DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        DWORD error = ::GetLastError();
        setLastError(static_cast<uint32_t>(error));
        return (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
                   ? Attributes::Missing
                   : Attributes::Unreadable;
    }
    if (attributes & FILE_ATTRIBUTE_READONLY)
        return Attributes::ReadOnly;
    return Attributes::Normal;
}

void sleepMilliseconds(unsigned int ms) {
    ::Sleep(ms);
}

} // namespace kw5platform
