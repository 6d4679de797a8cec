#include "platform/posix/PosixError.h"

#include "platform/File.h"
#include "platform/UnicodeText.h"

#include <cerrno>
#include <sys/stat.h>

namespace kw5platform {

namespace {

bool folderExists(const std::string& path) {
    std::string::size_type slash = path.find_last_of('/');
    std::string folder;
    if (slash == std::string::npos)
        folder = ".";
    else if (slash == 0)
        folder = "/";
    else
        folder = path.substr(0, slash);
    struct stat st;
    return ::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

} // namespace

uint32_t windowsErrorFromErrno(int error, const std::string& path) {
    switch (error) {
    case ENOENT:
        return folderExists(path) ? kErrorFileNotFound : kErrorPathNotFound;
    case ENOTDIR:
        return kErrorPathNotFound;
    case EACCES:
    case EPERM:
    case EISDIR:
        return kErrorAccessDenied;
    case EROFS:
        return kErrorWriteProtect;
    case EEXIST:
        return kErrorFileExists;
    case ENOSPC:
#ifdef EDQUOT
    case EDQUOT:
#endif
        return kErrorDiskFull;
    case ENAMETOOLONG:
        return kErrorFilenameExcedRange;
    case EINVAL:
        return kErrorInvalidParameter;
    case EMFILE:
    case ENFILE:
        return kErrorTooManyOpenFiles;
    case ENOMEM:
        return kErrorNotEnoughMemory;
    case EBADF:
        return kErrorInvalidHandle;
    case EWOULDBLOCK:
    case ETXTBSY:
    case EBUSY:
        return kErrorSharingViolation;
    case EXDEV:
        return kErrorNotSameDevice;
    case EFBIG:
        return kErrorFileTooLarge;
    case ELOOP:
        return kErrorCantResolveFilename;
    case EIO:
        return kErrorIoDevice;
    default:
        return kErrorGenFailure;
    }
}

bool failFromErrno(const std::string& path) {
    setLastError(windowsErrorFromErrno(errno, path));
    return false;
}

bool nativePath(const KW5WString& path, std::string& native) {
    if (path.find(KW5WChar(0)) != KW5WString::npos) {
        native.clear();
        return false;
    }
    native = utf16ToUtf8(path);
    return true;
}

} // namespace kw5platform
