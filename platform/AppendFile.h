// A file opened for appending whole lines, created when missing.
#ifndef KW5_PLATFORM_APPENDFILE_H
#define KW5_PLATFORM_APPENDFILE_H

#include "platform/Types.h"

#include <cstddef>

namespace kw5platform {

enum class AppendSharing {
    // GENERIC_WRITE, FILE_SHARE_READ, OPEN_ALWAYS, FILE_FLAG_SEQUENTIAL_SCAN,
    // then to the end: other writers are shut out while it is open.
    ShareRead,
    // FILE_APPEND_DATA, shared for reading and writing: many processes may
    // append at once, each write landing whole at the end.
    ShareReadWrite,
};

class AppendFile {
public:
    AppendFile();
    ~AppendFile();
    AppendFile(const AppendFile&) = delete;
    AppendFile& operator=(const AppendFile&) = delete;

    bool open(const KW5WString& path, AppendSharing sharing);
    // Appends all bytes at the end of the file in one write where the
    // system allows; false when they could not all be written.
    bool append(const void* bytes, size_t count);
    void close();

private:
#ifdef _WIN32
    void* handle_;
#else
    int fd_;
#endif
};

} // namespace kw5platform

#endif
