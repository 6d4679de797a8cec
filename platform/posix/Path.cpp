#define _FILE_OFFSET_BITS 64

#include "platform/Path.h"

#include "platform/File.h"
#include "platform/UnicodeText.h"
#include "platform/posix/PosixError.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace kw5platform {

namespace {

const size_t kMaxSplitPart = 255;

// The folder part of a native path, "." for a bare name.
std::string nativeFolder(const std::string& path) {
    std::string::size_type slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return "/";
    return path.substr(0, slash);
}

mode_t currentUmask() {
    // Linux reports the mask without changing it; umask() itself can only
    // be read by setting it, which races with other threads creating files.
    if (FILE* status = std::fopen("/proc/self/status", "r")) {
        char line[256];
        while (std::fgets(line, sizeof line, status)) {
            unsigned int mask;
            if (std::sscanf(line, "Umask: %o", &mask) == 1) {
                std::fclose(status);
                return static_cast<mode_t>(mask & 0777);
            }
        }
        std::fclose(status);
    }
    mode_t mask = ::umask(022);
    ::umask(mask);
    return mask;
}

bool statOrFolder(const std::string& path, struct stat& st) {
    if (::stat(path.c_str(), &st) == 0)
        return true;
    if (errno != ENOENT)
        return failFromErrno(path);
    std::string folder = nativeFolder(path);
    if (::stat(folder.c_str(), &st) == 0)
        return true;
    return failFromErrno(folder);
}

bool toNative(const KW5WString& path, std::string& native) {
    if (!nativePath(path, native) || native.empty()) {
        setLastError(path.empty() ? kErrorPathNotFound : kErrorInvalidName);
        return false;
    }
    return true;
}

} // namespace

KW5WChar pathSeparator() {
    return KW5WChar('/');
}

bool isPathSeparator(KW5WChar c) {
    return c == KW5WChar('/');
}

bool temporaryFolder(KW5WString& folder) {
    const char* tmpdir = std::getenv("TMPDIR");
    std::string native = (tmpdir && *tmpdir) ? tmpdir : "/tmp";
    if (native.back() != '/')
        native += '/';
    folder = utf8ToUtf16(native);
    return true;
}

bool fullPathName(const KW5WString& path, KW5WString& full) {
    if (path.empty() || path.find(KW5WChar(0)) != KW5WString::npos) {
        setLastError(kErrorInvalidName);
        return false;
    }
    KW5WString absolute;
    if (!isPathSeparator(path[0])) {
        std::vector<char> cwd(PATH_MAX + 1);
        while (::getcwd(cwd.data(), cwd.size()) == nullptr) {
            if (errno != ERANGE || cwd.size() > (1u << 20))
                return failFromErrno(std::string());
            cwd.resize(cwd.size() * 2);
        }
        absolute = utf8ToUtf16(cwd.data());
        absolute += pathSeparator();
    }
    absolute += path;

    // Resolve "." and ".." by text, as GetFullPathNameW does; a trailing
    // separator is kept.
    std::vector<KW5WString> parts;
    size_t start = 0;
    while (start <= absolute.size()) {
        size_t end = start;
        while (end < absolute.size() && !isPathSeparator(absolute[end]))
            ++end;
        KW5WString part = absolute.substr(start, end - start);
        if (part == KW5_WSTR("..")) {
            if (!parts.empty())
                parts.pop_back();
        } else if (!part.empty() && part != KW5_WSTR(".")) {
            parts.push_back(part);
        }
        start = end + 1;
    }
    full.clear();
    for (const KW5WString& part : parts) {
        full += pathSeparator();
        full += part;
    }
    bool trailing =
        isPathSeparator(absolute.back()) ||
        (absolute.size() >= 2 && absolute.compare(absolute.size() - 2, 2, KW5_WSTR("/.")) == 0);
    if (full.empty() || trailing)
        full += pathSeparator();
    return true;
}

