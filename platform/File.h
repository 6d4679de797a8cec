// A thin file handle over the operating system, with Windows error codes.
//
// Every call makes exactly one attempt; retry rules (for example on sharing
// violations) belong to the callers. Errors are reported as Windows error
// numbers through lastError() on every platform.
#ifndef KW5_PLATFORM_FILE_H
#define KW5_PLATFORM_FILE_H

#include "platform/Types.h"

#include <cstdint>

namespace kw5platform {

// Windows error numbers the library looks at.
const uint32_t kErrorFileNotFound = 2;
const uint32_t kErrorPathNotFound = 3;
const uint32_t kErrorTooManyOpenFiles = 4;
const uint32_t kErrorAccessDenied = 5;
const uint32_t kErrorInvalidHandle = 6;
const uint32_t kErrorNotEnoughMemory = 8;
const uint32_t kErrorNotSameDevice = 17;
const uint32_t kErrorWriteProtect = 19;
const uint32_t kErrorGenFailure = 31;
const uint32_t kErrorSharingViolation = 32;
const uint32_t kErrorHandleDiskFull = 39;
const uint32_t kErrorBadNetpath = 53;
const uint32_t kErrorNetnameDeleted = 64;
const uint32_t kErrorNetworkAccessDenied = 65;
const uint32_t kErrorBadNetName = 67;
const uint32_t kErrorFileExists = 80;
const uint32_t kErrorInvalidParameter = 87;
const uint32_t kErrorDiskFull = 112;
const uint32_t kErrorInvalidName = 123;
const uint32_t kErrorAlreadyExists = 183;
const uint32_t kErrorFilenameExcedRange = 206;
const uint32_t kErrorFileTooLarge = 223;
const uint32_t kErrorDirectory = 267;
const uint32_t kErrorIoDevice = 1117;
const uint32_t kErrorCantResolveFilename = 1921;
const uint32_t kErrorLogonFailure = 1326;

// The error of the last failed call of this layer on this thread.
uint32_t lastError();
void setLastError(uint32_t code);

// How a file is opened; each purpose fixes access, sharing and creation.
enum class OpenPurpose {
    // GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING: tag regions, audio source.
    ReadShareRead,
    // GENERIC_READ, no sharing, OPEN_EXISTING: measuring a file's size.
    ReadExclusive,
    // read, shared for reading and writing, existing file: the direct scan.
    ReadShareAll,
    // GENERIC_WRITE, no sharing, OPEN_ALWAYS: in-place tag writes.
    WriteExclusive,
    // GENERIC_READ | GENERIC_WRITE, no sharing, OPEN_EXISTING, regular files
    // only: a target held for the whole of a rewrite.
    ReadWriteExclusive,
    // GENERIC_WRITE, no sharing, CREATE_NEW, never following a link, owner
    // only: temporary files and replacement files.
    CreateNewExclusive,
};

// How a copy from one file into another ended.
enum class CopyEnd { Done, ReadFailed, WriteFailed, OutOfMemory };
// Whether a copy lets the source's cache go behind it (copyToEnd).
enum class SourceCache { Keep, Release };

class File {
public:
    File();
    ~File();
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    // One attempt; false with lastError() set on failure.
    bool open(const KW5WString& path, OpenPurpose purpose);
    bool isOpen() const;
    void close();

    bool seek(uint64_t position);
    bool skip(uint64_t count);
    // Reads up to count bytes; got < count only at the end of the file.
    bool read(void* buffer, uint32_t count, uint32_t& got);
    // Writes all count bytes or fails; written tells how many went out.
    bool write(const void* buffer, uint32_t count, uint32_t& written);
    bool flush();
    // Starts writing what was written so far to disk without waiting for
    // it (POSIX: once the writing started by the call before is done), so
    // that a later flush() of a long copy finds little left to do.
    // A hint only: where it cannot be done, nothing happens.
    void startFlush();
    // The bytes before the position are not needed again soon (the file is
    // about to be replaced or removed): their cached pages may go now
    // (POSIX_FADV_DONTNEED) rather than when the file is freed. A hint
    // only: the bytes stay as they are; nothing happens on Windows.
    void releaseCacheBehind();
    bool size(uint64_t& bytes);
    // The size of the file when it was opened. POSIX keeps it from the
    // check the open makes anyway (no further system call); Windows asks.
    bool openedSize(uint64_t& bytes);
    // SetEndOfFile at length.
    bool truncate(uint64_t length);
    // Whether path still names the file this handle holds (POSIX: the same
    // device and inode; a rename may have put another file there since the
    // open). Always true on Windows, where a file opened without sharing
    // cannot be renamed or deleted.
    bool isAt(const KW5WString& path) const;
    // Gives other the owner, group, mode and extended attributes of this
    // file, so that other can take its place. kept is false when that
    // cannot be done faithfully (the caller may not give the file away,
    // an attribute cannot be copied, or this file has further hard links
    // that a replacement would split off). Windows: the attributes go by
    // name (copyPermissions); only further hard links are not kept.
    bool copyIdentityTo(File& other, bool& kept) const;

private:
    friend CopyEnd copyToEnd(File& source, File& destination, uint64_t flushEvery,
                             SourceCache cache);
#ifdef _WIN32
    void* handle_;
#else
    int fd_;
    uint64_t openedSize_;
#endif
};

// FindFirstFileW-like existence test; false with lastError() set.
bool findFile(const KW5WString& path);

// Everything from the position of source to its end, written at the
// position of destination; both positions end behind the copied bytes.
// Every flushEvery bytes (0: never) destination.startFlush() is called,
// and in a copy through memory (copyByChunks) with SourceCache::Release
// the source's cache behind the copy is let go: a source that is about to
// be replaced or removed then hands its memory to the copy's pages as it
// goes (the kernel's own copy below moves no bytes through the cache). On
// the virtual machine we measure on, writes into pages freshly taken from
// the system cost several times what writes into recycled ones cost (a
// 1000 MiB remake took 0.62 to 3.3 s without the release, 0.50 to 0.89 s
// with it), and the close of the replaced file has nothing left to free.
// On Linux file systems that copy without moving the bytes (shared
// extents, server-side copies) the kernel copies (copy_file_range); where
// it refuses (another file system, an old kernel, a special file) the
// copy goes on from where it stopped with copyByChunks, which every other
// file system and Windows use from the start.
CopyEnd copyToEnd(File& source, File& destination, uint64_t flushEvery, SourceCache cache);

// The same copy through a buffer of kCopyChunkBytes: read, write, repeat.
const uint32_t kCopyChunkBytes = 1024 * 1024;
CopyEnd copyByChunks(File& source, File& destination, uint64_t flushEvery, SourceCache cache);

enum class Attributes { Missing, Normal, ReadOnly, Unreadable };
// GetFileAttributesW: Missing when the path does not exist, ReadOnly when
// the file carries the read-only attribute (POSIX: no write permission bit
// for anyone), Unreadable when the attributes cannot be read.
Attributes fileAttributes(const KW5WString& path);

void sleepMilliseconds(unsigned int ms);

} // namespace kw5platform

#endif
