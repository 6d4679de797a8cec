// Names and exclusive creation of the files a remake writes: the temporary
// copy ("tempXXXXXX" in the temporary folder) and the replacement written
// beside a target on another volume.
#ifndef KW5_STORAGE_KW5TEMPFILE_H
#define KW5_STORAGE_KW5TEMPFILE_H

#include "facade/KW5FileRet.h"
#include "platform/File.h"
#include "platform/Types.h"

#include <cstddef>

namespace kw5storage {

// The part of a name template that is replaced by random characters.
const size_t kUniqueCharacters = 6;
const size_t kMaxTemporaryPath = 260;
// The longest temporary folder that is used; beyond it the target's own
// folder takes its place.
const size_t kMaxTemporaryFolder = 256;
// Names tried before giving up when every candidate already exists.
const int kCreateAttempts = 100;

// pattern with its trailing "XXXXXX" replaced by random letters and digits.
KW5WString fillNameTemplate(const KW5WString& pattern);

// The temporary folder followed by a fresh "tempXXXXXX" name; the target's
// folder when there is no usable temporary folder. FAILED when the path
// would be 261 characters or more.
_KW5_FILE_RET makeTemporaryPath(const KW5WString& target, KW5WString& temporary);

// path beside target: ".<name>.kw5new-XXXXXX" in the target's folder.
_KW5_FILE_RET makeReplacementPath(const KW5WString& target, KW5WString& replacement);

// Creates path exclusively (never following a link, owner-only access)
// and opens it for writing. When something already exists there, its last
// six characters are drawn anew and the creation tried again; path tells
// the name that was made. False with kw5platform::lastError() set.
bool createExclusiveFile(kw5platform::File& file, KW5WString& path);

// A file a remake creates (the temporary copy, a replacement beside the
// target), open for writing, and removed again when the object goes away
// (exceptions included) unless keep() was called. A file that cannot be
// removed is at least emptied, so no full-size copy stays behind.
class KW5ScratchFile {
public:
    KW5ScratchFile();
    ~KW5ScratchFile();
    KW5ScratchFile(const KW5ScratchFile&) = delete;
    KW5ScratchFile& operator=(const KW5ScratchFile&) = delete;

    // createExclusiveFile at path (whose last characters may be redrawn).
    bool create(const KW5WString& path);
    // Closes and removes the file now; false (logged) when it stays.
    bool remove();
    // The file is no longer ours to remove: renamed into place, or kept.
    void keep();

    kw5platform::File& file() { return file_; }
    const KW5WString& path() const { return path_; }

private:
    kw5platform::File file_;
    KW5WString path_;
    bool owned_;
};

} // namespace kw5storage

#endif
