#include "platform/Path.h"

#include "platform/File.h"

#include <cstdlib>
#include <cwchar>
#include <vector>
#include <windows.h>

namespace kw5platform {

namespace {

bool fail() {
    setLastError(static_cast<uint32_t>(::GetLastError()));
    return false;
}

// The volume root ("C:\", "\\server\share\") of a path, existing or not.
bool volumeOf(const KW5WString& path, KW5WString& volume) {
    KW5WString full;
    if (!fullPathName(path, full))
        return false;
    std::vector<wchar_t> root(full.size() + MAX_PATH + 2);
    if (!::GetVolumePathNameW(full.c_str(), root.data(), static_cast<DWORD>(root.size())))
        return fail();
    // Mounted folders and drive letters of one volume share a GUID name.
    wchar_t guid[MAX_PATH + 1];
    if (::GetVolumeNameForVolumeMountPointW(root.data(), guid, MAX_PATH + 1))
        volume = guid;
    else
        volume = root.data();
    return true;
}

} // namespace

KW5WChar pathSeparator() {
    return L'\\';
}

bool isPathSeparator(KW5WChar c) {
    return c == L'\\' || c == L'/';
}

bool temporaryFolder(KW5WString& folder) {
    wchar_t buffer[MAX_PATH + 2];
    DWORD length = ::GetTempPathW(MAX_PATH + 1, buffer);
    if (length == 0 || length > MAX_PATH + 1)
        return fail();
    folder.assign(buffer, length);
    return true;
}

bool fullPathName(const KW5WString& path, KW5WString& full) {
    // Windows answers ERROR_INVALID_NAME for an empty path; Wine does not.
    if (path.empty()) {
        setLastError(kErrorInvalidName);
        return false;
    }
    DWORD needed = ::GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (needed == 0)
        return fail();
    std::vector<wchar_t> buffer(needed + 1);
    DWORD length =
        ::GetFullPathNameW(path.c_str(), static_cast<DWORD>(buffer.size()), buffer.data(), nullptr);
    if (length == 0)
        return fail();
    if (length >= buffer.size()) {
        setLastError(kErrorFilenameExcedRange);
        return false;
    }
    full.assign(buffer.data(), length);
    return true;
}

bool splitPath(const KW5WString& path, PathParts& parts) {
    parts = PathParts();
    wchar_t drive[_MAX_DRIVE];
    wchar_t directory[_MAX_DIR];
    wchar_t name[_MAX_FNAME];
    wchar_t extension[_MAX_EXT];
    if (_wsplitpath_s(path.c_str(), drive, _MAX_DRIVE, directory, _MAX_DIR, name, _MAX_FNAME,
                      extension, _MAX_EXT) != 0) {
        setLastError(kErrorInvalidParameter);
        return false;
    }
    parts.drive = drive;
    parts.directory = directory;
    parts.name = name;
    parts.extension = extension;
    return true;
}

bool replaceFile(const KW5WString& from, const KW5WString& to) {
    // No MOVEFILE_COPY_ALLOWED: across volumes this fails with
    // ERROR_NOT_SAME_DEVICE instead of copying in place.
    if (!::MoveFileExW(from.c_str(), to.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return fail();
    return true;
}

bool replaceHeldFile(File& held, const KW5WString& from, const KW5WString& to) {
    held.close();
    return replaceFile(from, to);
}

bool deleteFile(const KW5WString& path) {
    if (!::DeleteFileW(path.c_str()))
        return fail();
    return true;
}

bool sameVolume(const KW5WString& first, const KW5WString& second, bool& same) {
    same = false;
    KW5WString a, b;
    if (!volumeOf(first, a) || !volumeOf(second, b))
        return false;
    same = ::CompareStringOrdinal(a.c_str(), -1, b.c_str(), -1, TRUE) == CSTR_EQUAL;
    return true;
}

bool copyPermissions(const KW5WString& model, const KW5WString& file) {
    DWORD attributes = ::GetFileAttributesW(model.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        DWORD error = ::GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
            return true; // a new file keeps the defaults it was created with
        setLastError(static_cast<uint32_t>(error));
        return false;
    }
    const DWORD kept = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                       FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
    DWORD wanted = attributes & kept;
    if (!::SetFileAttributesW(file.c_str(), wanted ? wanted : FILE_ATTRIBUTE_NORMAL))
        return fail();
    return true;
}

bool syncFolderOf(const KW5WString&) {
    // MoveFileExW with MOVEFILE_WRITE_THROUGH returns once the rename is on
    // disk; NTFS has no separate folder flush.
    return true;
}

bool resolveLinks(const KW5WString& path, KW5WString& resolved) {
    resolved = path;
    // Opening follows every link (symbolic links, junctions, and under Wine
    // the Unix links, which show no reparse attribute); the handle then
    // names the file itself. A path that cannot be opened stays as given.
    HANDLE file =
        ::CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return true;
    std::vector<wchar_t> name(MAX_PATH + 1);
    DWORD length = ::GetFinalPathNameByHandleW(file, name.data(), static_cast<DWORD>(name.size()),
                                               FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (length >= name.size()) {
        name.resize(length + 1);
        length = ::GetFinalPathNameByHandleW(file, name.data(), static_cast<DWORD>(name.size()),
                                             FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    }
    ::CloseHandle(file);
    if (length == 0 || length >= name.size())
        return true;
    KW5WString final(name.data(), length);
    // "\\?\C:\..." and "\\?\UNC\server\share\..." back to plain paths,
    // unless only the long form can name the file.
    const KW5WString unc = L"\\\\?\\UNC\\";
    const KW5WString local = L"\\\\?\\";
    const bool shortEnough = final.size() < MAX_PATH + local.size();
    if (shortEnough && final.compare(0, unc.size(), unc) == 0)
        final = L"\\\\" + final.substr(unc.size());
    else if (shortEnough && final.compare(0, local.size(), local) == 0)
        final = final.substr(local.size());
    resolved = final;
    return true;
}

} // namespace kw5platform
