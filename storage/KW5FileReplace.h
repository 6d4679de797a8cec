// Puts a finished file in the place of a held target so that, whatever
// happens meanwhile (a crash, a kill, a full disk), the target is either
// the old file or the new one, never a mixture; and so that the target
// stays the file it was: owner, group, mode, extended attributes, other
// hard links.
#ifndef KW5_STORAGE_KW5FILEREPLACE_H
#define KW5_STORAGE_KW5FILEREPLACE_H

#include "platform/Types.h"
#include "storage/KW5HeldTarget.h"
#include "storage/KW5TempFile.h"

#include <cstdint>

namespace kw5storage {

enum class ReplaceOutcome {
    // The finished file was renamed into the target's place.
    Replaced,
    // The new content was written through the existing target.
    WrittenThrough,
    // Nothing was done to the target.
    Untouched,
    // Writing through the target failed half-way; the finished file is
    // kept where it is (and named in the log).
    Damaged,
};

// finished holds the complete new content (size bytes), flushed to disk.
//
// Where the finished file can take the target's identity, it is renamed
// over the target (on another volume, or across mount points of one
// volume, through a copy made beside the target first), while the target
// is still held. Where it cannot (the caller may not give a file away, the
// target has several hard links, an extended attribute cannot be copied,
// the folder is not writable), the content is copied through the held
// target itself, which is then truncated and flushed; the finished file is
// removed only after that. The way taken is logged. kw5platform::lastError()
// tells why on Untouched and Damaged.
ReplaceOutcome replaceTarget(KW5HeldTarget& held, KW5ScratchFile& finished, uint64_t size,
                             const KW5WString& target);

} // namespace kw5storage

#endif
