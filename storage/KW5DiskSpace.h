// Free-space tests made before a file is remade, and the file utilities
// they rest on. Every failure is logged.
#ifndef KW5_STORAGE_KW5DISKSPACE_H
#define KW5_STORAGE_KW5DISKSPACE_H

#include "facade/KW5FileRet.h"
#include "platform/Types.h"

#include <cstdint>

namespace kw5storage {

// Size of a file; a file that does not exist takes no room (size 0).
_KW5_FILE_RET getFileSize64(const KW5WString& path, uint64_t& size);

// fileSize + (newTagSize - oldTagSize), in 64 bits (0 when the tag shrinks
// by more than the file holds).
_KW5_FILE_RET computeNeededSpace(uint64_t fileSize, uint32_t oldTagSize, uint32_t newTagSize,
                                 uint64_t& needed);

// Whether the volume of path's folder has at least needed bytes free for
// the caller. A volume that cannot be queried is FAILED, never "enough".
_KW5_FILE_RET canUseDiskSpace(const KW5WString& path, uint64_t needed);

// The temporary copy holds the whole target with its tag changed from
// oldTagSize to newTagSize bytes: room for that on the temporary's volume.
_KW5_FILE_RET checkFreeTempSpace(const KW5WString& target, const KW5WString& temporary,
                                 uint32_t oldTagSize, uint32_t newTagSize);
// The same for a target of targetSize bytes (one the caller holds open).
_KW5_FILE_RET checkFreeTempSpaceFor(uint64_t targetSize, const KW5WString& temporary,
                                    uint32_t oldTagSize, uint32_t newTagSize);

// Room for putting the finished temporary file in the target's place. On
// the same volume it is renamed over the target and needs nothing more;
// otherwise a complete copy is written beside the target before the old
// file goes, so the target's volume must hold the whole temporary file.
_KW5_FILE_RET checkFreeDestSpace(const KW5WString& temporary, const KW5WString& target);
// The same for a temporary file of temporarySize bytes.
_KW5_FILE_RET checkFreeDestSpaceFor(uint64_t temporarySize, const KW5WString& temporary,
                                    const KW5WString& target);

} // namespace kw5storage

#endif
