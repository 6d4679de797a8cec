// The target of a rewrite, held without sharing from the moment its tag
// size is read until the new content is in place. Another writer (in this
// process or another) that wants the file meanwhile gets a sharing
// violation and, after the retry rule, fails without touching it; so the
// size read here is the size of the tag that is rewritten and the audio is
// copied from the right offset.
#ifndef KW5_STORAGE_KW5HELDTARGET_H
#define KW5_STORAGE_KW5HELDTARGET_H

#include "facade/KW5FileRet.h"
#include "platform/File.h"
#include "platform/Types.h"

#include <cstdint>

namespace kw5storage {

class KW5HeldTarget {
public:
    KW5HeldTarget();
    KW5HeldTarget(const KW5HeldTarget&) = delete;
    KW5HeldTarget& operator=(const KW5HeldTarget&) = delete;

    // Refuses (FAILED, logged) a target with the read-only attribute, opens
    // it for reading and writing without sharing (retry rule; a device or a
    // FIFO is refused), makes sure the path still names the opened file
    // (another writer may have replaced it while we waited) and reads its
    // tag size. A target that does not exist is not held: exists() is
    // false and the rewrite creates it.
    _KW5_FILE_RET hold(const KW5WString& target);

    bool exists() const { return file_.isOpen(); }
    kw5platform::File& file() { return file_; }
    ULONG tagSize() const { return tagSize_; }
    uint64_t fileSize() const { return fileSize_; }

    // Whether the bytes after the tag start like a tag header of their own
    // (a second tag stacked behind the first, or audio that happens to).
    // Once nothing stood before them they would be read as the file's tag.
    // True when they cannot be read: an empty tag kept in front is harmless.
    bool audioStartsLikeATag();

private:
    _KW5_FILE_RET measure();

    kw5platform::File file_;
    ULONG tagSize_;
    uint64_t fileSize_;
};

} // namespace kw5storage

#endif