bool splitPath(const KW5WString& path, PathParts& parts) {
    parts = PathParts();
    size_t slash = path.find_last_of(pathSeparator());
    size_t nameStart = slash == KW5WString::npos ? 0 : slash + 1;
    KW5WString directory = path.substr(0, nameStart);
    KW5WString rest = path.substr(nameStart);
    size_t dot = rest.find_last_of(KW5WChar('.'));
    KW5WString name = dot == KW5WString::npos ? rest : rest.substr(0, dot);
    KW5WString extension = dot == KW5WString::npos ? KW5WString() : rest.substr(dot);
    if (directory.size() > kMaxSplitPart || name.size() > kMaxSplitPart ||
        extension.size() > kMaxSplitPart) {
        setLastError(kErrorInvalidParameter);
        return false;
    }
    parts.directory = directory;
    parts.name = name;
    parts.extension = extension;
    return true;
}

bool replaceFile(const KW5WString& from, const KW5WString& to) {
    std::string nativeFrom, nativeTo;
    if (!toNative(from, nativeFrom) || !toNative(to, nativeTo))
        return false;
    if (::rename(nativeFrom.c_str(), nativeTo.c_str()) != 0)
        return failFromErrno(nativeTo);
    return true;
}

bool replaceHeldFile(File&, const KW5WString& from, const KW5WString& to) {
    return replaceFile(from, to);
}

bool deleteFile(const KW5WString& path) {
    std::string native;
    if (!toNative(path, native))
        return false;
    if (::unlink(native.c_str()) != 0)
        return failFromErrno(native);
    return true;
}

bool sameVolume(const KW5WString& first, const KW5WString& second, bool& same) {
    same = false;
    std::string nativeFirst, nativeSecond;
    if (!toNative(first, nativeFirst) || !toNative(second, nativeSecond))
        return false;
    struct stat a, b;
    if (!statOrFolder(nativeFirst, a) || !statOrFolder(nativeSecond, b))
        return false;
    same = a.st_dev == b.st_dev;
    return true;
}

bool copyPermissions(const KW5WString& model, const KW5WString& file) {
    std::string nativeModel, nativeFile;
    if (!toNative(model, nativeModel) || !toNative(file, nativeFile))
        return false;
    struct stat st;
    mode_t mode;
    if (::stat(nativeModel.c_str(), &st) == 0) {
        // Owner and group first: chown clears set-id bits. Only a privileged
        // caller may give the file away; otherwise it stays the caller's.
        if (::chown(nativeFile.c_str(), st.st_uid, st.st_gid) != 0 && errno != EPERM)
            return failFromErrno(nativeFile);
        mode = st.st_mode & 07777;
    } else if (errno == ENOENT) {
        mode = 0666 & ~currentUmask();
    } else {
        return failFromErrno(nativeModel);
    }
    if (::chmod(nativeFile.c_str(), mode) != 0)
        return failFromErrno(nativeFile);
    return true;
}

bool syncFolderOf(const KW5WString& path) {
    std::string native;
    if (!toNative(path, native))
        return false;
    std::string folder = nativeFolder(native);
    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return failFromErrno(folder);
    int result;
    do {
        result = ::fsync(fd);
    } while (result != 0 && errno == EINTR);
    int error = errno;
    ::close(fd);
    // Some file systems cannot sync a folder; there is nothing more to do.
    if (result != 0 && error != EINVAL && error != ENOTSUP) {
        errno = error;
        return failFromErrno(folder);
    }
    return true;
}

bool resolveLinks(const KW5WString& path, KW5WString& resolved) {
    resolved = path;
    std::string native;
    if (!toNative(path, native))
        return false;
    struct stat st;
    if (::lstat(native.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
        return true;
    char* real = ::realpath(native.c_str(), nullptr);
    if (real == nullptr)
        // A dangling link: the replacement takes the link's place.
        return true;
    resolved = utf8ToUtf16(real);
    std::free(real);
    return true;
}

} // namespace kw5platform
